#include "mainwindow/Startup.h"

#include "core/SettingsSections.h"
#include "translation/OutboundTranslation.h"
#include "vb/AppInfo.h"
#include "vb/AtomicFile.h"
#include "vb/Settings.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QLockFile>
#include <QStandardPaths>

namespace mainwindow {

SingleInstance::SingleInstance(QString lockPath) : m_path(std::move(lockPath))
{
    if (m_path.isEmpty()) {
        QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (folder.isEmpty())
            folder = QDir::tempPath();
        m_path = folder + QStringLiteral("/Corvantis.lock");
    }
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::acquire()
{
    if (m_lock && m_lock->isLocked())
        return true;
    m_lock = std::make_unique<QLockFile>(m_path);
    // A lock left by an instance that is no longer running is taken over;
    // a running instance's lock never grows stale with age.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0))
        return true;
    m_lock.reset();
    return false;
}

QString alreadyOpenMessage(const QString &programFolder, const QString &exeName)
{
    return QStringLiteral("The file' ") + programFolder + QLatin1Char('/') + exeName +
           QStringLiteral(".exe' is already open.");
}

QString buildDateLabel()
{
    const auto date = vb::AppInfo::buildDate();
    if (!date || !date->isValid())
        return QStringLiteral("Build Date: Developing");
    return QStringLiteral("Build Date: ") + QLocale::c().toString(date->date(), QStringLiteral("MMMM d, yyyy"));
}

QString versionLabel()
{
    return QStringLiteral("Version %1.%2.%3").arg(vb::AppInfo::major()).arg(vb::AppInfo::minor()).arg(vb::AppInfo::revision());
}

QString checkAccountForApply(const QString &userName, const QString &password, const QString &confirm)
{
    if (userName.size() < 4)
        return QStringLiteral("User Name to short Min. 4!");
    if (password.size() < 4)
        return QStringLiteral("Password to short Min. 4!");
    return checkAccountForOk(password, confirm);
}

QString checkAccountForOk(const QString &password, const QString &confirm)
{
    if (password != confirm)
        return QStringLiteral("Confirm Password!");
    return {};
}

const QStringList &seededFolderKeys()
{
    static const QStringList keys{QStringLiteral("Export"), QStringLiteral("Import"), QStringLiteral("Inbound"),
                                  QStringLiteral("Outbound"), QStringLiteral("Sent"), QStringLiteral("Reports"),
                                  QStringLiteral("ActiveX")};
    return keys;
}

void seedFolderSettings(const QString &programFolder)
{
    const QString app = vb::AppInfo::title();
    for (const QString &key : seededFolderKeys()) {
        if (vb::GetSetting(app, QStringLiteral("Folders"), key, QString()).isEmpty())
            vb::SaveSetting(app, QStringLiteral("Folders"), key, programFolder + QLatin1Char('/') + key);
    }
}

QStringList createWorkingFolders()
{
    const QString app = vb::AppInfo::title();
    QStringList failed;
    for (const QString &key : seededFolderKeys()) {
        const QString folder = vb::GetSetting(app, QStringLiteral("Folders"), key, QString());
        if (folder.isEmpty() || QFileInfo(folder).isDir())
            continue;
        if (!QDir().mkpath(folder))
            failed << folder;
    }
    failed << sections::placeReportsContents(
        vb::GetSetting(app, QStringLiteral("Folders"), QStringLiteral("Reports"), QString()));
    return failed;
}

QStringList removeUnfinishedFiles()
{
    QStringList folders;
    for (const char *key : sections::folderKeys())
        folders << QDir(sections::folder(QString::fromLatin1(key))).absolutePath();
    folders << QDir(sections::folder(QStringLiteral("Reports")) + QStringLiteral("/Export")).absolutePath();
    folders.removeDuplicates();
    const QString pending = QLatin1Char('.') + QLatin1String(translation::OutboundTranslation::kPendingKind);
    QStringList removed;
    for (const QString &folder : std::as_const(folders))
        removed << vb::AtomicFile::removeLeftovers(folder, [&](const QString &target) { return target.endsWith(pending); });
    return removed;
}

} // namespace mainwindow
