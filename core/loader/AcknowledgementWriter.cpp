#include "core/loader/AcknowledgementWriter.h"

#include "core/BusyScope.h"

#include "core/loader/InterchangeFile.h"
#include "core/loader/InterchangeLoader.h"
#include "core/loader/X12Text.h"
#include "core/modGlobal.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "ado/Transaction.h"
#include "vb/Clock.h"
#include "vb/Conversions.h"
#include "vb/Dialogs.h"
#include "vb/VbError.h"

#include <QFile>
#include <QSet>
#include <optional>

#include <vector>

namespace core {

using namespace Qt::StringLiterals;

namespace {

WorkProgress g_noProgress;

// One answered set: its ST01 and ST02 and whether it was found in error.
struct AnsweredSet {
    QString st01, st02;
    bool rejected = false;
};

// The selected sets of one functional group, answered by one 997 set.
struct AnsweredGroup {
    QString functionalGroup, groupControlNumber;
    std::vector<AnsweredSet> sets;
};

QString element(const QString &segment, const QString &separator, size_t index)
{
    const std::vector<QStringView> parts = x12::cut(segment, separator, false);
    if (index >= parts.size())
        vb::raise(9);
    return parts[index].toString();
}

} // namespace

AcknowledgementWriter::AcknowledgementWriter(WorkProgress *progress)
    : m_progress(progress ? progress : &g_noProgress)
{
}

QString AcknowledgementWriter::GenerateAcknowledgement(const MailboxSelection &selection,
                                                       const std::function<QString()> &selectionKey)
{
    WorkProgress &ui = *m_progress;
    modGlobal::LogHistory(u"Info"_s, u"Selected [Tools] - [Generate Acknowledgement]"_s);
    if (!selection.hasCurrentItem)
        return {};
    // Held also while the 997 is loaded and the rows are marked: the load
    // joins it as the writer's own work.
    BusyScope busy(u"Generate Acknowledgement"_s, modGlobal::cnDatabase);
    if (!busy.acquired()) {
        BusyScope::refuse(u"Generate Acknowledgement"_s);
        return {};
    }
    const QString key = selectionKey ? selectionKey() : QString();
    if (key.isEmpty())
        return {};
    const QStringList keyParts = key.split(u',');
    const QString partner = keyParts.value(0), transaction = keyParts.value(1), version = keyParts.value(2);

    if (transaction == u"997"_s) {
        vb::MsgBox(u"You Can't Acknowledge an Acknowlegement"_s, vb::vbCritical, modGlobal::AppTitle());
        return {};
    }

    QString path;
    // The partner's control numbers are taken inside a transaction that ends
    // only once the file is written: a file that cannot be written gives its
    // numbers back, so the partner never sees a gap.
    const std::shared_ptr<ado::Connection> connection = busy.connectionPtr();
    std::optional<ado::Transaction> numbers;
    // A rollback that fails is reported too, after the error that caused it.
    auto rollBack = [&] {
        if (!numbers)
            return;
        try {
            numbers->rollback();
        } catch (const std::exception &error) {
            modGlobal::ReportError(error);
        }
        numbers.reset();
    };
    try {
        if (!connection)
            vb::raise(3709, u"The connection cannot be used to perform this operation. It is either closed or invalid in this context."_s);
        numbers.emplace(*connection);
        const QString t = modGlobal::GetSegmentTerminator(partner);
        const QString d = modGlobal::GetElementSeparator(partner);
        modGlobal::GetSubElementSeparator(partner);
        if (t.isEmpty() || d.isEmpty())
            vb::raise(3021, u"Trading Partner Not Found: "_s + partner);

        const QString isa = modGlobal::BuildISA(partner);
        const QString gs = modGlobal::BuildGS(partner, u"FA"_s, version);
        if (isa.isEmpty() || gs.isEmpty())
            vb::raise(3021, u"Trading Partner Not Found: "_s + partner);
        const QString isa13 = element(isa.chopped(t.size()), d, 13);
        const QString gs06 = element(gs.chopped(t.size()), d, 6);

        // The selected rows in list order, grouped by the functional group
        // they came in (first appearance first).
        const QSet<qint64> selected(selection.rowids.begin(), selection.rowids.end());
        std::vector<AnsweredGroup> groups;
        {
            ado::Recordset rs;
            rs.Open(selection.statement, modGlobal::cnDatabase, ado::adOpenKeyset, ado::adLockOptimistic);
            while (!rs.Eof()) {
                if (selected.contains(rs.rowid())) {
                    const QString tset = vb::CStr(rs(u"TSet"_s).Value());
                    // A segment that stood between GS and ST was stored at
                    // the front of the set: AK2 answers the set's own ST.
                    const std::vector<QStringView> segments = x12::cut(tset, t, false);
                    QString st = segments.front().toString();
                    for (QStringView segment : segments) {
                        if (x12::cut(segment, d, false).front() == u"ST"_s) {
                            st = segment.toString();
                            break;
                        }
                    }
                    AnsweredSet set{element(st, d, 1), element(st, d, 2),
                                    vb::CStr(rs(u"Status"_s).Value()) == u"Error"_s};
                    const QString fg = vb::CStr(rs(u"FunctionalGroup"_s).Value());
                    const QString gcn = vb::CStr(rs(u"GroupControlNumber"_s).Value());
                    auto group = std::find_if(groups.begin(), groups.end(), [&](const AnsweredGroup &g) {
                        return g.functionalGroup == fg && g.groupControlNumber == gcn;
                    });
                    if (group == groups.end()) {
                        groups.push_back({fg, gcn, {}});
                        group = groups.end() - 1;
                    }
                    group->sets.push_back(set);
                }
                rs.MoveNext();
            }
            rs.Close();
        }
        if (groups.empty())
            return {};

        QString sets;
        qint64 number = 0;
        for (const AnsweredGroup &group : groups) {
            const QString control = x12::nineDigits(++number);
            sets += u"ST"_s + d + u"997"_s + d + control + t;
            sets += u"AK1"_s + d + group.functionalGroup + d + group.groupControlNumber + t;
            qint64 accepted = 0;
            for (const AnsweredSet &set : group.sets) {
                sets += u"AK2"_s + d + set.st01 + d + set.st02 + t;
                if (set.rejected) {
                    sets += u"AK5"_s + d + u"R"_s + d + u"5"_s + t;
                } else {
                    sets += u"AK5"_s + d + u"A"_s + t;
                    ++accepted;
                }
            }
            const qint64 n = qint64(group.sets.size());
            const QString code = accepted == n ? u"A"_s : (accepted == 0 ? u"R"_s : u"P"_s);
            sets += u"AK9"_s + d + code + d + QString::number(n) + d + QString::number(n) + d
                + QString::number(accepted) + t;
            sets += u"SE"_s + d + QString::number(2 * n + 4) + d + control + t;
        }
        const QString ge = u"GE"_s + d + QString::number(groups.size()) + d + gs06 + t;
        const QString iea = u"IEA"_s + d + u"1"_s + d + isa13 + t;

        path = WriteNewInterchangeFile(OutboundFolder(), x12::interchangeFileStem(vb::currentDateTime()),
                                       isa + gs + sets + ge + iea);
        numbers->commit();
    } catch (const std::exception &error) {
        rollBack();
        // A file written whose numbers could not be kept is no acknowledgement.
        if (!path.isEmpty())
            QFile::remove(path);
        modGlobal::ReportError(error);
        return {};
    }

    InterchangeLoader loader(m_progress);
    // A refused file is recorded in History by the load itself, naming it.
    if (!loader.LoadBox(path, u"O"_s).isEmpty())
        return path;

    // Only an acknowledgement that now stands in the Outbox marks the rows,
    // all of them in one transaction (one commit per row would cost more
    // than the rest of the run): either every answered row says so or none.
    const std::shared_ptr<ado::Connection> marking = modGlobal::cnDatabase;
    try {
        if (!marking)
            vb::raise(3709, u"The connection cannot be used to perform this operation. It is either closed or invalid in this context."_s);
        ado::Transaction tx(*marking);
        const QSet<qint64> selected(selection.rowids.begin(), selection.rowids.end());
        ado::Recordset rs;
        rs.Open(selection.statement, marking, ado::adOpenKeyset, ado::adLockOptimistic);
        while (!rs.Eof()) {
            if (selected.contains(rs.rowid())) {
                rs(u"Acknowledged"_s) = u"Yes"_s;
                rs.Update();
            }
            rs.MoveNext();
        }
        rs.Close();
        tx.commit();
        ui.refreshList(u"Inbox"_s);
    } catch (const std::exception &error) {
        modGlobal::ReportError(error);
    }
    return path;
}

} // namespace core
