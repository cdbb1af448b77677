#pragma once
// Shared helpers of the data-layer tests.

#include "ErrorOf.h"
#include "ado/Recordset.h"
#include "vb/VbError.h"

#include <QString>
#include <functional>

namespace adotest {

using corvantis::test::errorOf;

// Counts the rows of a statement.
inline long countRows(ado::Connection &cn, const QString &statement)
{
    ado::Recordset rs;
    rs.Open(statement, cn, ado::adOpenKeyset, ado::adLockReadOnly);
    const long n = rs.RecordCount();
    rs.Close();
    return n;
}

inline QString text(const ado::Field &f)
{
    const vb::Variant v = f.Value();
    return v.isNull() ? QStringLiteral("<null>") : v.toString();
}

} // namespace adotest
