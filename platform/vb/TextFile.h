#pragma once
// The system's one 8-bit code page, wherever bytes become text or text
// becomes bytes: interchanges, import files, exports, record and report
// definitions, script text files. It is the Windows code page 1252, the
// character set of the files that partners' Windows tools and users'
// spreadsheets write: Latin-1 in the printable range, with the euro sign,
// curly quotes, dashes and the like in 0x80-0x9F. The five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the control
// characters of the same number, so every byte read comes back out as it was.
//
// Text stored by earlier versions holds U+0080-U+009F for the bytes
// 0x80-0x9F (they read the files as Latin-1): such a character is written as
// the same byte, so old rows go out exactly as they came in, and is shown as
// the character it stands for.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace vb {

// Code points of the bytes 0x80-0x9F; the undefined ones stand for themselves.
inline constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The character of byte `b`.
inline char16_t windows1252Char(unsigned char b)
{
    return b >= 0x80 && b < 0xA0 ? kWindows1252High[b - 0x80] : char16_t(b);
}

QString fromWindows1252(QByteArrayView bytes);
// The byte of `c`, or -1 when the code page has none. U+0080-U+009F (text
// of earlier versions) is the byte of the same number.
int windows1252Byte(char16_t c);
// The position of the first character of `text` the code page cannot hold,
// or -1.
qsizetype firstOutsideWindows1252(QStringView text);
// Appends `text` to `out`; returns -1, or the position of the first character
// the code page cannot hold (then `out` is left as it was).
qsizetype appendWindows1252(QByteArray &out, QStringView text);
// The same as one value; a character the code page cannot hold is error 5,
// its message naming `where` (the file, or the record and field) when given.
QByteArray toWindows1252(QStringView text, const QString &where = {});
// Why `c` cannot be written: "the character U+4E2D is not in the Windows
// code page 1252".
QString notInWindows1252(char16_t c);
// `text` as it is shown: U+0080-U+009F of earlier versions as the characters
// the code page gives their bytes (U+0093 as U+201C).
QString shownAsWindows1252(const QString &text);

// Whole-file read and write of 8-bit text files in the code page.
// Errors: 53 "File not found" (no such file), 76 "Path not found" (no such
// folder), 75 "Path/File access error" (a folder, or no permission).
QString readWindows1252File(const QString &path);

// Replaces the file as a whole (the old content stays intact when the write
// fails, a full disk included). Errors: 76 when the folder does not exist, 75
// when the file cannot be written (naming it and the system's reason), 5 when
// the text holds a character the code page cannot hold (naming it and the
// file; writing "?" instead would lose it silently).
void writeWindows1252File(const QString &path, const QString &text);

} // namespace vb
