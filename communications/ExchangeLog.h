#pragma once
// The Exchange log: one row per event of a network exchange in the table
// `Exchange` (Type, Date, Time, User, Description; Index is the database's).

#include <QString>

namespace communications {

// Adds one Exchange row with the current user. The clock is read once, so the
// stored date and time name the same moment. A failure shows a message box
// with the error's text and loses the entry; the caller never sees an error.
void LogExchange(const QString &strType, const QString &strDescription);

} // namespace communications
