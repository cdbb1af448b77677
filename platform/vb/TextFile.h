#pragma once
// Whole-file read and write of the system's 8-bit text files (interchanges,
// import files, record definitions): one byte per character, Latin-1, so
// every byte 0-255 comes back as it was.

#include <QByteArray>
#include <QString>

namespace vb {

// Errors: 53 "File not found" (no such file), 76 "Path not found" (no such
// folder), 75 "Path/File access error" (a folder, or no permission).
QString readLatin1File(const QString &path);

// Replaces the file as a whole (the old content stays intact when the write
// fails, a full disk included). Errors: 76 when the folder does not exist, 75
// when the file cannot be written (naming it and the system's reason), 5 when the text holds a character beyond code 255 (it has no
// byte; writing "?" instead would lose it silently).
void writeLatin1File(const QString &path, const QString &text);

// Latin-1 conversions with the same rule.
QString fromLatin1Bytes(const QByteArray &bytes);
QByteArray toLatin1Bytes(const QString &text);

// Windows code page 1252, the character set of the text files that users'
// spreadsheets and partners' Windows tools read and write: Latin-1 in the
// printable range, with the euro sign, curly quotes, dashes and the like in
// 0x80-0x9F. The five bytes the code page leaves undefined (0x81, 0x8D, 0x8F,
// 0x90, 0x9D) stand for the control characters of the same number, so every
// byte comes back as it was.
QString fromWindows1252(const QByteArray &bytes);
// The byte of `c`, or -1 when the code page has none.
int windows1252Byte(char16_t c);
// Appends `text` to `out`; returns -1, or the position of the first character
// the code page cannot hold (then `out` is left as it was).
qsizetype appendWindows1252(QByteArray &out, QStringView text);
// The same as one value; a character the code page cannot hold is error 5.
QByteArray toWindows1252(const QString &text);

} // namespace vb
