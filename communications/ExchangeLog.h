#pragma once
// The Exchange log: one row per event of a network exchange in the table
// `Exchange` (Type, Date, Time, User, Description; Index is the database's).

#include <QString>

namespace communications {

// Adds one Exchange row with the current user. The clock is read once, so the
// stored date and time name the same moment. A failure shows a message box
// with the error's text and loses the entry; the caller never sees an error.
// Made inside a yield of work whose transaction is open, the entry is written
// right after that transaction ends, in its order, with the time it was made.
void LogExchange(const QString &strType, const QString &strDescription);

} // namespace communications
