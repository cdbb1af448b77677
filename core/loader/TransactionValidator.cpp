#include "core/loader/TransactionValidator.h"

#include "core/BusyScope.h"

#include "core/clsHashTable.h"
#include "core/loader/X12Text.h"
#include "core/Logging.h"
#include "core/MapRows.h"
#include "core/SetKey.h"
#include "core/modGlobal.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "ado/Transaction.h"
#include "ado/Sql.h"
#include "vb/CaughtError.h"
#include "vb/Conversions.h"
#include "vb/VbError.h"

#include <QHash>
#include <QSet>

#include <optional>
#include <unordered_map>
#include <vector>

namespace core {

using namespace Qt::StringLiterals;

// The rows of one key's map. Their values stay as read, so a value that is
// no number fails the check that uses it, exactly where a statement's field
// would have.
struct TransactionValidator::Map {
    QString partner, transaction, version, direction;
    qint32 rows = 0; // R: the key's Segment rows

    struct ElementRow {
        vb::Variant exclude, minimum, maximum;
    };
    struct SegmentRow {
        qint64 index = 0;
        vb::Variant node, maxUsage;
        const std::vector<ElementRow> *elements = nullptr;
    };

    // Identifiers compare as the database compares them (ASCII letters
    // without regard to case); a position is the row's SegmentIndex.
    static QString place(QStringView identifier, qint64 index)
    {
        QString key;
        key.reserve(identifier.size() + 8);
        for (QChar c : identifier)
            key += (c >= u'a' && c <= u'z') ? QChar(c.unicode() - 32) : c;
        key += QChar(0);
        key += QString::number(index);
        return key;
    }

    // The first row (in SegmentIndex order) of an identifier at a position.
    QHash<QString, SegmentRow> segments;
    QHash<QString, std::vector<ElementRow>> elements;

    // The same rows by a packed key, for identifiers of up to eight ASCII
    // characters (every real one): a look-up then builds no text.
    struct Packed {
        quint64 identifier;
        qint64 index;
        bool operator==(const Packed &other) const = default;
    };
    struct PackedHash {
        size_t operator()(const Packed &key) const noexcept
        {
            return std::hash<quint64>()(key.identifier * 31 + quint64(key.index));
        }
    };
    std::unordered_map<Packed, const SegmentRow *, PackedHash> packed;

    static std::optional<quint64> pack(QStringView identifier)
    {
        if (identifier.size() > 8)
            return std::nullopt;
        quint64 value = 0;
        for (QChar c : identifier) {
            char16_t u = c.unicode();
            if (u == 0 || u >= 0x80)
                return std::nullopt;
            if (u >= u'a' && u <= u'z')
                u -= 32;
            value = (value << 8) | u;
        }
        return value;
    }

    void index()
    {
        packed.clear();
        for (auto it = segments.cbegin(); it != segments.cend(); ++it) {
            const QStringView identifier = QStringView(it.key()).first(it.key().indexOf(QChar(0)));
            if (const std::optional<quint64> key = pack(identifier))
                packed.emplace(Packed{*key, it->index}, &*it);
        }
    }

