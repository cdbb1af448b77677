#pragma once
// Files and text files as the classic scripting runtime offers them, for the
// system's own C++ code; Scripting.FileSystemObject (FileSystemObject.h) is
// the same behaviour reached by name from scripts.
//
// Text is 8-bit: one byte per character (the code page 1252), so every byte of a file
// read and written back round-trips. WriteLine ends lines with CR LF; ReadLine
// accepts CR LF or LF. Paths use "/" as the separator. Failures raise
// vb::VbError with the classic numbers and texts: 53 file not found, 58 file already
// exists, 62 input past end of file, 70 permission denied, 76 path not found,
// 54 bad file mode (a read on a stream opened for writing or the reverse).

#include "vb/VbError.h"

#include <QFile>
#include <QString>
#include <QStringList>
#include <memory>

namespace fso {

enum IOMode { ForReading = 1, ForWriting = 2, ForAppending = 8 };

// An open text file. Released (destroyed) without Close, it is closed and
// what was written is kept.
class TextStream {
public:
    ~TextStream();
    TextStream(const TextStream &) = delete;
    TextStream &operator=(const TextStream &) = delete;

    // Opens an existing file (or creates it when `create` is true); 53 when
    // it is absent, 76 when its folder is, 5 for an unknown mode.
    static std::unique_ptr<TextStream> open(const QString &path, IOMode mode = ForReading, bool create = false);
    // Creates a file for writing; 58 when it exists and `overwrite` is false.
    static std::unique_ptr<TextStream> create(const QString &path, bool overwrite = true);

    QString readLine();            // the next line without its end; 62 at the end
    QString readAll();             // the rest of the file; 62 at the end
    QString read(qint64 count);    // up to count characters; 62 at the end
    void write(const QString &text);
    void writeLine(const QString &text = {});
    void writeBlankLines(int count);
    void close();                  // a second Close does nothing

    bool atEndOfStream();          // 54 on a stream opened for writing
    void skipLine() { readLine(); } // 62 at the end
    void skip(qint64 count) { read(count); }
    int line() const { return m_line; } // 1 + line ends read or written so far
    int column() const { return m_column; } // 1 + characters since the last line end
    IOMode mode() const { return m_mode; }
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_file.fileName(); }

private:
    TextStream(const QString &path, IOMode mode);
    void requireReading();
    void requireWriting();
    void writeBytes(const QByteArray &bytes);
    void advance(const QByteArray &bytes); // line and column past these bytes

    QFile m_file;
    IOMode m_mode;
    int m_line = 1;
    int m_column = 1;
};

// Whole-file helpers for the common cases.
QString readAllText(const QString &path);                // "" for an empty file; 53 when absent
void writeTextFile(const QString &path, const QString &text, bool overwrite = true); // no line end added

bool fileExists(const QString &path);                    // false for a folder
bool folderExists(const QString &path);                  // false for a file
void createFolder(const QString &path);                  // 58 when it exists, 76 when its parent is missing
void deleteFile(const QString &fileSpec, bool force = false); // wildcards in the last part; 70 for read-only unless force
// Deletes folders with everything in them; wildcards in the last part; 76
// when none is found; 70 when one holds a read-only file, unless force.
void deleteFolder(const QString &folderSpec, bool force = false);
QString getAbsolutePathName(const QString &path); // the full, clean path ("" is the current folder)
void moveFile(const QString &source, const QString &destination);
void copyFile(const QString &source, const QString &destination, bool overwrite = true);

// A destination ending in "/" names the folder that receives the file, as do
// several sources (wildcards). Path texts only, nothing is touched:
QString getFileName(const QString &path);                // last part; a trailing "/" is ignored
QString getBaseName(const QString &path);                // last part without its extension
QString getExtensionName(const QString &path);           // text after the last "." of the last part
QString getParentFolderName(const QString &path);        // "" when there is none
QString buildPath(const QString &path, const QString &name);

// The code page of every text file (that of vb/TextFile.h, 1252): writing a
// character it cannot hold is error 5 naming the character and `path`, and
// writes nothing of that text, since a "?" would lose it silently.
QString fromFileBytes(const QByteArray &bytes);
QByteArray toFileBytes(const QString &text, const QString &path);

} // namespace fso
