#include "TextFile.h"

#include "AtomicFile.h"
#include "VbError.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

namespace vb {

QString fromLatin1Bytes(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes);
}

QByteArray toLatin1Bytes(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].unicode() > 0xFF) {
            const QString code = QString::number(text[i].unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'));
            raise(5, QStringLiteral("Invalid procedure call or argument: character U+%1 at position %2 has no 8-bit form")
                         .arg(code)
                         .arg(i + 1));
        }
    }
    return text.toLatin1();
}

namespace {

// Code points of the bytes 0x80-0x9F; the undefined ones stand for themselves.
constexpr char16_t kHigh1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

} // namespace

QString fromWindows1252(const QByteArray &bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t *dst = reinterpret_cast<char16_t *>(out.data());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uchar b = uchar(bytes[i]);
        dst[i] = b >= 0x80 && b < 0xA0 ? kHigh1252[b - 0x80] : char16_t(b);
    }
    return out;
}

int windows1252Byte(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (kHigh1252[i] == c)
            return 0x80 + i;
    }
    return -1;
}

qsizetype appendWindows1252(QByteArray &out, QStringView text)
{
    const qsizetype n = text.size();
    const char16_t *src = text.utf16();
    const qsizetype at = out.size();
    out.resize(at + n);
    char *dst = out.data() + at;
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = src[i];
        if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) {
            dst[i] = char(c);
            continue;
        }
        const int b = windows1252Byte(c);
        if (b < 0) {
            out.resize(at);
            return i;
        }
        dst[i] = char(b);
    }
    return -1;
}

QByteArray toWindows1252(const QString &text)
{
    QByteArray out;
    if (const qsizetype bad = appendWindows1252(out, text); bad >= 0) {
        const QString code = QString::number(text[bad].unicode(), 16).toUpper().rightJustified(4, QLatin1Char('0'));
        raise(5, QStringLiteral("Invalid procedure call or argument: character U+%1 at position %2 is not in the Windows code page 1252")
                     .arg(code)
                     .arg(bad + 1));
    }
    return out;
}

QString readLatin1File(const QString &path)
{
    const QFileInfo info(path);
    if (path.isEmpty())
        raise(53);
    if (!info.exists()) {
        if (!info.absoluteDir().exists())
            raise(76);
        raise(53);
    }
    if (info.isDir())
        raise(75);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        raise(75);
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        raise(75);
    return fromLatin1Bytes(bytes);
}

void writeLatin1File(const QString &path, const QString &text)
{
    const QByteArray bytes = toLatin1Bytes(text);
    const QFileInfo info(path);
    if (path.isEmpty())
        raise(75);
    if (!info.absoluteDir().exists())
        raise(76);
    if (info.isDir())
        raise(75);
    writeFileAtomically(path, [&](QIODevice &out) { out.write(bytes); }, 75);
}

} // namespace vb
