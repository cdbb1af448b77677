#pragma once
// The plain rules of start-up: one running instance, the splash texts, the
// account checks and the folder settings a login seeds.

#include <QString>
#include <QStringList>
#include <memory>

class QLockFile;

namespace mainwindow {

// Holds the lock that marks this program as running. The lock file lives in
// the user's runtime folder unless another path is given (tests).
class SingleInstance {
public:
    explicit SingleInstance(QString lockPath = {});
    ~SingleInstance();
    // True when no other instance holds the lock; this one holds it from now on.
    bool acquire();
    QString lockPath() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

// "The file' <folder>/<name>.exe' is already open."
QString alreadyOpenMessage(const QString &programFolder, const QString &exeName);

// The splash labels.
QString buildDateLabel(); // "Build Date: March 5, 2021" or "Build Date: Developing"
QString versionLabel();   // "Version 1.0.0"

// The account dialog's checks, in the order Apply makes them. Empty text when
// they pass, else the message to show.
QString checkAccountForApply(const QString &userName, const QString &password, const QString &confirm);
QString checkAccountForOk(const QString &password, const QString &confirm);

// The `Folders` keys a login fills when empty, in order.
const QStringList &seededFolderKeys();
// Sets each empty key to <programFolder>/<key>; keys that hold text stay.
void seedFolderSettings(const QString &programFolder);
// Creates each working folder those keys name that does not exist yet, so
// the first acknowledgement or export of a new installation has somewhere to
// go; also what the Reports folder holds (sections::placeReportsContents).
// Returns the folders (or file) that could not be created.
QStringList createWorkingFolders();
// Removes what writers killed mid-file (a power cut, a kill) left in the
// working folders and the Reports folder's Export subfolder: their hidden
// temporary files. An outbound run's unnamed file stays: the next run
// finishes it. Only while this instance is the one running. Returns the
// paths removed.
QStringList removeUnfinishedFiles();

} // namespace mainwindow
