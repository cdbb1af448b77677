#include "settings/LogClearing.h"

#include "ado/Connection.h"
#include "ado/Transaction.h"
#include "ado/Recordset.h"
#include "vb/VbError.h"

namespace settings {

long ClearLog(ado::Connection &connection, const QString &table)
{
    if (table != QLatin1String("History") && table != QLatin1String("Exchange"))
        vb::raise(5, QStringLiteral("Not a log table: ") + table);
    ado::Transaction tx(connection);
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM ") + table, connection, ado::adOpenKeyset, ado::adLockOptimistic);
    // The walk is bounded by the rows the set opened with.
    const long rows = rs.RecordCount();
    long deleted = 0;
    if (!rs.Eof())
        rs.MoveFirst();
    while (!rs.Eof() && deleted < rows) {
        rs.Delete();
        ++deleted;
        rs.MoveNext();
    }
    rs.Close();
    tx.commit();
    return deleted;
}

} // namespace settings
