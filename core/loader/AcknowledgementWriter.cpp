#include "core/loader/AcknowledgementWriter.h"

#include "core/BusyScope.h"

#include "core/loader/InterchangeFile.h"
#include "core/loader/InterchangeLoader.h"
#include "core/loader/X12Text.h"
#include "core/SetKey.h"
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
#include <QStringList>

#include <algorithm>
#include <optional>

#include <vector>

namespace core {

using namespace Qt::StringLiterals;

namespace {

WorkProgress g_noProgress;

QString element(QStringView segment, const QString &separator, size_t index)
{
    const std::vector<QStringView> parts = x12::cut(segment, separator, false);
    if (index >= parts.size())
        vb::raise(9);
    return parts[index].toString();
}

// How many characters of a set the 997 reads first: its ST is nearly always
// there, so the rest of a long set is not read.
constexpr int kHeadLength = 512;

// The segment of `text` whose identifier is ST: what AK2 answers (a segment
// that stood between GS and ST is stored at the front of the set). Of the
// whole set without one, its first segment. Of the set's first characters
// only a segment that ends there counts; none: nullopt.
std::optional<QStringView> stSegment(QStringView text, const QString &terminator, const QString &separator,
                                     bool whole)
{
    std::optional<QStringView> first;
    qsizetype start = 0;
    while (true) {
        const qsizetype end = text.indexOf(terminator, start);
        if (end < 0 && !whole)
            return std::nullopt;
        const QStringView segment = end < 0 ? text.sliced(start) : text.sliced(start, end - start);
        if (!first)
            first = segment;
        const qsizetype cut = segment.indexOf(separator);
        if ((cut < 0 ? segment : segment.first(cut)) == u"ST"_s)
            return segment;
        if (end < 0)
            return first;
        start = end + terminator.size();
    }
}

// What the 997 reads of an answered row.
struct AnsweredRow {
    QString head;    // the set's first kHeadLength characters
    bool rejected = false;
    QString interchangeControlNumber, functionalGroup, groupControlNumber;
};

// The mailbox lists a selection may come from.
QString mailboxTable(const MailboxSelection &selection)
{
    for (const QString &table : {u"Inbox"_s, u"Outbox"_s, u"Sent"_s, u"Recycled"_s})
        if (selection.table.compare(table, Qt::CaseInsensitive) == 0)
            return table;
    vb::raise(3265, u"Item cannot be found in the collection corresponding to the requested name or ordinal."_s);
}

// Conditions that together pick exactly `rowids`: runs of consecutive
// rowids (rows loaded together) become one range, a few dozen ranges a
// condition, so a statement stays short however many rows it reads.
QStringList rowidConditions(std::vector<qint64> rowids)
{
    constexpr int kRangesPerCondition = 64;
    std::sort(rowids.begin(), rowids.end());
    rowids.erase(std::unique(rowids.begin(), rowids.end()), rowids.end());
    QStringList conditions;
    QStringList ranges;
    for (size_t k = 0; k < rowids.size();) {
        size_t last = k;
        while (last + 1 < rowids.size() && rowids[last + 1] == rowids[last] + 1)
            ++last;
        ranges << u"(rowid >= "_s + QString::number(rowids[k]) + u" AND rowid <= "_s + QString::number(rowids[last])
                + u")"_s;
        if (ranges.size() == kRangesPerCondition) {
            conditions << ranges.join(u" OR "_s);
            ranges.clear();
        }
        k = last + 1;
    }
    if (!ranges.isEmpty())
        conditions << ranges.join(u" OR "_s);
    return conditions;
}

} // namespace

void AnsweredGroups::add(const QString &interchangeControlNumber, const QString &functionalGroup,
                         const QString &groupControlNumber, AnsweredSet set)
{
    const QString key = interchangeControlNumber + QChar(0) + functionalGroup + QChar(0) + groupControlNumber;
    auto found = m_index.constFind(key);
    if (found == m_index.constEnd()) {
        found = m_index.insert(key, m_groups.size());
        m_groups.push_back({interchangeControlNumber, functionalGroup, groupControlNumber, {}});
    }
    m_groups[*found].sets.push_back(std::move(set));
}

QString AcknowledgementText(const AcknowledgementEnvelope &envelope, const std::vector<AnsweredGroup> &groups)
{
    const QString &t = envelope.terminator;
    const QString &d = envelope.separator;
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
    const QString ge = u"GE"_s + d + QString::number(groups.size()) + d + envelope.gs06 + t;
    const QString iea = u"IEA"_s + d + u"1"_s + d + envelope.isa13 + t;
    return envelope.isa + envelope.gs + sets + ge + iea;
}

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
    const SetKey chosen = SetKey::fromSelection(key);
    const QString &partner = chosen.partner, &transaction = chosen.transaction, &version = chosen.version;

