#include "TextFile.h"

#include "VbError.h"

#include <QFile>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

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
    QSaveFile file(path);
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        raise(75);
    if (file.write(bytes) != bytes.size() || !file.commit())
        raise(75);
}

} // namespace vb
