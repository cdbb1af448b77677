#pragma once
// Unzipping and zipping for the network scripts. Extraction never writes
// outside its destination: entries with an absolute path, a ".." component,
// a backslash, a NUL or control character in their name, or a symbolic link
// are refused and named in the last message while the safe entries are
// written. Every file is written under a temporary name and renamed into
// place only when it is complete.

#include <QString>
#include <QStringList>

namespace zipfile {

// Result codes of Unzipper::run. 0 is success; every other code comes with a
// last message that says what went wrong and names the entries concerned.
enum UnzipCode : int {
    UnzipOk = 0,
    UnzipEntriesSkipped = 1,   // some entries refused or kept; the others were written
    UnzipBadArchive = 3,       // the archive or an entry is damaged (CRC, format)
    UnzipBadArguments = 10,    // no archive name or no destination folder
    UnzipCannotOpen = 9,       // the archive is missing or not a zip archive
    UnzipNothingMatched = 11,  // the patterns selected no entry
    UnzipWriteFailed = 50,     // a file could not be written; extraction stopped
};

class Unzipper {
public:
    QString archive;       // the zip file to read
    QString destination;   // the folder the entries are written below (must exist)
    // First setting: drop the folder part of entry names and write every file
    // straight into the destination.
    bool junkPaths = false;
    // Second setting: replace files that already exist. When false an existing
    // file is kept, the entry is skipped and named.
    bool overwrite = true;

    // Extracts the entries whose name matches one of the blank- or
    // semicolon-separated wildcard patterns of `include` (empty: every entry)
    // and none of `exclude`. Returns an UnzipCode.
    int run(const QString &include = {}, const QString &exclude = {});

    QString lastMessage() const { return m_message; }
    QStringList extracted() const { return m_extracted; } // destination paths of the files written
    QStringList refused() const { return m_refused; }     // entry names refused as unsafe

private:
    QString m_message;
    QStringList m_extracted;
    QStringList m_refused;
};

class Zipper {
public:
    // Packs the one file `fileName` into `fileName` + ".zip" beside it (an
    // existing archive of that name is replaced only when the new one is
    // complete). The entry is the file's own name. Returns 0 on success,
    // otherwise a non-zero code with the reason in lastMessage().
    int zipFile(const QString &fileName);

    QString archivePath() const { return m_archive; }
    QString lastMessage() const { return m_message; }

private:
    QString m_archive;
    QString m_message;
};

// Why an entry name may not be written below a destination folder, or an empty
// text when it is safe. Exposed for the tests of the rule itself.
QString unsafeEntryReason(const QByteArray &rawName);

} // namespace zipfile
