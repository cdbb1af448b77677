#include "mainwindow/DatabaseSession.h"

#include "ado/Connection.h"
#include "core/DatabaseLogWarning.h"
#include "core/modGlobal.h"
#include "vb/AppInfo.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"
#include "vb/VbError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace mainwindow {

namespace {

const QString kDatabaseFile = QStringLiteral("Corvantis.mdb");
const QString kCompactedFile = QStringLiteral("NewCorvantis.mdb");

QString inFolder(const QString &folder, const QString &file)
{
    return folder + QLatin1Char('/') + file;
}

bool openOn(const QString &folder)
{
    try {
        auto connection = std::make_shared<ado::Connection>();
        connection->Open(modGlobal::ConnectionString(folder));
        modGlobal::WatchLogFolding(*connection);
        modGlobal::cnDatabase = connection;
        return true;
    } catch (const vb::VbError &e) {
        vb::MsgBox(e.description, vb::vbCritical);
        return false;
    }
}

} // namespace

QString databaseFolder()
{
    return vb::GetSetting(vb::AppInfo::title(), QStringLiteral("Folders"), QStringLiteral("Database"),
                          vb::AppInfo::path());
}

StartOutcome locateAndOpenDatabase()
{
    QString folder = databaseFolder();
    if (QFileInfo(inFolder(folder, kDatabaseFile)).isFile())
        return openOn(folder) ? StartOutcome::Continue : StartOutcome::EndProgram;
    for (;;) {
        const int answer = vb::MsgBox(QStringLiteral("Cannot find the application database Corvantis.mdb\r\n\r\n"
                                                     "Do you want to change the default folder or dirrectory?"),
                                      vb::vbQuestion | vb::vbYesNo);
        if (answer != vb::vbYes)
            return StartOutcome::EndProgram;
        vb::BrowseFolderRequest request;
        const auto chosen = vb::dialogService().browseFolder(request);
        if (!chosen)
            return StartOutcome::EndProgram;
        folder = QDir::cleanPath(*chosen);
        if (QFileInfo(inFolder(folder, kDatabaseFile)).isFile()) {
            if (!openOn(folder))
                return StartOutcome::EndProgram;
            vb::SaveSetting(vb::AppInfo::title(), QStringLiteral("Folders"), QStringLiteral("Database"), folder);
            return StartOutcome::Continue;
        }
    }
}

void closeAndCompactDatabase()
{
    if (modGlobal::cnDatabase) {
        modGlobal::cnDatabase->Close();
        modGlobal::cnDatabase.reset();
    }
    const QString folder = databaseFolder();
    const QString file = inFolder(folder, kDatabaseFile);
    if (!QFileInfo(file).isFile()) {
        vb::MsgBox(QStringLiteral("The folder or dirrectory location\r\n"
                                  "of this application database has been changed! \r\n\r\n"
                                  "This application will reference this location \r\n"
                                  "the next time the application is ran!\r\n"),
                   vb::vbInformation);
        return;
    }
    const QString leftOver = inFolder(folder, kCompactedFile);
    if (QFileInfo::exists(leftOver) && !QFile::remove(leftOver))
        vb::raise(75, QStringLiteral("Path/File access error"));
    ado::CompactDatabase(file, QString::fromLatin1(ado::kApplicationPassword));
}

} // namespace mainwindow
