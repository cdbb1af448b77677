#pragma once
// The integration job runner: an outbound job pulls its records from the
// outside database (when set to) and asks for an outbound run of its key; an
// inbound job selects its Inbox rows, acknowledges them (when set to), hands
// them to the partner's plug-in or the report, and moves exactly those rows
// to Recycled. The runner works through services the program gives it; a
// service that is missing counts as a failure, never as success.

#include "core/SetKey.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace integration {

struct Job {
    QString partner, transaction, version, direction;
    bool executeSql = false;
    bool acknowledge = false;
    bool activeX = false;
    bool print = false; // checked: print; unchecked: export
    QString key() const { return core::SetKey{partner, transaction, version, direction}.fileStem(); }
};

// What a plug-in call or a report gave back.
enum class StepResult { Done, Failed, NoPreviousSchedule };

struct JobServices {
    // Connect, query, write the import files, disconnect: false on any failure.
    std::function<bool(const Job &)> runQuery;
    // The outbound run of the job's key: false when nothing was written; the
    // run has then recorded its failure in History itself.
    std::function<bool(const Job &)> processOutbound;
    // Selects exactly the Inbox rows of the job's key; their rowids (none: empty).
    std::function<std::vector<qint64>(const Job &)> selectInbox;
    // Every step works on the job's own rows, the rowids selectInbox gave
    // when the job started, whatever an earlier step did to the list.
    std::function<bool(const std::vector<qint64> &rows)> acknowledge;
    std::function<StepResult(const std::vector<qint64> &rows, int output)> activeX; // 1 print, 2 export
    std::function<StepResult(const std::vector<qint64> &rows, bool print)> report;  // print or export, silent
    // Refills a list of the main window ("Inbox", "Recycled").
    std::function<void(const QString &table)> refresh;
};

class JobRunner {
public:
    explicit JobRunner(JobServices services);

    // Runs one job to its end; false when it failed (recorded as
    // "Process Failed - " and the key) or was refused because another run runs.
    bool RunJob(const Job &job);

    // One run at a time, by hand or by schedule.
    static bool isRunning();

    // Moves the rows (by rowid) from Inbox to Recycled in one transaction,
    // every column kept; rows gone meanwhile are skipped. Returns how many moved.
    static int MoveRowsToRecycled(const std::vector<qint64> &rowids);

    static QString ProcessFailedText(const Job &job);

private:
    bool processInbound(const Job &job);

    JobServices m_services;
};

} // namespace integration
