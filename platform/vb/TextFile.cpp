#include "TextFile.h"

#include "AtomicFile.h"
#include "VbError.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>

namespace vb {

QString fromWindows1252(QByteArrayView bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t *dst = reinterpret_cast<char16_t *>(out.data());
    const char *src = bytes.data();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        dst[i] = windows1252Char(uchar(src[i]));
    return out;
}

int windows1252Byte(char16_t c)
{
    if (c <= 0xFF)
        return c;
    for (int i = 0; i < 32; ++i) {
        if (kWindows1252High[i] == c)
            return 0x80 + i;
    }
    return -1;
}

qsizetype firstOutsideWindows1252(QStringView text)
{
    const char16_t *src = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (src[i] > 0xFF && windows1252Byte(src[i]) < 0)
            return i;
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
        if (c <= 0xFF) {
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

QString notInWindows1252(char16_t c)
{
    return QStringLiteral("the character U+%1 is not in the Windows code page 1252")
        .arg(QString::number(c, 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

QByteArray toWindows1252(QStringView text, const QString &where)
{
    QByteArray out;
    if (const qsizetype bad = appendWindows1252(out, text); bad >= 0)
        raise(5, QStringLiteral("Invalid procedure call or argument: ") + (where.isEmpty() ? QString() : where + QStringLiteral(": "))
                     + notInWindows1252(text[bad].unicode()) + QStringLiteral(" (position %1)").arg(bad + 1));
    return out;
}

QString shownAsWindows1252(const QString &text)
{
    const char16_t *src = reinterpret_cast<const char16_t *>(text.constData());
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n && (src[i] < 0x80 || src[i] >= 0xA0))
        ++i;
    if (i == n)
        return text;
    QString out = text;
    char16_t *dst = reinterpret_cast<char16_t *>(out.data());
    for (; i < n; ++i) {
        if (dst[i] >= 0x80 && dst[i] < 0xA0)
            dst[i] = kWindows1252High[dst[i] - 0x80];
    }
    return out;
}

QString readWindows1252File(const QString &path)
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
    return fromWindows1252(bytes);
}

void writeWindows1252File(const QString &path, const QString &text)
{
    const QByteArray bytes = toWindows1252(text, path);
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