    const SegmentRow *find(QStringView identifier, qint64 index) const
    {
        if (const std::optional<quint64> key = pack(identifier)) {
            const auto found = packed.find(Packed{*key, index});
            return found == packed.end() ? nullptr : found->second;
        }
        const auto found = segments.constFind(place(identifier, index));
        return found == segments.cend() ? nullptr : &*found;
    }
};

namespace {

WorkProgress g_noProgress;

// A whole number stored in a numeric column; nothing for a value a number
// comparison in a statement would never match.
std::optional<qint64> wholeNumber(const vb::Variant &value)
{
    if (value.isNull() || value.isEmpty())
        return std::nullopt;
    try {
        const double number = vb::CDbl(value);
        if (number != double(qint64(number)))
            return std::nullopt;
        return qint64(number);
    } catch (const vb::VbError &) {
        return std::nullopt;
    }
}

// Reads a key's map: the statements the check always made, once for all
// sets. A failure here is the database's and is raised as such.
std::unique_ptr<TransactionValidator::Map> readMap(const QString &partner, const QString &transaction,
                                                   const QString &version, const QString &direction)
{
    auto map = std::make_unique<TransactionValidator::Map>();
    map->partner = partner;
    map->transaction = transaction;
    map->version = version;
    map->direction = direction;
    const MapRows read = ReadMapRows(modGlobal::cnDatabase, {partner, transaction, version, direction});
    for (const MapElementRow &row : read.elements) {
        if (const std::optional<qint64> index = wholeNumber(row.segmentIndex)) {
            const QString segment = vb::CStr(row.segment);
            map->elements[TransactionValidator::Map::place(segment, *index)].push_back(
                {row.exclude, row.minimum, row.maximum});
        }
    }
    static const std::vector<TransactionValidator::Map::ElementRow> none;
    for (const MapSegmentRow &row : read.segments) {
        ++map->rows;
        if (const std::optional<qint64> index = wholeNumber(row.segmentIndex)) {
            const QString place = TransactionValidator::Map::place(vb::CStr(row.segment), *index);
            if (!map->segments.contains(place)) {
                const auto elements = map->elements.constFind(place);
                map->segments.insert(place, {*index, row.node, row.maxUsageLoop,
                                             elements == map->elements.cend() ? &none : &*elements});
            }
        }
    }
    map->index();
    return map;
}

struct Finding {
    QString type, text;
};

// The preview shows a set one segment per line; the check's search selects
// each examined segment there.
QString previewText(const QString &tset, const QString &terminator)
{
    QString preview = tset;
    if (!terminator.isEmpty())
        preview.replace(terminator, u"\r\n"_s);
    return preview;
}

} // namespace

QString TransactionValidator::noMapText(const QString &partner, const QString &transaction, const QString &version,
                                        const QString &direction)
{
    const QString way = direction == u"I"_s ? u"inbound "_s : direction == u"O"_s ? u"outbound "_s : QString();
    return u"No "_s + way + u"map exists for partner "_s + partner + u", transaction set "_s + transaction
        + u", version "_s + version;
}

TransactionValidator::TransactionValidator(WorkProgress *progress)
    : m_progress(progress ? progress : &g_noProgress), m_usage(std::make_unique<clsHashTable>())
{
}

TransactionValidator::~TransactionValidator() = default;

bool TransactionValidator::ValidateTransactionSet(const QString &strPartner, const QString &strTransaction,
                                                  const QString &strVersion, const QString &strDirection,
                                                  const QString &strTSet, const QString &strSegmentTerminator,
                                                  const QString &strElementSeparator,
                                                  const QString &strSubElementSeparator)
{
    // A map that cannot be read is the database's failure, not the set's.
    std::unique_ptr<Map> map;
    try {
        map = readMap(strPartner, strTransaction, strVersion, strDirection);
    } catch (const std::exception &error) {
        modGlobal::ReportError(error);
        return false;
    }
    return check(*map, strTSet, previewText(strTSet, strSegmentTerminator), strSegmentTerminator,
                 strElementSeparator, strSubElementSeparator);
}

bool TransactionValidator::check(const Map &map, const QString &strTSet, const QString &preview,
                                 const QString &strSegmentTerminator, const QString &strElementSeparator,
                                 const QString &strSubElementSeparator)
{
    WorkProgress &ui = *m_progress;
    QString identifier; // the segment being examined, named by a failure
    std::optional<Finding> finding;
    try {
        // Without the partner's delimiters the set cannot be cut into
        // segments; passing it unexamined would call it valid.
        if (strSegmentTerminator.isEmpty() || strElementSeparator.isEmpty())
            vb::raise(5);
        // Without a map every segment would miss and the set would be blamed
        // for a sequence error; the missing map is what the user must fix.
        if (map.rows == 0) {
            modGlobal::LogHistory(u"Error"_s, noMapText(map.partner, map.transaction, map.version, map.direction));
            return false;
        }

        // The usage table is emptied key by key: the keys of one set are few,
        // and emptying it whole rebuilds all its slots.
        struct Forget {
            clsHashTable &table;
            QStringList keys;
            ~Forget()
            {
                for (const QString &key : keys) {
                    try {
                        table.Remove(key);
                    } catch (const std::exception &) {
                        core::recordCaught(lcCore(), "validate: a segment's usage count was not forgotten");
                    }
                }
            }
        } forget{*m_usage, {}};
        if (m_usage->Count() > 0)
            m_usage->RemoveAll();
        QHash<qint64, qint64> usage; // uses per map position
        qint64 position = 0;          // P: the SegmentIndex looked for
        qint64 level = 1;             // L: Node of the last matched row
        qint64 misses = 0;            // M
        const qint64 rows = map.rows; // R
        QString previous;
        int previewPosition = 0;

        const std::vector<QStringView> pieces = x12::cut(strTSet, strSegmentTerminator, false);
        std::vector<QStringView> parts;
        std::vector<QStringView> values;
        // Every segment after ST and before SE; the last piece is the empty
        // text after SE's terminator.
        for (size_t i = 1; i + 2 < pieces.size() && !finding; ++i) {
            x12::cutInto(parts, pieces[i], strElementSeparator, false);
            identifier = parts.front().toString();

            const Map::SegmentRow *row = nullptr;
            while (true) {
                int searchFrom = previewPosition;
                if (identifier != previous) {
                    position += 1;
                    if (level > 1) {
                        position -= level;
                        level = 1;
                    }
                } else {
                    searchFrom = previewPosition + 1;
                }
                previewPosition = x12::findWholeWord(preview, identifier, searchFrom);
                if (previewPosition >= 0)
                    ui.selectInPreview(previewPosition, int(identifier.size()));

                row = map.find(identifier, position);
                if (row) {
                    misses = 1;
                    break;
                }
                misses += 1;
                if (misses > rows + 10)
                    break;
            }
            if (!row) {
                finding = Finding{u"Error"_s, identifier + u" - Segment Sequence - Verify Mapping"_s};
                break;
            }

            level = vb::CInt(row->node);

            const QString key = identifier + QString::number(position);
            if (!m_usage->Exists(key)) {
                m_usage->Add(key, vb::Variant(static_cast<int32_t>(position)));
                forget.keys << key;
                usage[position] = 0;
            }
            const qint64 used = ++usage[position];
            if (double(used) > vb::CDbl(row->maxUsage)) {
                finding = Finding{u"Warning"_s, u"Segment "_s + identifier + u" Maximum Usage/Loops = "_s
                                                    + vb::CStr(row->maxUsage) + u" Exceeded "_s};
                break;
            }
            previous = identifier;

            // Elements the set left off count as present but empty.
            const std::vector<Map::ElementRow> &elements = *row->elements;
            values.assign(parts.begin() + 1, parts.end());
            while (values.size() < elements.size())
                values.push_back(strSubElementSeparator);

            for (size_t k = 1; k <= values.size(); ++k) {
                // More elements than the map has rows: the rows ran out.
                if (k > elements.size())
                    vb::raise(3021);
                const Map::ElementRow &element = elements[k - 1];
                const QStringView value = values[k - 1];
                if (!vb::CBool(element.exclude) && value != strSubElementSeparator) {
                    const qsizetype length = value.size();
                    // The element's position, formatted "00".
                    auto named = [&] { return identifier + (k < 10 ? u"0"_s : QString()) + QString::number(k); };
                    if (double(length) > vb::CDbl(element.maximum)) {
                        finding = Finding{u"Warning"_s,
                                          named() + u" > Maximum "_s + u" Length = "_s + QString::number(length)};
                        break;
                    }
                    if (length > 0 && double(length) < vb::CDbl(element.minimum)) {
                        finding = Finding{u"Warning"_s,
                                          named() + u" < Minimum "_s + u" Length = "_s + QString::number(length)};
                        break;
                    }
                }
            }
            if (finding)
                break;

            ui.yield();
        }
    } catch (const std::exception &) {
        // A segment with more elements than its map, or a map row without
        // numbers, fails the set; the run goes on with the next row. The
        // finding is the report; its exact cause is kept for a debug record.
        qCDebug(lcCore).noquote() << "validate:" << identifier << "failed the set:" << vb::caughtErrorText();
        finding = Finding{u"Error"_s, identifier + u" - Segment - Verify Mapping"_s};
    }
    if (!finding)
        return true;
    modGlobal::LogHistory(finding->type, finding->text);
    return false;
}

void TransactionValidator::ValidateBox(const MailboxSelection &selection,
                                       const std::function<QString()> &selectionKey)
{
    WorkProgress &ui = *m_progress;
    if (!selection.hasCurrentItem)
        return;
    BusyScope busy(u"Validate"_s, modGlobal::cnDatabase);
    if (!busy.acquired())
        return BusyScope::refuse(u"Validate"_s);
    const QString key = selectionKey ? selectionKey() : QString();
    if (key.isEmpty())
        return;
    const SetKey chosen = SetKey::fromSelection(key);
    const QString &partner = chosen.partner, &transaction = chosen.transaction, &version = chosen.version,
                  &direction = chosen.direction;

    // The statuses are stored in transactions of a few hundred rows: one
    // commit per row would cost more than the checks themselves. A failure
    // still keeps the statuses of the rows the walk left.
    const std::shared_ptr<ado::Connection> connection = busy.connectionPtr();
    std::optional<ado::Transaction> tx;
    // A commit that fails is passed on; its rows are rolled back (and a
    // rollback that fails too is recorded).
    auto endTransaction = [&] {
        if (!tx)
            return;
        try {
            tx->commit();
        } catch (...) {
            tx.reset();
            throw;
        }
        tx.reset();
    };
    try {
        if (!connection)
            vb::raise(3709, u"The connection cannot be used to perform this operation. It is either closed or invalid in this context."_s);
        const QString terminator = modGlobal::GetSegmentTerminator(partner);
        const QString separator = modGlobal::GetElementSeparator(partner);
        const QString subSeparator = modGlobal::GetSubElementSeparator(partner);

        // The map is read once for the whole run.
        const std::unique_ptr<Map> map = readMap(partner, transaction, version, direction);

        // No map for the key: said once for the run, and every selected set
        // is marked "Error" unexamined.
        const QString noMap = map->rows == 0 ? noMapText(partner, transaction, version, direction) : QString();
        if (!noMap.isEmpty())
            modGlobal::LogHistory(u"Error"_s, noMap);

        ado::Recordset rs;
        rs.Open(selection.statement, modGlobal::cnDatabase, ado::adOpenKeyset, ado::adLockOptimistic);

        const QSet<qint64> selected(selection.rowids.begin(), selection.rowids.end());
        const qint64 count = selected.size();
        ui.setProgressMax(int(count));
        qint64 examined = 0, errors = 0;
        constexpr int kRowsPerCommit = 500;
        int uncommitted = 0;
        tx.emplace(*connection);
        while (!rs.Eof()) {
            if (selected.contains(rs.rowid())) {
                ui.setPercentText(x12::percentText(double(examined + 1) / double(count) * 100.0)
                                  + u"% Complete"_s);
                ui.setProgressValue(int(examined + 1));
                const QString tset = vb::CStr(rs(u"TSet"_s).Value());
                const QString preview = previewText(tset, terminator);
                ui.showPreview(preview);

                const bool passed =
                    noMap.isEmpty() && check(*map, tset, preview, terminator, separator, subSeparator);
                rs(u"Status"_s) = passed ? u"Validated"_s : u"Error"_s;
                rs.Update();
                if (!passed)
                    ++errors;
                ++examined;
                if (++uncommitted == kRowsPerCommit) {
                    uncommitted = 0;
                    endTransaction();
                    tx.emplace(*connection);
                }
            }
            rs.MoveNext();
        }
        rs.Close();
        endTransaction();

        ui.setProgressValue(0);
        ui.setPercentText(QString());
        ui.refreshList(selection.table);
        modGlobal::LogHistory(u"Info"_s, chosen.fileStem() + u" Validated: "_s + QString::number(examined) + u" Errors: "_s
                                             + QString::number(errors));
        // The summary names the key the way the program stores it; the
        // status bar keeps saying what went wrong.
        if (!noMap.isEmpty())
            ui.setStatusText(noMap);
    } catch (const std::exception &error) {
        try {
            endTransaction();
        } catch (...) {
            // The report below names the first failure; this one is recorded.
            qCWarning(lcCore).noquote() << "validate: the statuses written before the failure were not kept:"
                                        << vb::caughtErrorText();
        }
        ui.setProgressValue(0);
        ui.setPercentText(QString());
        modGlobal::ReportError(error);
    }
}

} // namespace core
