#include "Library.h"

#include "vb/Settings.h"

#include <QFileInfo>

#include <dlfcn.h>

Q_LOGGING_CATEGORY(lcPlugins, "corvantis.plugins")

namespace lorvanne {

QString libraryFolder()
{
    Dl_info info{};
    if (dladdr(reinterpret_cast<void *>(&libraryFolder), &info) && info.dli_fname)
        return QFileInfo(QString::fromLocal8Bit(info.dli_fname)).absolutePath();
    return QFileInfo(QStringLiteral(".")).absoluteFilePath();
}

QString importFolder()
{
    return vb::GetSetting(QStringLiteral("Corvantis"), QStringLiteral("Folders"), QStringLiteral("Import"), libraryFolder());
}

QString databaseFolder()
{
    return vb::GetSetting(QStringLiteral("Corvantis"), QStringLiteral("Folders"), QStringLiteral("Database"), libraryFolder());
}

QString joinPath(const QString &folder, const QString &fileName)
{
    QString path = folder + QLatin1Char('/') + fileName;
    while (path.contains(QLatin1String("//")))
        path.replace(QLatin1String("//"), QLatin1String("/"));
    return path;
}

} // namespace lorvanne
