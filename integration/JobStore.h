#pragma once
// The integration jobs as the window keeps them: one Transactions row per
// job with its job columns, read in job-list order and written back by the
// job editor. Also the rules the window applies to a job's values: the
// schedule summary, the one-event check, the day boxes, the connection text
// and the dates a run puts into its statement.

#include "integration/JobRunner.h"
#include "integration/JobScheduler.h"
#include "core/SetKey.h"

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace ado {
class Connection;
}

namespace integration {

// One job: its key and every job column, as its slot holds it.
struct JobRow {
    QString partner, transaction, version, direction, group, versionOverride;
    bool checkTime = false;      // "Schedule at:"
    QDateTime time;              // the time picker's whole value
    bool checkInterval = false;  // "Schedule every:"
    int interval = 0;            // 0..5
    std::array<bool, 7> days{};  // Mon .. Sun
    bool customActiveX = false;
    bool print = false;
    bool ack = false;
    bool executeSql = false;
    int exportFormat = 0;        // 0..27
    QString dataSourceName, userId, password, database, driver, server;
    QString plus = QStringLiteral("0"), minus = QStringLiteral("0");
    bool startDate = false, endDate = false;
    QString sql;

    QString key() const;         // P_T_V_D
    core::SetKey setKey() const { return {partner, transaction, version, direction}; }
    bool isOutbound() const { return direction == QStringLiteral("O"); }
    // "Acknowledge" and "Export / Print" apply to inbound jobs other than 997.
    bool showsAcknowledgeAndPrint() const;
    bool operator==(const JobRow &) const = default;
};

// The interval and export format names, in list order.
const QStringList &IntervalNames();
const QStringList &ExportFormatNames();

// The statement both job lists are filled by.
QString JobListStatement();

// Every job in list order. A row holding both schedule flags keeps only
// "Schedule every:" (the boxes clear each other when a row is loaded).
std::vector<JobRow> LoadJobs(ado::Connection &cn);
// The stored row of a key; raises 3021 when it is gone.
JobRow LoadJob(ado::Connection &cn, const JobRow &key);
// Writes every job column of the row of the key; raises 3021 when it is
// gone. A day box left empty is stored as "0".
void SaveJob(ado::Connection &cn, const JobRow &job);

// A day box's number: empty, blank or not a number counts as 0.
int DayCount(const QString &text);
// Keeps the digits of a typed day-box text, at most three.
QString DayBoxText(const QString &typed);

// The summary under the schedule: the interval's name, "At h:mm AM every
// Mon, ... of every week", or "No Event Scheduled".
QString ScheduleSummary(const JobRow &job);

// The first time two jobs with "Schedule at:" ticked share (their pickers'
// whole values equal), as the conflict message shows it; none when free.
std::optional<QString> TimeConflict(const std::vector<JobRow> &jobs);
QString TimeConflictText(const QString &when);

// The connection text of a job: by data source name when the machine lists
// any, else by driver and server; then the logon values and the database.
QString ConnectionText(const JobRow &job, bool machineHasDataSources);
// What the connection names in the History: the data source, or the driver
// and server used in its place.
QString ConnectionName(const JobRow &job, bool machineHasDataSources);

// The start and end dates a job's statement receives, from its own day boxes.
struct JobDates {
    std::optional<QDate> start, end;
};
JobDates DatesOf(const JobRow &job, const QDate &today);

// What the scheduler and the runner read of a job.
JobSchedule ScheduleOf(const JobRow &job);
Job RunnerJobOf(const JobRow &job);

} // namespace integration
