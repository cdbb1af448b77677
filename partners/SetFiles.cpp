#include "partners/SetFiles.h"

#include "core/SetKey.h"

#include "vb/AppInfo.h"
#include "vb/Settings.h"
#include "vb/VbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace partners {

QString setKey(const QString &partner, const QString &transaction, const QString &version,
               const QString &direction)
{
    const QString key = core::SetKey{partner, transaction, version, direction}.fileStem();
    bool bad = key == QLatin1String(".") || key == QLatin1String("..");
    for (QChar c : key)
        bad = bad || c == QLatin1Char('/') || c.unicode() < 32 || c.unicode() == 127;
    if (bad)
        vb::raise(52, QStringLiteral("Bad file name or number: ") + key);
    return key;
}

QString folderSetting(const QString &key)
{
    return vb::GetSetting(QStringLiteral("Corvantis"), QStringLiteral("Folders"), key, vb::AppInfo::path());
}

void createEmptyFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        vb::raise(75, QStringLiteral("Path/File access error: ") + path);
    file.close();
}

void refuseUnwritable(const QString &path)
{
    const QFileInfo file(path);
    const QFileInfo folder(file.absolutePath());
    const bool fits = file.exists() ? file.isFile() && file.isWritable() : folder.isDir() && folder.isWritable();
    if (!fits)
        vb::raise(75, QStringLiteral("Path/File access error: ") + path);
}

QStringList renameSetFiles(const QString &oldPartner, const QString &newPartner, const QString &transaction,
                           const QString &version, const QString &direction)
{
    struct Kind {
        const char *folder;
        const char *extension;
        const char *direction; // nullptr: both
    };
    static const Kind kinds[] = {
        {"Import", ".IMP", "O"}, {"Export", ".EXP", "I"}, {"ActiveX", ".ADO", nullptr},
        {"Reports", ".ttx", nullptr}, {"Reports", ".rpt", nullptr},
    };
    QStringList problems;
    QString oldKey, newKey;
    try {
        oldKey = setKey(oldPartner, transaction, version, direction);
        newKey = setKey(newPartner, transaction, version, direction);
    } catch (const vb::VbError &e) {
        problems << e.description;
        return problems;
    }
    for (const Kind &kind : kinds) {
        if (kind.direction && direction != QLatin1String(kind.direction))
            continue;
        const QString folder = folderSetting(QString::fromLatin1(kind.folder));
        const QString from = folder + QLatin1Char('/') + oldKey + QLatin1String(kind.extension);
        const QString to = folder + QLatin1Char('/') + newKey + QLatin1String(kind.extension);
        if (!QFileInfo::exists(from) || from == to)
            continue;
        if (QFileInfo::exists(to)) {
            problems << QStringLiteral("%1 was not renamed: %2 exists already.").arg(from, to);
            continue;
        }
        if (!QFile::rename(from, to))
            problems << QStringLiteral("%1 could not be renamed to %2.").arg(from, to);
    }
    return problems;
}

} // namespace partners
