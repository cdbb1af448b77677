#include "core/loader/InterchangeFile.h"

#include "vb/AppInfo.h"
#include "vb/Settings.h"
#include "vb/VbError.h"

#include <QDir>
#include <QFile>

namespace core {

QString WriteNewInterchangeFile(const QString &folder, const QString &stem, const QString &text)
{
    const QByteArray bytes = text.toLatin1();
    // A clock second holds few files; the bound only stops a folder that
    // refuses every name from looping forever.
    for (int sequence = 1; sequence <= 100000; ++sequence) {
        const QString name = sequence == 1 ? stem + QStringLiteral(".OC")
                                           : stem + QStringLiteral("-%1.OC").arg(sequence);
        const QString path = QDir(folder).filePath(name);
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            const bool written = file.write(bytes) == bytes.size();
            file.close();
            if (!written || file.error() != QFile::NoError) {
                QFile::remove(path);
                vb::raise(75, QStringLiteral("Path/File access error: ") + path);
            }
            return path;
        }
        if (!QFile::exists(path))
            vb::raise(75, QStringLiteral("Path/File access error: ") + path);
    }
    vb::raise(75, QStringLiteral("Path/File access error: ") + QDir(folder).filePath(stem + QStringLiteral(".OC")));
}

QString OutboundFolder()
{
    return vb::GetSetting(QStringLiteral("Corvantis"), QStringLiteral("Folders"), QStringLiteral("Outbound"),
                          vb::AppInfo::path());
}

} // namespace core
