#include "integration/window/ProgramJobServices.h"
#include "core/ListSelection.h"

#include "integration/ImportFiles.h"
#include "reports/ReportCommands.h"
#include "translation/InboundTranslation.h"
#include "translation/MapScriptHost.h"
#include "translation/OutboundTranslation.h"

#include "ado/Recordset.h"
#include "ado/Sql.h"
#include "controls/ListView.h"
#include "core/loader/AcknowledgementWriter.h"
#include "core/modGlobal.h"
#include "vb/DoEvents.h"
#include "vb/VbError.h"

#include <QFileInfo>
#include <QSet>

using namespace Qt::StringLiterals;

namespace integration {

namespace {

using core::selectionOf;

StepResult stepOf(reports::Outcome outcome)
{
    switch (outcome) {
    case reports::Outcome::Done:
        return StepResult::Done;
    case reports::Outcome::NoPreviousSchedule:
        return StepResult::NoPreviousSchedule;
    case reports::Outcome::NothingToDo: // the rows were selected: nothing presented is a failure
    case reports::Outcome::Failed:
        break;
    }
    return StepResult::Failed;
}

reports::ReportCommands commandsFor(const MailboxAccess &access)
{
    reports::ReportServices services;
    // A job's commands act on its Inbox rows only, so the check is the Inbox's.
    if (access.isSelectionUnique && access.inbox) {
        services.isSelectionUnique = [unique = access.isSelectionUnique, inbox = access.inbox](
                                         const core::MailboxSelection &) { return unique(*inbox); };
    }
    core::WorkProgress *progress = access.progress;
    services.translateAll = [progress](const core::MailboxSelection &selection, const reports::ReportKey &key,
                                       bool exportFlag, bool silent) {
        translation::InboundTranslation run(translation::mapScriptHost(), progress);
        return run.TranslateAll(selection, key.partner, key.transaction, key.version, key.direction, exportFlag,
                                silent);
    };
    if (controls::ListView *recycled = access.recycled) {
        services.recycled = [recycled] { return selectionOf(*recycled); };
        services.selectPreviousSchedule = [recycled](const reports::ReportKey &key) {
            return SelectPreviousSchedule(*recycled, key);
        };
    }
    services.processEvents = [] { vb::DoEvents(); };
    return reports::ReportCommands(std::move(services));
}

// Selects exactly the job's rows in the list, by rowid, before a step: an
// earlier step's refill may have moved them. False when none is there any
// more (the step then fails rather than act on other rows).
bool selectJobRows(controls::ListView &list, const std::vector<qint64> &rows)
{
    const QSet<qint64> wanted(rows.begin(), rows.end());
    QList<int> positions;
    for (int i = 1; i <= list.itemCount(); ++i)
        if (wanted.contains(list.item(i)->rowid()))
            positions.push_back(i);
    list.setSelection(positions, positions.isEmpty() ? 0 : positions.front());
    if (positions.isEmpty())
        modGlobal::LogHistory(u"Error"_s, u"The rows of the job are no longer in the "_s + list.tag() + u" list"_s);
    return !positions.isEmpty();
}

} // namespace

bool SelectPreviousSchedule(controls::ListView &recycled, const reports::ReportKey &key)
{
    if (!modGlobal::cnDatabase)
        vb::raise(3709);
    // The interchange moved last is the one of the highest rowid.
    ado::Recordset rs;
    rs.Open(u"SELECT InterchangeControlNumber FROM "_s + recycled.tag() + u" WHERE Partner = "_s
                + ado::SqlText(key.partner) + u" AND [Transaction] = "_s + ado::SqlText(key.transaction)
                + u" AND Version = "_s + ado::SqlText(key.version) + u" ORDER BY rowid DESC"_s,
            *modGlobal::cnDatabase, ado::adOpenForwardOnly, ado::adLockReadOnly);
    if (rs.Eof())
        return false;
    const vb::Variant last = rs(u"InterchangeControlNumber"_s).Value();
    rs.Close();
    ado::Recordset rows;
    rows.Open(u"SELECT rowid AS r FROM "_s + recycled.tag() + u" WHERE Partner = "_s + ado::SqlText(key.partner)
                  + u" AND [Transaction] = "_s + ado::SqlText(key.transaction) + u" AND Version = "_s
                  + ado::SqlText(key.version) + u" AND "_s
                  + (last.isNull() ? u"InterchangeControlNumber IS NULL"_s
                                   : u"InterchangeControlNumber = "_s + ado::SqlText(last.toString())),
              *modGlobal::cnDatabase, ado::adOpenForwardOnly, ado::adLockReadOnly);
    QSet<qint64> wanted;
    for (; !rows.Eof(); rows.MoveNext())
        wanted.insert(rows(u"r"_s).Value().toLong());
    bool any = false;
    for (int i = 1; i <= recycled.itemCount(); ++i) {
        const bool match = wanted.contains(recycled.item(i)->rowid());
        recycled.setItemSelected(i, match);
        any = any || match;
    }
    return any;
}

JobServices ProgramJobServices(const MailboxAccess &access, std::function<bool(const Job &)> runQuery)
{
    JobServices services;
    services.runQuery = std::move(runQuery);
    core::WorkProgress *progress = access.progress;
    services.processOutbound = [progress](const Job &job) {
        const translation::MapKey key{job.partner, job.transaction, job.version, job.direction};
        translation::OutboundTranslation run(translation::mapScriptHost(), progress);
        if (!run.ProcessOutbound(translation::OutboundSet::forKey(key), false).isEmpty())
            return true;
        // An empty data file means no records: the run recorded it, nothing failed.
        const QFileInfo data(translation::OutboundTranslation::ImportDataPath(key));
        return data.exists() && data.size() == 0;
    };
    if (!access.inbox || !access.makeUniqueSelection)
        return services;
    controls::ListView *inbox = access.inbox;
    services.selectInbox = [inbox, select = access.makeUniqueSelection](const Job &job) {
        std::vector<qint64> rowids;
        if (!select(*inbox, job.partner, job.transaction, job.version, job.direction))
            return rowids;
        for (int i = 1; i <= inbox->itemCount(); ++i)
            if (inbox->isItemSelected(i) && inbox->item(i)->rowid() != 0)
                rowids.push_back(inbox->item(i)->rowid());
        return rowids;
    };
    if (access.isSelectionUnique) {
        services.acknowledge = [inbox, progress, unique = access.isSelectionUnique](const std::vector<qint64> &rows) {
            if (!selectJobRows(*inbox, rows))
                return false;
            try {
                return !core::AcknowledgementWriter(progress)
                            .GenerateAcknowledgement(selectionOf(*inbox), [&] { return unique(*inbox); })
                            .isEmpty();
            } catch (const vb::VbError &error) {
                modGlobal::ReportError(error);
                return false;
            }
        };
        services.activeX = [inbox, access](const std::vector<qint64> &rows, int output) {
            if (!selectJobRows(*inbox, rows))
                return StepResult::Failed;
            return stepOf(commandsFor(access).ActiveX(selectionOf(*inbox), output));
        };
        services.report = [inbox, access](const std::vector<qint64> &rows, bool print) {
            if (!selectJobRows(*inbox, rows))
                return StepResult::Failed;
            reports::ReportCommands commands = commandsFor(access);
            const core::MailboxSelection selection = selectionOf(*inbox);
            return stepOf(print ? commands.PrintReport(selection, true) : commands.ExportReport(selection, true));
        };
    }
    services.refresh = access.refreshBox;
    return services;
}

} // namespace integration
