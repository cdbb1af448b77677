#pragma once
// Rows for the connected tests, added the way the program adds them: through
// record sets.

#include "ado/Recordset.h"

#include <QString>
#include <QStringList>
#include <initializer_list>
#include <utility>
#include <vector>

namespace adotest {

using Values = std::vector<std::pair<QString, vb::Variant>>;

inline void addRow(ado::Connection &cn, const QString &table, const Values &values)
{
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM ") + table, cn, ado::adOpenDynamic, ado::adLockOptimistic);
    rs.AddNew();
    for (const auto &[name, value] : values)
        rs(name) = value;
    rs.Update();
    rs.Close();
}

// A mailbox row with the 17 columns; `n` varies the texts.
inline Values mailboxRow(const QString &partner, const QString &transaction, int n)
{
    return {{"Partner", partner},
            {"Transaction", transaction},
            {"Version", "004010"},
            {"Date", QStringLiteral("01/%1/2026").arg(n % 3 + 1)},
            {"Time", QStringLiteral("0%1:00 AM").arg(n % 2 + 1)},
            {"Used", n % 2 ? "P" : "T"},
            {"InterchangeControlNumber", QStringLiteral("%1").arg(100000000 + n % 4, 9, 10, QLatin1Char('0'))},
            {"GroupControlNumber", QString::number(1000 + n % 3)},
            {"FunctionalGroup", "PO"},
            {"SenderID", QStringLiteral("SENDER%1        ").arg(n % 2)},
            {"SenderDivision", n % 2 ? "div" : "DIV"},
            {"ReceiverID", "RECEIVER       "},
            {"ReceiverDivision", QStringLiteral("R%1").arg(n % 3)},
            {"Direction", "I"},
            {"Acknowledged", n % 3 == 0 ? "No" : (n % 3 == 1 ? "Yes" : "Void")},
            {"Status", n % 2 ? "Closed" : "Validated"},
            {"TSet", QStringLiteral("ST*850*%1~SE*2*%1~").arg(n, 4, 10, QLatin1Char('0'))}};
}

inline QStringList mailboxColumns()
{
    return {"Acknowledged", "Partner", "Transaction", "Version", "Date", "Time", "Used", "InterchangeControlNumber",
            "GroupControlNumber", "SenderID", "SenderDivision", "ReceiverID", "ReceiverDivision"};
}

inline QStringList logColumns()
{
    return {"Type", "Index", "Date", "Time", "User", "Description"};
}

} // namespace adotest
