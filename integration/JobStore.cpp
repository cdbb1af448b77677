#include "integration/JobStore.h"

#include "core/modGlobal.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "ado/Sql.h"
#include "ado/Transaction.h"
#include "odbc/Odbc.h"
#include "vb/DateTime.h"
#include "vb/VbError.h"

using namespace Qt::StringLiterals;

namespace integration {

namespace {

const char *const kDayColumns[7] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

QString textOf(const ado::Recordset &rs, const QString &name)
{
    const vb::Variant value = rs(name).Value();
    return value.isNull() || value.isEmpty() ? QString() : value.toString();
}

// A flag counts only as the integer 1 (2, greyed, counts as clear).
bool flagOf(const ado::Recordset &rs, const QString &name)
{
    const vb::Variant value = rs(name).Value();
    return !value.isNull() && !value.isEmpty() && value.toLong() == 1;
}

int numberOf(const ado::Recordset &rs, const QString &name)
{
    const vb::Variant value = rs(name).Value();
    return value.isNull() || value.isEmpty() ? 0 : int(value.toLong());
}

JobRow rowOf(const ado::Recordset &rs)
{
    JobRow job;
    job.partner = textOf(rs, u"Partner"_s);
    job.transaction = textOf(rs, u"Transaction"_s);
    job.version = textOf(rs, u"Version"_s);
    job.direction = textOf(rs, u"Direction"_s);
    job.group = textOf(rs, u"Group"_s);
    job.versionOverride = textOf(rs, u"Versionoverride"_s);
    job.checkTime = flagOf(rs, u"CheckTime"_s);
    const vb::Variant time = rs(u"Time"_s).Value();
    job.time = time.isNull() || time.isEmpty() ? vb::oleToQDateTime(0) : vb::oleToQDateTime(time.toDate());
    job.checkInterval = flagOf(rs, u"CheckInterval"_s);
    // Ticking "Schedule every:" clears "Schedule at:".
    if (job.checkInterval)
        job.checkTime = false;
    job.interval = std::clamp(numberOf(rs, u"Interval"_s), 0, 5);
    for (int d = 0; d < 7; ++d)
        job.days[std::size_t(d)] = flagOf(rs, QString::fromLatin1(kDayColumns[d]));
    job.customActiveX = flagOf(rs, u"CustomActiveX"_s);
    job.print = flagOf(rs, u"print"_s);
    job.ack = flagOf(rs, u"Ack"_s);
    job.executeSql = flagOf(rs, u"ExecuteSQL"_s);
    job.exportFormat = std::clamp(numberOf(rs, u"ExportFormat"_s), 0, 27);
    job.dataSourceName = textOf(rs, u"DataSourceName"_s);
    job.userId = textOf(rs, u"UserId"_s);
    job.password = textOf(rs, u"Password"_s);
    job.database = textOf(rs, u"Database"_s);
    job.driver = textOf(rs, u"Driver"_s);
    job.server = textOf(rs, u"Server"_s);
    job.plus = DayBoxText(textOf(rs, u"Plus"_s));
    job.minus = DayBoxText(textOf(rs, u"Minus"_s));
    job.startDate = flagOf(rs, u"StartDate"_s);
    job.endDate = flagOf(rs, u"EndDate"_s);
    job.sql = textOf(rs, u"SQL"_s);
    return job;
}

// The job's Transactions row, opened with its key bound.
void openJobRow(ado::Recordset &rs, ado::Connection &cn, const JobRow &job, int cursorType, int lockType)
{
    const core::SetKey key = job.setKey();
    rs.Open(u"SELECT * FROM Transactions WHERE "_s + key.condition(u"Transactions"_s), key.values(), cn, cursorType,
            lockType);
}

vb::Variant flag(bool on)
{
    return vb::Variant(int16_t(on ? 1 : 0));
}

} // namespace

QString JobRow::key() const
{
    return setKey().fileStem();
}

bool JobRow::showsAcknowledgeAndPrint() const
{
    return direction != u"O"_s && transaction != u"997"_s;
}

const QStringList &IntervalNames()
{
    static const QStringList names{u"Every 15 Minutes"_s, u"Every 30 Minutes"_s, u"Every 45 Minutes"_s,
                                   u"Every 60 Minutes"_s, u"Every 75 Minutes"_s, u"Every 90 Minutes"_s};
    return names;
}

const QStringList &ExportFormatNames()
{
    static const QStringList names{
        u"Character-separated values (CHR)"_s, u"Comma-separated values (CSV)"_s, u"Crystal Reports (RPT)"_s,
        u"Crystal Reports 7.0 (RPT)"_s, u"Data Interchange Format (DIF)"_s, u"Rich Text (Exact) Format (RTF)"_s,
        u"Excel 5.0 (XLS)"_s, u"Excel 5.0 (Extended) (XLS)"_s, u"Excel 7.0 (XLS)"_s,
        u"Excel 7.0 (Extended) (XLS)"_s, u"Excel 8.0 (XLS)"_s, u"Excel 8.0 (Extended) (XLS)"_s,
        u"HTML 3.2 Standard (HTM)"_s, u"HTML 4.0 (HTM)"_s, u"Lotus 1-2-3 (WK1)"_s, u"Lotus 1-2-3 (WK3)"_s,
        u"Lotus 1-2-3 (WKS)"_s, u"No Format"_s, u"ODBC"_s, u"Paginated Text (TXT)"_s,
        u"Portable Document Format (PDF)"_s, u"Record style (REC)"_s, u"Report definition (TXT)"_s,
        u"Tab-separated text (TTX)"_s, u"Tab-separated values (TSV)"_s, u"Text (TXT)"_s,
        u"Word for Windows document (DOC)"_s, u"XML (XML)"_s};
    return names;
}

QString JobListStatement()
{
    return modGlobal::TransactionListStatement();
}

std::vector<JobRow> LoadJobs(ado::Connection &cn)
{
    std::vector<JobRow> jobs;
    ado::Recordset rs;
    rs.Open(JobListStatement(), cn, ado::adOpenForwardOnly, ado::adLockReadOnly);
    for (; !rs.Eof(); rs.MoveNext())
        jobs.push_back(rowOf(rs));
    rs.Close();
    return jobs;
}

JobRow LoadJob(ado::Connection &cn, const JobRow &key)
{
    ado::Recordset rs;
    openJobRow(rs, cn, key, ado::adOpenForwardOnly, ado::adLockReadOnly);
    if (rs.Eof())
        vb::raise(3021);
    JobRow job = rowOf(rs);
    rs.Close();
    return job;
}

void SaveJob(ado::Connection &cn, const JobRow &job)
{
    ado::Recordset rs;
    openJobRow(rs, cn, job, ado::adOpenKeyset, ado::adLockOptimistic);
    if (rs.Eof())
        vb::raise(3021);
    ado::writeRow(rs, [&] {
        rs(u"CheckTime"_s) = flag(job.checkTime);
        rs(u"Time"_s) = vb::Variant::fromDate(vb::toOleDate(job.time));
        rs(u"CheckInterval"_s) = flag(job.checkInterval);
        rs(u"Interval"_s) = vb::Variant(int16_t(job.interval));
        for (int d = 0; d < 7; ++d)
            rs(QString::fromLatin1(kDayColumns[d])) = flag(job.days[std::size_t(d)]);
        rs(u"CustomActiveX"_s) = flag(job.customActiveX);
        rs(u"print"_s) = flag(job.print);
        rs(u"Ack"_s) = flag(job.ack);
        rs(u"ExecuteSQL"_s) = flag(job.executeSql);
        rs(u"ExportFormat"_s) = vb::Variant(int16_t(job.exportFormat));
        rs(u"DataSourceName"_s) = vb::Variant(job.dataSourceName);
        rs(u"UserId"_s) = vb::Variant(job.userId);
        rs(u"Password"_s) = vb::Variant(job.password);
        rs(u"Database"_s) = vb::Variant(job.database);
        rs(u"Driver"_s) = vb::Variant(job.driver);
        rs(u"Server"_s) = vb::Variant(job.server);
        rs(u"Plus"_s) = vb::Variant(QString::number(DayCount(job.plus)));
        rs(u"Minus"_s) = vb::Variant(QString::number(DayCount(job.minus)));
        rs(u"StartDate"_s) = flag(job.startDate);
        rs(u"EndDate"_s) = flag(job.endDate);
        rs(u"SQL"_s) = vb::Variant(job.sql);
    });
}

int DayCount(const QString &text)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    return ok && n >= 0 ? n : 0;
}

