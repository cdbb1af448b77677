#pragma once
// Shared helpers of the data-layer tests.

#include "ErrorOf.h"
#include "ado/Recordset.h"
#include "vb/VbError.h"

#include <QProcess>
#include <QString>
#include <functional>
#include <gtest/gtest.h>

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

// Adds `rows` History entries of about 2 KB of type `tag` in one
// transaction: enough of them leave a log that takes a while to fold in.
inline void addRows(ado::Connection &cn, int rows, const QString &tag)
{
    cn.BeginTrans();
    const QString filler(2000, QLatin1Char('x'));
    for (int i = 0; i < rows; ++i)
        cn.Execute("INSERT INTO History (Type, Description) VALUES (?, ?)",
                   {vb::Variant(tag), vb::Variant(QString::number(i) + filler)});
    cn.CommitTrans();
}

inline QString text(const ado::Field &f)
{
    const vb::Variant v = f.Value();
    return v.isNull() ? QStringLiteral("<null>") : v.toString();
}

// Runs `process` (set up by the caller) to its end, at most `seconds`; false,
// with a failure naming `what`, when it does not start or end in time.
inline bool runToEnd(QProcess &process, const QString &program, const QStringList &arguments, const char *what,
                     int seconds = 30)
{
    process.start(program, arguments);
    if (!process.waitForStarted(10000)) {
        ADD_FAILURE() << what << " did not start";
        return false;
    }
    if (!process.waitForFinished(seconds * 1000)) {
        process.kill();
        process.waitForFinished(5000);
        ADD_FAILURE() << what << " did not end within " << seconds << " s";
        return false;
    }
    return true;
}

} // namespace adotest
