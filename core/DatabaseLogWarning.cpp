#include "core/DatabaseLogWarning.h"
#include "core/modGlobal.h"

#include "ado/Connection.h"

#include <QFileInfo>

namespace modGlobal {

QString LogFoldWarningText(const QString &databaseFile, const QString &reason)
{
    return QStringLiteral("The changes kept in the log of the database %1 could not be written into it: %2. "
                          "They are safe in the log; writing them is tried again at the next change.")
        .arg(QFileInfo(databaseFile).fileName(), reason);
}

void WatchLogFolding(ado::Connection &connection)
{
    const QString file = connection.databasePath();
    connection.setLogFoldFailureListener(
        [file](const QString &reason) { LogHistory(QStringLiteral("Warning"), LogFoldWarningText(file, reason)); });
}

} // namespace modGlobal
