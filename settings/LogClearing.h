#pragma once
// Emptying the History or the Exchange log.

#include <QString>

namespace ado {
class Connection;
}

namespace settings {

// Deletes every row of table "History" or "Exchange" in one transaction and
// returns how many went. Any failure rolls the table back whole and raises;
// nothing is half cleared, and the walk cannot run forever on a set that
// never reaches its end.
long ClearLog(ado::Connection &connection, const QString &table);

} // namespace settings
