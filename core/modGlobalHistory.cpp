// The error reporter, the History log and the statement behind a mailbox list.
#include "core/modGlobal.h"
#include "core/modGlobalDetail.h"

#include "vb/AppInfo.h"
#include "vb/Clock.h"
#include "vb/Dialogs.h"
#include "vb/Format.h"

#include <new>

namespace modGlobal {

namespace {

void setStatusText(const QString &text)
{
    if (const auto &show = mainWindowLink().setStatusText)
        show(text);
}

} // namespace

QString AppTitle()
{
    return vb::AppInfo::title();
}

QString ConnectionString(const QString &folder)
{
    return ado::applicationConnectionString(folder);
}

void ReportError(const vb::VbError &error)
{
    const int32_t number = error.number;
    const QString description = error.description;
    setStatusText(description);
    vb::MsgBox(description, vb::vbOKOnly | vb::vbCritical, AppTitle());
    LogHistory(QStringLiteral("Error"), QString::number(number) + QLatin1Char(' ') + error.recordedText());
}

void ReportError(const std::exception &error)
{
    if (auto *vbError = dynamic_cast<const vb::VbError *>(&error)) {
        ReportError(*vbError);
    } else if (dynamic_cast<const std::bad_alloc *>(&error)) {
        ReportError(vb::VbError(7));
    } else {
        ReportError(vb::VbError(51, vb::errorText(51) + QStringLiteral(": ") + QString::fromLocal8Bit(error.what())));
    }
}

namespace {

void writeHistory(const QString &strType, const QString &strDescription, const vb::Variant &now,
                  const QString &strUser)
{
    try {
        // A set that selects no row: opening "SELECT * FROM History" would
        // read every rowid of the table first, and appending must cost the
        // same at any size of the log.
        auto rs = detail::openRecordset(QStringLiteral("SELECT * FROM History WHERE 0 = 1"), ado::adOpenKeyset,
                                        ado::adLockOptimistic);

        const QString storedDate = vb::Format(now, QStringLiteral("mm/d/yyyy"));
        const QString time = vb::Format(now, QStringLiteral("hh:mm:ss AMPM"));

        rs->AddNew();
        rs->Fields(QStringLiteral("Type")) = strType;
        rs->Fields(QStringLiteral("Date")) = storedDate;
        rs->Fields(QStringLiteral("Time")) = time;
        rs->Fields(QStringLiteral("User")) = strUser;
        rs->Fields(QStringLiteral("Description")) = strDescription;
        rs->Update();

        HistoryEntry entry;
        entry.rowid = rs->rowid();
        entry.type = strType;
        entry.index = detail::fieldText(rs->Fields(QStringLiteral("Index")));
        entry.shownDate = vb::Format(now, QStringLiteral("m/d/yyyy"));
        entry.time = time;
        entry.user = strUser;
        entry.description = strDescription;
        rs->Close();
        rs.reset();

        // Only what was stored is shown.
        if (const auto &show = mainWindowLink().historyStored)
            show(entry);
        setStatusText(strDescription);
    } catch (const vb::VbError &e) {
        vb::MsgBox(e.description, vb::vbOKOnly | vb::vbCritical, AppTitle());
    } catch (const std::exception &e) {
        vb::MsgBox(QString::fromLocal8Bit(e.what()), vb::vbOKOnly | vb::vbCritical, AppTitle());
    }
}

} // namespace

void LogHistory(const QString &strType, const QString &strDescription)
{
    // One reading of the clock for the row and the item: the stored and the
    // shown entry name the same second, the one the entry was made in.
    const vb::Variant now = vb::Now();
    const QString user = strCurrentUser;
    WhenDatabaseFree([=] { writeHistory(strType, strDescription, now, user); });
}

void WhenDatabaseFree(std::function<void()> work)
{
    if (cnDatabase)
        cnDatabase->whenNoForeignTransaction(std::move(work));
    else
        work();
}

QString TransactionListStatement()
{
    return QStringLiteral("SELECT * FROM Transactions ORDER BY Transactions.Partner ASC");
}

QString BuildSortedSelect(const ListQuery &query)
{
    // A sort key outside the columns would give a statement without a table;
    // it is refused instead.
    const int column = query.sortKey;
    if (column < 0 || column >= query.columnKeys.size())
        vb::raise(380, QStringLiteral("Invalid property value: sort column ") + QString::number(column)
                           + QStringLiteral(" of list ") + query.table);
    return QStringLiteral("SELECT * FROM ") + query.table + QStringLiteral(" ORDER BY ") + query.columnKeys[column]
        + (query.sortOrder != 0 ? QStringLiteral(" DESC") : QStringLiteral(" ASC"));
}

} // namespace modGlobal
