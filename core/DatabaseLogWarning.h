#pragma once
// A failed fold of the database's log (a full disk) goes to History as one
// "Warning" per cause, with the database's reason. The data layer tells it
// on the connection's own thread, outside any commit; History defers it
// like any other entry while another task's work holds the database.

#include <QString>

namespace ado {
class Connection;
}

namespace modGlobal {

void WatchLogFolding(ado::Connection &connection);

// The History text for a failed fold of the log of `databaseFile`.
QString LogFoldWarningText(const QString &databaseFile, const QString &reason);

} // namespace modGlobal