QString DayBoxText(const QString &typed)
{
    QString digits;
    for (const QChar c : typed)
        if (c >= u'0' && c <= u'9' && digits.size() < 3)
            digits += c;
    return digits;
}

QString ScheduleSummary(const JobRow &job)
{
    if (job.checkInterval)
        return IntervalNames().value(job.interval);
    static const char *const entries[7] = {"Mon, ", "Tue, ", "Wed, ", "Thu, ", "Fri, ", "Sat, ", "Sun, "};
    QString days;
    for (int d = 0; d < 7; ++d)
        if (job.days[std::size_t(d)])
            days += QString::fromLatin1(entries[d]);
    if (!job.checkTime || days.isEmpty())
        return u"No Event Scheduled"_s;
    return u"At "_s + job.time.time().toString(u"h:mm AP"_s) + u" every "_s + days + u" of every week"_s;
}

std::optional<QString> TimeConflict(const std::vector<JobRow> &jobs)
{
    for (std::size_t a = 0; a < jobs.size(); ++a) {
        if (!jobs[a].checkTime)
            continue;
        for (std::size_t b = 0; b < jobs.size(); ++b) {
            if (a == b || !jobs[b].checkTime)
                continue;
            const QString when = vb::dateToString(vb::toOleDate(jobs[a].time));
            if (vb::dateToString(vb::toOleDate(jobs[b].time)) == when)
                return when;
        }
    }
    return std::nullopt;
}

