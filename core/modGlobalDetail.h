#pragma once
// Helpers shared by the routines of the shared module; not part of its interface.

#include "ado/Recordset.h"
#include "ado/Sql.h"
#include "vb/VbError.h"

#include <QString>
#include <QStringList>
#include <memory>

namespace modGlobal::detail {

// A record set opened on `statement` over cnDatabase (3709 when the
// connection was never set).
std::shared_ptr<ado::Recordset> openRecordset(const QString &statement, int cursorType, int lockType);
// The same with values bound to the statement's placeholders.
std::shared_ptr<ado::Recordset> openRecordset(const QString &statement, const ado::Parameters &values, int cursorType,
                                              int lockType);

// The text of a field, Null giving empty text: an unset column contributes
// nothing to what is built from it.
QString fieldText(const ado::Field &field);

// Element n of a split segment; 9 (subscript out of range) when it has fewer.
QString part(const QStringList &parts, int n);

// The character of a stored delimiter code (single-byte code page);
// 5 (invalid procedure call) outside 0..255.
QString codeToCharacter(int32_t code);

// Whether two control numbers are the same number: all-digit texts compare
// by value (leading zeros and surrounding blanks ignored), anything else as
// exact text.
bool sameControlNumber(const QString &a, const QString &b);

} // namespace modGlobal::detail
