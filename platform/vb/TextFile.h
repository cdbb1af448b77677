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
// fails). Errors: 76 when the folder does not exist, 75 when the file cannot
// be written, 5 when the text holds a character beyond code 255 (it has no
// byte; writing "?" instead would lose it silently).
void writeLatin1File(const QString &path, const QString &text);

// Latin-1 conversions with the same rule.
QString fromLatin1Bytes(const QByteArray &bytes);
QByteArray toLatin1Bytes(const QString &text);

} // namespace vb