QString TimeConflictText(const QString &when)
{
    return u"Only one event can be scheduled at "_s + when;
}

QString ConnectionText(const JobRow &job, bool machineHasDataSources)
{
    QVector<std::pair<QString, QString>> pairs;
    if (machineHasDataSources) {
        pairs.push_back({u"DSN"_s, job.dataSourceName});
    } else {
        pairs.push_back({u"Driver"_s, job.driver});
        pairs.push_back({u"Server"_s, job.server});
    }
    // Empty boxes leave the logon to the data source: "UID=;PWD=;" would
    // replace a user stored with it.
    if (!job.userId.isEmpty() || !job.password.isEmpty()) {
        pairs.push_back({u"UID"_s, job.userId});
        pairs.push_back({u"PWD"_s, job.password});
    }
    if (!job.database.isEmpty())
        pairs.push_back({u"Database"_s, job.database});
    return odbc::connectionString(pairs);
}

QString ConnectionName(const JobRow &job, bool machineHasDataSources)
{
    if (machineHasDataSources)
        return job.dataSourceName;
    return job.server.isEmpty() ? job.driver : job.driver + u" on "_s + job.server;
}

JobDates DatesOf(const JobRow &job, const QDate &today)
{
    JobDates dates;
    if (job.startDate)
        dates.start = today.addDays(-DayCount(job.minus));
    if (job.endDate)
        dates.end = today.addDays(DayCount(job.plus));
    return dates;
}

JobSchedule ScheduleOf(const JobRow &job)
{
    JobSchedule schedule;
    schedule.key = job.key();
    schedule.atTime = job.checkTime;
    schedule.time = job.time.time();
    schedule.days = job.days;
    schedule.everyInterval = job.checkInterval;
    schedule.intervalChoice = job.interval;
    return schedule;
}

Job RunnerJobOf(const JobRow &job)
{
    Job run;
    run.partner = job.partner;
    run.transaction = job.transaction;
    run.version = job.version;
    run.direction = job.direction;
    run.executeSql = job.executeSql;
    run.acknowledge = job.ack;
    run.activeX = job.customActiveX;
    run.print = job.print;
    return run;
}

} // namespace integration
