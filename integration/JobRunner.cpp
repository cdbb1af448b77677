#include "integration/JobRunner.h"

#include "core/BusyScope.h"
#include "core/modGlobal.h"
#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "ado/Transaction.h"
#include "vb/VbError.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace integration {

namespace {

bool g_running = false;

void missing(const char *what)
{
    vb::raise(5, u"The "_s + QString::fromLatin1(what) + u" is not available here"_s);
}

} // namespace

JobRunner::JobRunner(JobServices services) : m_services(std::move(services)) {}

bool JobRunner::isRunning()
{
    return g_running;
}

QString JobRunner::ProcessFailedText(const Job &job)
{
    return u"Process Failed - "_s + job.key();
}

bool JobRunner::RunJob(const Job &job)
{
    if (g_running) {
        modGlobal::LogHistory(u"Warning"_s, u"A job is already running: "_s + job.key() + u" was not started"_s);
        return false;
    }
    // Exit and other long work are refused while the job's commands yield.
    core::BusyScope scope(u"Integration"_s, modGlobal::cnDatabase);
    if (!scope.acquired()) {
        core::BusyScope::refuse(u"Integration job "_s + job.key(), true);
        return false;
    }
    g_running = true;
    struct Done {
        ~Done() { g_running = false; }
    } done;
    try {
        if (job.executeSql) {
            if (!m_services.runQuery)
                missing("query of the outside data source");
            // Never send import files of an earlier run or half-written ones.
            if (!m_services.runQuery(job)) {
                modGlobal::LogHistory(u"Error"_s, ProcessFailedText(job));
                return false;
            }
        }
        if (job.direction == u"O"_s) {
            if (!m_services.processOutbound)
                missing("outbound translation");
            // The run records its own "Process Failed - " entry.
            return m_services.processOutbound(job);
        }
        return processInbound(job);
    } catch (const std::exception &error) {
        modGlobal::ReportError(error);
    }
    modGlobal::LogHistory(u"Error"_s, ProcessFailedText(job));
    return false;
}

bool JobRunner::processInbound(const Job &job)
{
    if (!m_services.selectInbox)
        missing("Inbox selection");
    const std::vector<qint64> rows = m_services.selectInbox(job);
    if (rows.empty()) {
        modGlobal::LogHistory(u"Warning"_s, u"There are no Transactions to process! "_s + job.key());
        return true;
    }
    auto failed = [&] {
        modGlobal::LogHistory(u"Error"_s, ProcessFailedText(job));
        return false;
    };
    // A 997 is never acknowledged, whatever its stored flag says.
    if (job.acknowledge && job.transaction != u"997"_s) {
        if (!m_services.acknowledge)
            missing("acknowledgement");
        if (!m_services.acknowledge(rows))
            return failed();
    }
    StepResult result = StepResult::Failed;
    if (job.activeX) {
        if (!m_services.activeX)
            missing("plug-in runner");
        result = m_services.activeX(rows, job.print ? 1 : 2);
    } else {
        if (!m_services.report)
            missing("report commands");
        result = m_services.report(rows, job.print);
    }
    if (result == StepResult::Failed)
        return failed();
    MoveRowsToRecycled(rows);
    if (m_services.refresh) {
        m_services.refresh(u"Inbox"_s);
        m_services.refresh(u"Recycled"_s);
    }
    if (result == StepResult::NoPreviousSchedule) {
        // These rows become the previous schedule of the next run.
        modGlobal::LogHistory(u"Information"_s, u"No previous schedule for "_s + job.key()
                                                    + u": the rows were moved to Recycled as the next previous schedule"_s);
        return true;
    }
    modGlobal::LogHistory(u"Info"_s, u"Processed complete! "_s + job.key());
    return true;
}

int JobRunner::MoveRowsToRecycled(const std::vector<qint64> &rowids)
{
    if (rowids.empty())
        return 0;
    if (!modGlobal::cnDatabase)
        vb::raise(3709);
    QStringList list;
    for (qint64 rowid : rowids)
        list << QString::number(rowid);
    static const QString columns = u"Partner, [Transaction], Version, Direction, [Date], [Time], Used, "
                                   "InterchangeControlNumber, GroupControlNumber, FunctionalGroup, SenderID, "
                                   "SenderDivision, ReceiverID, ReceiverDivision, Acknowledged, Status, TSet"_s;
    const QString where = u" WHERE rowid IN ("_s + list.join(u',') + u')';
    ado::Connection &cn = *modGlobal::cnDatabase;
    // Synced: the job's files are written; rows back in the Inbox after a
    // power cut would have the next run process them a second time.
    return ado::inTransaction(cn, [&] {
        ado::Recordset count;
        count.Open(u"SELECT count(*) AS n FROM Inbox"_s + where, cn, ado::adOpenForwardOnly, ado::adLockReadOnly);
        const int n = int(count(u"n"_s).Value().toLong());
        count.Close();
        cn.Execute(u"INSERT INTO Recycled ("_s + columns + u") SELECT "_s + columns + u" FROM Inbox"_s + where
                   + u" ORDER BY rowid"_s);
        cn.Execute(u"DELETE FROM Inbox"_s + where);
        return n;
    }, ado::Durability::Synced);
}

} // namespace integration
