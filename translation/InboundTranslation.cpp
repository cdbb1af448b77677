#include "translation/InboundTranslation.h"

#include "vb/VbError.h"

#include "translation/MapScriptHost.h"
#include "translation/TranslationBusy.h"
#include "translation/clsScript.h"

#include "core/Logging.h"
#include "core/MapRows.h"
#include "core/SetFileName.h"
#include "core/loader/X12Text.h"
#include "core/modGlobal.h"

#include "ado/Connection.h"
#include "ado/Sql.h"
#include "com/AdoDispatch.h"
#include "vb/AppInfo.h"
#include "vb/Conversions.h"
#include "vb/Dialogs.h"
#include "vb/Format.h"
#include "vb/Settings.h"
#include "vbscript/ScriptControl.h"

#include <QHash>
#include <QSet>

#include <vector>

namespace translation {

using namespace Qt::StringLiterals;

struct ElementRow {
    bool exclude = false;
    QString format;
    QString script;
};

struct SegmentRow {
    QString segment;
    qint64 segmentIndex = 0;
    qint64 node = 1;
    QString script;
    std::vector<ElementRow> elements; // in ElementIndex order
};

// A map's Segment and Element rows, read once instead of once per data
// segment.
struct MapRows {
    std::vector<SegmentRow> rows;          // in SegmentIndex order
    QMultiHash<qint64, size_t> byIndex;    // SegmentIndex -> positions in rows