    if (transaction == u"997"_s) {
        vb::MsgBox(u"You Can't Acknowledge an Acknowlegement"_s, vb::vbCritical, modGlobal::AppTitle());
        return {};
    }

    QString path;
    // The rows answered, in list order: marked once the 997 is in the Outbox.
    std::vector<qint64> answered;
    QString table;
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
        AcknowledgementEnvelope envelope;
        envelope.terminator = modGlobal::GetSegmentTerminator(partner);
        envelope.separator = modGlobal::GetElementSeparator(partner);
        const QString &t = envelope.terminator;
        const QString &d = envelope.separator;
        modGlobal::GetSubElementSeparator(partner);
        if (t.isEmpty() || d.isEmpty())
            vb::raise(3021, u"Trading Partner Not Found: "_s + partner);

        envelope.isa = modGlobal::BuildISA(partner);
        envelope.gs = modGlobal::BuildGS(partner, u"FA"_s, version);
        if (envelope.isa.isEmpty() || envelope.gs.isEmpty())
            vb::raise(3021, u"Trading Partner Not Found: "_s + partner);
        envelope.isa13 = element(QStringView(envelope.isa).chopped(t.size()), d, 13);
        envelope.gs06 = element(QStringView(envelope.gs).chopped(t.size()), d, 6);

        // The selected rows in list order: the list's statement gives the
        // order (its rows are not read), then only the columns the 997
        // needs are read, a few hundred rows a statement.
        table = mailboxTable(selection);
        {
            const QSet<qint64> selected(selection.rowids.begin(), selection.rowids.end());
            ado::Recordset rs;
            rs.Open(selection.statement, modGlobal::cnDatabase, ado::adOpenKeyset, ado::adLockReadOnly);
            while (!rs.Eof()) {
                if (selected.contains(rs.rowid()))
                    answered.push_back(rs.rowid());
                rs.MoveNext();
            }
            rs.Close();
        }
        QHash<qint64, AnsweredRow> rows;
        rows.reserve(qsizetype(answered.size()));
        for (const QString &condition : rowidConditions(answered)) {
            ado::Recordset rs;
            rs.Open(u"SELECT rowid, substr(TSet, 1, "_s + QString::number(kHeadLength)
                        + u") AS Head, Status, FunctionalGroup, GroupControlNumber, InterchangeControlNumber FROM "_s + table + u" WHERE "_s
                        + condition,
                    modGlobal::cnDatabase, ado::adOpenForwardOnly, ado::adLockReadOnly);
            while (!rs.Eof()) {
                AnsweredRow row;
                row.head = vb::CStr(rs.Fields(1).Value());
                row.rejected = vb::CStr(rs.Fields(2).Value()) == u"Error"_s;
                row.functionalGroup = vb::CStr(rs.Fields(3).Value());
                row.groupControlNumber = vb::CStr(rs.Fields(4).Value());
                row.interchangeControlNumber = vb::CStr(rs.Fields(5).Value());
                rows.insert(rs.Fields(0).Value().rawInt(), std::move(row));
                rs.MoveNext();
            }
            rs.Close();
        }

        AnsweredGroups groups;
        for (const qint64 rowid : answered) {
            const auto row = rows.constFind(rowid);
            if (row == rows.constEnd())
                continue;
            const bool whole = row->head.size() < kHeadLength;
            std::optional<QStringView> st = stSegment(row->head, t, d, whole);
            QString tset;
            if (!st) {
                // A long set whose ST is not among its first characters.
                ado::Recordset rs;
                rs.Open(u"SELECT TSet FROM "_s + table + u" WHERE rowid = "_s + QString::number(rowid),
                        modGlobal::cnDatabase, ado::adOpenForwardOnly, ado::adLockReadOnly);
                tset = vb::CStr(rs.Fields(0).Value());
                rs.Close();
                st = stSegment(tset, t, d, true);
            }
            groups.add(row->interchangeControlNumber, row->functionalGroup, row->groupControlNumber,
                       AnsweredSet{element(*st, d, 1), element(*st, d, 2), row->rejected});
        }
        if (groups.groups().empty())
            return {};

        path = WriteNewInterchangeFile(OutboundFolder(), x12::interchangeFileStem(vb::currentDateTime()),
                                       AcknowledgementText(envelope, groups.groups()));
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
        for (const QString &condition : rowidConditions(answered)) {
            ado::Recordset rs;
            rs.Open(u"SELECT Acknowledged FROM "_s + table + u" WHERE "_s + condition, marking, ado::adOpenKeyset,
                    ado::adLockOptimistic);
            while (!rs.Eof()) {
                rs(u"Acknowledged"_s) = u"Yes"_s;
                rs.Update();
                rs.MoveNext();
            }
            rs.Close();
        }
        tx.commit();
        ui.refreshList(u"Inbox"_s);
    } catch (const std::exception &error) {
        modGlobal::ReportError(error);
    }
    return path;
}

} // namespace core