    // The first row at `index` whose identifier is `id` (the database
    // compares them without regard to letter case), or null.
    const SegmentRow *find(const QString &id, qint64 index) const
    {
        const SegmentRow *found = nullptr;
        size_t first = rows.size();
        for (auto it = byIndex.constFind(index); it != byIndex.cend() && it.key() == index; ++it) {
            if (*it < first && rows[*it].segment.compare(id, Qt::CaseInsensitive) == 0) {
                first = *it;
                found = &rows[*it];
            }
        }
        return found;
    }
};

namespace {

core::WorkProgress g_noProgress;

std::shared_ptr<const MapRows> loadMap(const MapKey &key)
{
    auto map = std::make_shared<MapRows>();
    const core::MapRows read = core::ReadMapRows(modGlobal::cnDatabase, key);
    for (const core::MapSegmentRow &stored : read.segments) {
        SegmentRow row;
        row.segment = core::textOf(stored.segment);
        row.segmentIndex = vb::CLng(stored.segmentIndex);
        row.node = vb::CInt(stored.node);
        row.script = core::textOf(stored.script);
        map->byIndex.insert(row.segmentIndex, map->rows.size());
        map->rows.push_back(std::move(row));
    }

    // Element rows by SegmentIndex and identifier (letter case ignored).
    QHash<QPair<qint64, QString>, std::vector<ElementRow>> elements;
    for (const core::MapElementRow &stored : read.elements) {
        ElementRow row;
        row.exclude = vb::CBool(stored.exclude);
        row.format = core::textOf(stored.format);
        row.script = core::textOf(stored.script);
        elements[{qint64(vb::CLng(stored.segmentIndex)), core::textOf(stored.segment).toLower()}].push_back(
            std::move(row));
    }
    for (SegmentRow &row : map->rows)
        row.elements = elements.value({row.segmentIndex, row.segment.toLower()});
    return map;
}

// The identifier of a segment: its text before the first element separator.
QStringView identifierOf(QStringView segment, QStringView separator)
{
    const qsizetype at = segment.indexOf(separator);
    return at < 0 ? segment : segment.left(at);
}

QString describe(const std::exception &e)
{
    if (const auto *vbError = dynamic_cast<const vb::VbError *>(&e))
        return vbError->description;
    return QString::fromLocal8Bit(e.what());
}

} // namespace

InboundTranslation::InboundTranslation(MapScriptHost &host, core::WorkProgress *progress)
    : m_host(host), m_progress(progress ? progress : &g_noProgress)
{
}

InboundTranslation::~InboundTranslation() = default;

std::shared_ptr<const MapRows> InboundTranslation::mapFor(const MapKey &key)
{
    if (!m_inRun)
        return loadMap(key);
    if (!m_runMap || m_runKey != key) {
        m_runMap = loadMap(key);
        m_runKey = key;
    }
    return m_runMap;
}

bool InboundTranslation::TranslateTransaction(const ado::RecordsetPtr &rsRecord, const QString &strPartner,
                                              const QString &strTransaction, const QString &strVersion,
                                              const QString &strDirection, const QString &strTSet,
                                              const QString &strSegmentTerminator,
                                              const QString &strElementSeparator,
                                              const QString &strSubElementSeparator)
{
    core::WorkProgress &ui = *m_progress;
    const bool silent = modGlobal::blnSilentMode;
    QString id;   // the data segment being walked, named by a failure
    qint64 p = 0; // the element position last reached
    // A segment longer than its map row: the classic error says only that the
    // rows ran out, so the run also names the segment and both counts.
    QString tooLong;
    const auto failed = [&] {
        ui.setProgressValue(0);
        ui.setPercentText(QString());
        // A row a snippet began on the record set must not join the rows.
        try {
            if (rsRecord && rsRecord->EditMode() == ado::adEditAdd)
                rsRecord->CancelUpdate();
        } catch (...) {
            core::recordCaught(lcTranslation(), "inbound set: the failed set's half-made row was not cancelled");
        }
        return false;
    };
    const auto skippedAfterTimeout = [&] {
        // Each set skipped gets its own entry, so none is left unexplained.
        modGlobal::LogHistory(u"Error"_s, u"Translation Skipped - A map script exceeded its time-out "_s
                                              u"earlier in this run"_s);
        return failed();
    };

    try {
        if (m_host.blnScriptTimeout)
            return skippedAfterTimeout();

        // The host: a fresh script object and a reset script control.
        vbs::ScriptControl &sc = m_host.scScript();
        sc.Reset();
        auto script = std::make_shared<clsScript>();
        script->ElementDelimiter = strElementSeparator;
        script->SegmentTerminator = strSegmentTerminator;
        script->SubElementSeparator = strSubElementSeparator;
        script->setImmediateSink([this](const QString &line) { m_host.appendImmediate(line); });
        script->setYield([&ui] { ui.yield(); });
        sc.AddObject(u"objScript"_s, script);
        if (!rsRecord)
            vb::raise(91);
        sc.AddObject(u"Record"_s, com::toVariant(rsRecord).rawObject());

        const std::shared_ptr<const MapRows> map = mapFor({strPartner, strTransaction, strVersion, strDirection});
        const qint64 rowCount = qint64(map->rows.size());

        if (strSegmentTerminator.isEmpty() || strElementSeparator.isEmpty()) {
            modGlobal::LogHistory(u"Error"_s, u"Partner "_s + strPartner
                                                  + u" has no segment terminator or element separator - Verify Partner"_s);
            return failed();
        }

        // A last segment without its terminator is still a segment; only the
        // empty text after the final terminator is no segment.
        std::vector<QStringView> s = core::x12::cut(strTSet, strSegmentTerminator, false);
        if (s.size() > 1 && s.back().isEmpty())
            s.pop_back();
        if (s.size() < 2 || identifierOf(s.front(), strElementSeparator) != u"ST"_s
            || identifierOf(s.back(), strElementSeparator) != u"SE"_s) {
            modGlobal::LogHistory(u"Error"_s, u"Transaction Set does not begin with ST and end with SE - "_s
                                                  u"Verify Transaction Set"_s);
            return failed();
        }
        const qint64 dataCount = qint64(s.size()) - 2;
        ui.setProgressMax(int(dataCount));

        qint64 searchIndex = 0;
        qint64 stepBack = 1;
        qint64 misses = 0;
        QString previous;
        int findPosition = 0;
        std::vector<QStringView> e;
        for (qint64 k = 1; k <= dataCount; ++k) {
            if (m_host.blnScriptTimeout)
                return skippedAfterTimeout();
            p = 0;
            ui.setPercentText(core::x12::percentText(double(k) / double(dataCount) * 100.0) + u"% Complete"_s);
            ui.setProgressValue(int(k));
            ui.yield();

            script->PreviousSegment = identifierOf(s[size_t(k - 1)], strElementSeparator).toString();
            script->NextSegment = identifierOf(s[size_t(k + 1)], strElementSeparator).toString();

            core::x12::cutInto(e, s[size_t(k)], strElementSeparator, false);
            id = e.front().toString();

            const SegmentRow *row = nullptr;
            while (true) {
                int findFrom = findPosition;
                if (id != previous) {
                    searchIndex += 1;
                    if (stepBack > 1) {
                        searchIndex -= stepBack;
                        stepBack = 1;
                    }
                } else {
                    findFrom = findPosition + 1;
                }
                // The designer's view follows the walk; a silent run leaves it alone.
                if (!silent)
                    findPosition = m_host.findInTransaction(id, findFrom, true);
                row = map->find(id, searchIndex);
                if (row) {
                    misses = 1;
                    break;
                }
                misses += 1;
                if (misses > rowCount + 10) {
                    modGlobal::LogHistory(u"Error"_s, id + u" - Segment Sequence - Verify Mapping"_s);
                    return failed();
                }
            }
            stepBack = row->node;
            previous = id;

            if (!row->script.isEmpty()) {
                sc.AddCode(row->script);
                if (script->recordFailed())
                    return failed();
            }

            // Elements the set left off carry the value-absent marker.
            const size_t m = row->elements.size();
            while (e.size() < m + 1)
                e.push_back(strSubElementSeparator);

            const qint64 last = qint64(e.size()) - 1;
            for (p = 1; p <= last; ++p) {
                if (p > qint64(m)) {
                    tooLong = id + u" - Segment "_s + QString::number(row->segmentIndex) + u" Has "_s
                        + QString::number(last) + u" Elements, The Map Has "_s + QString::number(m)
                        + u" - Verify Mapping"_s;
                    vb::raise(3021); // a data element without its map row
                }
                const ElementRow &element = row->elements[size_t(p - 1)];
                script->NextElement = (p < last ? e[size_t(p + 1)] : e[size_t(p)]).toString();
                script->PreviousElement = (p > 1 ? e[size_t(p - 1)] : e[size_t(p)]).toString();
                if (!element.exclude) {
                    QString value = e[size_t(p)].toString();
                    if (!element.format.isEmpty())
                        value = vb::Format(vb::Variant(value), element.format);
                    script->CurrentElement = value;
                    if (!element.script.isEmpty()) {
                        sc.AddCode(element.script);
                        if (script->recordFailed())
                            return failed();
                    }
                }
            }
            ui.yield();
        }
        ui.setProgressValue(0);
        ui.setPercentText(QString());
        return true;
    } catch (const std::exception &error) {
        failed();
        try {
            modGlobal::LogHistory(u"Error"_s, u"Error - "_s + describe(error) + u" - Element = "_s + id
                                                  + QStringLiteral("%1").arg(p, 2, 10, QLatin1Char('0'))
                                                  + u" Verify Mapping"_s);
            if (!tooLong.isEmpty())
                modGlobal::LogHistory(u"Error"_s, tooLong);
        } catch (...) {
            core::recordCaught(lcTranslation(), "inbound set: its failure could not be written to History");
        }
        return false;
    }
}

QString InboundTranslation::StaleListMessage(const QString &table)
{
    return u"The "_s + table + u" list no longer matches the "_s + table
        + u" folder: items were added or removed since it was shown.\r\n"_s
        + u"The translation stopped there; rows already translated keep their status. "_s
        + u"The list has been refreshed; please check your selection and try again."_s;
}

QString InboundTranslation::StaleListHistory(const QString &table)
{
    return u"Translation stopped: the "_s + table + u" list was out of date and has been refreshed"_s;
}

void InboundTranslation::endRun()
{
    m_host.setEditingEnabled(true);
    m_progress->setProgressValue(0);
    m_progress->setPercentText(QString());
    m_runMap.reset();
    m_inRun = false;
}

ado::RecordsetPtr InboundTranslation::TranslateAll(const core::MailboxSelection &selection, const QString &strPartner,
                                                   const QString &strTransaction, const QString &strVersion,
                                                   const QString &strDirection, bool blnExport, bool blnSilent)
{
    TranslationBusy busy;
    if (!busy.acquired()) {
        TranslationBusy::reportRefused(blnSilent);
        return nullptr;
    }
    core::WorkProgress &ui = *m_progress;
    modGlobal::blnSilentMode = blnSilent;
    // A time-out belongs to the run it happened in.
    m_host.blnScriptTimeout = false;
    m_host.clearImmediate();
    m_host.setEditingEnabled(false);
    m_inRun = true;
    m_runMap.reset();

    try {
        const MapKey key{strPartner, strTransaction, strVersion, strDirection};
        const QString definition = RecordDefinitionPath(key);
        ado::RecordsetPtr rs;
        if (blnSilent) {
            // Nobody may be there to answer a box (a scheduled job): the
            // failure goes to the History log only, as the report would record it.
            try {
                rs = modGlobal::ReadRecordsetDefinition(definition);
            } catch (const vb::VbError &error) {
                modGlobal::LogHistory(u"Error"_s, QString::number(error.number) + u' ' + error.description);
            }
        } else {
            rs = modGlobal::OpenRecordsetDefinition(definition);
        }
        if (!rs) {
            // Without a layout nothing is walked or marked.
            endRun();
            return nullptr;
        }

        const QString terminator = modGlobal::GetSegmentTerminator(strPartner);
        const QString separator = modGlobal::GetElementSeparator(strPartner);
        const QString subSeparator = modGlobal::GetSubElementSeparator(strPartner);
        ui.yield();

        // The walk holds the connection even if the window lets it go meanwhile.
        const ado::ConnectionPtr connection = modGlobal::cnDatabase;
        if (!connection)
            vb::raise(3709);
        // Copies: the run yields, and the caller's selection may change meanwhile.
        const QString table = selection.table;
        const QList<qint64> order = selection.order;
        const QSet<qint64> selected(selection.rowids.cbegin(), selection.rowids.cend());
        ado::Recordset list;
        // An empty list selects nothing: there is no statement to read again.
        if (!order.isEmpty())
            list.Open(selection.statement, *connection, ado::adOpenKeyset, ado::adLockOptimistic);

        // The n-th item shows the n-th record; an item whose rowid is not its
        // record's means the list went stale.
        const auto matches = [&](int position) {
            if (position > order.size() || list.Eof() || list.Bof())
                return false;
            const qint64 rowid = order[position - 1];
            return rowid != 0 && rowid == list.rowid();
        };
        const auto stale = [&] {
            list.Close();
            if (!blnSilent)
                vb::MsgBox(StaleListMessage(table), vb::vbOKOnly | vb::vbExclamation, modGlobal::AppTitle());
            modGlobal::LogHistory(u"Warning"_s, StaleListHistory(table));
            if (modGlobal::mainWindowLink().RefreshBox)
                modGlobal::mainWindowLink().RefreshBox(table);
            endRun();
            return ado::RecordsetPtr();
        };

        const int count = int(order.size());
        for (int i = 1; i <= count; ++i) {
            if (!matches(i))
                return stale();
            list.MoveNext();
        }
        if (count > 0)
            list.MoveFirst();

        // The table's rows as the run last left them: a change by anyone
        // else while a set was translated (a load during a yield) may have
        // moved what the user chose from.
        uint64_t unchangedAt = connection->changeCount(table);
        qint64 processed = 0, errors = 0;
        for (int i = 1; i <= count; ++i) {
            if (!matches(i))
                return stale();
            if (selected.contains(order[i - 1])) {
                const vb::Variant tsetValue = list(u"TSet"_s).Value();
                const QString tset = tsetValue.isNull() ? QString() : tsetValue.toString();
                QString preview = tset;
                if (!terminator.isEmpty())
                    preview.replace(terminator, u"\r\n"_s);
                ui.showPreview(preview);
                if (!blnSilent)
                    m_host.setTransactionText(preview);

                const bool ok = TranslateTransaction(rs, strPartner, strTransaction, strVersion, strDirection, tset,
                                                     terminator, separator, subSeparator);
                // The walk yielded: mark only the row the user selected.
                if (!matches(i) || connection->changeCount(table) != unchangedAt)
                    return stale();
                if (ok) {
                    list(u"Status"_s) = blnExport ? u"Exported"_s : u"Opened"_s;
                } else {
                    list(u"Status"_s) = u"Error"_s;
                    modGlobal::LogHistory(u"Error"_s, u"Translation Failed"_s);
                    ++errors;
                }
                list.Update();
                unchangedAt = connection->changeCount(table);
                ++processed;
            }
            list.MoveNext();
        }
        if (!order.isEmpty())
            list.Close();

        if (modGlobal::mainWindowLink().RefreshBox)
            modGlobal::mainWindowLink().RefreshBox(table);
        modGlobal::LogHistory(u"Info"_s, key.fileStem() + u" Translated: "_s + QString::number(processed)
                                             + u" Errors: "_s + QString::number(errors));
        endRun();
        return rs;
    } catch (const std::exception &error) {
        endRun();
        try {
            modGlobal::LogHistory(u"Error"_s, describe(error));
        } catch (...) {
            core::recordCaught(lcTranslation(), "inbound run: its failure could not be written to History");
        }
        return nullptr;
    }
}

} // namespace translation
