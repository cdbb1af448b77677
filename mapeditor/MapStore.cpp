#include "mapeditor/MapStore.h"

#include "core/MapRows.h"
#include "core/modGlobal.h"

#include "ado/Recordset.h"
#include "ado/Sql.h"
#include "ado/Transaction.h"
#include "vb/Conversions.h"
#include "vb/VbError.h"
#include "vb/Variant.h"

#include <QHash>

namespace mapeditor {

namespace {

constexpr qint64 kUnbounded = 9999999;
constexpr int kMaxSegments = kMapMaxSegments;
constexpr int kMaxElements = 99;

QString text(const vb::Variant &v)
{
    return v.isNull() || v.isEmpty() ? QString() : vb::CStr(v);
}

QString text(const ado::Recordset &rs, const char *name)
{
    return text(rs.Fields(QString::fromLatin1(name)).Value());
}

qint64 number(const vb::Variant &v)
{
    return v.isNull() || v.isEmpty() ? 0 : qint64(vb::CDbl(v));
}

bool flag(const vb::Variant &v)
{
    return !(v.isNull() || v.isEmpty()) && vb::CBool(v);
}

// The key's rows of a table; statements that use it bind key.values().
QString where(const QString &table, const MapKey &key)
{
    return QStringLiteral(" WHERE ") + key.condition(table);
}

QString num(qint64 value)
{
    return QString::number(value);
}

bool numeric(const QString &text)
{
    return vb::IsNumeric(vb::Variant(text));
}

// A numeric box's text as the whole number a numeric column stores (13 for
// text that is not a number, 6 beyond the column's range).
qint32 wholeNumber(const QString &text)
{
    return vb::CLng(vb::Variant(text));
}

// Empty when `text` is a whole number a Long column holds, else the refusal
// naming the field by its caption.
QString longRefusal(const QString &field, const QString &text)
{
    try {
        wholeNumber(text);
        return {};
    } catch (const std::exception &) {
        return QStringLiteral("The value \"%1\" does not fit the field \"%2\": enter a whole number from "
                              "-2147483648 to 2147483647.")
            .arg(text, field);
    }
}

const QStringList kSegmentUsage{QStringLiteral("M"), QStringLiteral("O"), QStringLiteral("F")};
const QStringList kSegmentLevel{QStringLiteral("H"), QStringLiteral("D"), QStringLiteral("S")};
const QStringList kElementUsage{QStringLiteral("M"), QStringLiteral("O"), QStringLiteral("C"), QStringLiteral("X")};
const QStringList kElementType{QStringLiteral("ID"), QStringLiteral("AN"), QStringLiteral("DT"), QStringLiteral("TM"),
                               QStringLiteral("R"),  QStringLiteral("N0"), QStringLiteral("N1"), QStringLiteral("N2"),
                               QStringLiteral("N3"), QStringLiteral("N4"), QStringLiteral("N5"), QStringLiteral("N6"),
                               QStringLiteral("N7"), QStringLiteral("N8"), QStringLiteral("N9")};

QString codeAt(const QStringList &codes, int position)
{
    return position >= 0 && position < codes.size() ? codes.at(position) : QString();
}

} // namespace

QString mapKeyText(const MapKey &key)
{
    return key.fileStem();
}

const SegmentRow *Map::segment(int index) const
{
    for (const SegmentRow &s : segments)
        if (s.index == index)
            return &s;
    return nullptr;
}

std::vector<const ElementRow *> Map::elementsOf(int index, const QString &id) const
{
    std::vector<const ElementRow *> out;
    for (const ElementRow &e : elements)
        if (e.segmentIndex == index && e.segment.compare(id, Qt::CaseInsensitive) == 0)
            out.push_back(&e);
    return out;
}

int Map::elementCount(int segmentIndex) const
{
    int n = 0;
    for (const ElementRow &e : elements)
        n += e.segmentIndex == segmentIndex;
    return n;
}

QString invariantError(const Map &map)
{
    const QString name = mapKeyText(map.key);
    auto refuse = [&](const QString &why) {
        return QStringLiteral("The map ") + name + QStringLiteral(" cannot be edited: ") + why
            + QStringLiteral(". Repair its rows first.");
    };
    if (map.segments.empty())
        return refuse(QStringLiteral("it has no segments"));
    if (int(map.segments.size()) > kMaxSegments)
        return refuse(QStringLiteral("it has more than 99 segments"));
    QHash<int, std::vector<const ElementRow *>> bySegment;
    for (const ElementRow &e : map.elements)
        bySegment[e.segmentIndex].push_back(&e);
    int expected = 1;
    for (const SegmentRow &s : map.segments) {
        if (s.index != expected)
            return refuse(QStringLiteral("segment numbers are not 1 to %1 without gaps").arg(map.segments.size()));
        ++expected;
        const auto &elements = bySegment.value(s.index);
        if (elements.empty())
            return refuse(QStringLiteral("segment %1 (%2) has no elements").arg(s.index).arg(s.segment));
        if (int(elements.size()) > kMaxElements)
            return refuse(QStringLiteral("segment %1 (%2) has more than 99 elements").arg(s.index).arg(s.segment));
        int e = 1;
        for (const ElementRow *row : elements) {
            if (row->elementIndex != e)
                return refuse(QStringLiteral("the elements of segment %1 (%2) are not numbered 1 to %3 without gaps")
                                  .arg(s.index)
                                  .arg(s.segment)
                                  .arg(elements.size()));
            if (row->segment.compare(s.segment, Qt::CaseInsensitive) != 0)
                return refuse(QStringLiteral("element %1 of segment %2 names segment %3 instead of %4")
                                  .arg(e)
                                  .arg(s.index)
                                  .arg(row->segment, s.segment));
            ++e;
        }
        bySegment.remove(s.index);
    }
    if (!bySegment.isEmpty())
        return refuse(QStringLiteral("elements belong to segment %1, which does not exist").arg(bySegment.begin().key()));
    return {};
}

// ---- Keys ----

QString twoDigits(int value)
{
    return value >= 0 && value < 10 ? QStringLiteral("0") + QString::number(value) : QString::number(value);
}

QString segmentKey(int level, int index)
{
    return QStringLiteral("Segment") + twoDigits(level) + twoDigits(index);
}

QString elementKey(int level, int segmentIndex, int elementIndex)
{
    return QStringLiteral("Element") + twoDigits(level) + twoDigits(segmentIndex) + twoDigits(elementIndex);
}

KeyParts keyParts(const QString &key)
{
    QString rest = key;
    rest.remove(QStringLiteral("Segment"));
    rest.remove(QStringLiteral("Element"));
    auto part = [&](int from) { return int(vb::Val(QStringView(rest).mid(from, 2))); };
    return {part(0), part(2), part(4)};
}

// ---- Tree ----

TreePlan planMapTree(const Map &map, const QString &currentKey)
{
    TreePlan plan;
    const QString root = QStringLiteral("Root");
    plan.nodes.push_back({QString(), root, mapKeyText(map.key), QStringLiteral("Segment"), false});
    if (map.segments.empty()) {
        plan.errorNumber = 3021;
        plan.error = QStringLiteral("The map ") + mapKeyText(map.key) + QStringLiteral(" has no segments.");
        return plan;
    }
    QHash<QString, QString> parentOf; // segment node key -> its parent's key
    QHash<QString, bool> present;
    int previousLevel = 0;
    // Elements by segment index, in element order, so each segment finds its own at once.
    QHash<int, std::vector<const ElementRow *>> bySegment;
    for (const ElementRow &e : map.elements)
        bySegment[e.segmentIndex].push_back(&e);
    for (const SegmentRow &s : map.segments) {
        const QString key = segmentKey(s.node, s.index);
        const QString previous = segmentKey(previousLevel, s.index - 1);
        QString parent;
        if (s.node == 1) {
            parent = root;
        } else {
            if (!present.contains(previous)) {
                plan.errorNumber = 35601;
                plan.error = QStringLiteral("Element not found: segment %1 (%2) at level %3 has no segment %4 "
                                            "before it to nest under.")
                                 .arg(s.index)
                                 .arg(s.segment)
                                 .arg(s.node)
                                 .arg(previous);
                return plan;
            }
            parent = s.node > previousLevel ? previous : parentOf.value(previous);
        }
        if (present.contains(key)) {
            plan.errorNumber = 35602;
            plan.error = QStringLiteral("Key is not unique in collection: ") + key;
            return plan;
        }
        plan.nodes.push_back({parent, key, s.segment, s.looping ? QStringLiteral("Looping") : QStringLiteral("Segment"),
                              s.expanded});
        present.insert(key, true);
        parentOf.insert(key, parent);
        if (key == currentKey)
            plan.selectedKey = key;
        bool any = false;
        for (const ElementRow *e : bySegment.value(s.index)) {
            if (e->segment.compare(s.segment, Qt::CaseInsensitive) != 0)
                continue;
            any = true;
            const QString ekey = elementKey(s.node, s.index, e->elementIndex);
            if (present.contains(ekey)) {
                plan.errorNumber = 35602;
                plan.error = QStringLiteral("Key is not unique in collection: ") + ekey;
                return plan;
            }
            plan.nodes.push_back({key, ekey,
                                  s.segment + twoDigits(e->elementIndex) + QStringLiteral(" - ")
                                      + (e->exclude ? QStringLiteral("Exclude") : e->name),
                                  QStringLiteral("Element"), false});
            present.insert(ekey, true);
            if (ekey == currentKey)
                plan.selectedKey = ekey;
        }
        if (!any) {
            plan.errorNumber = 3021;
            plan.error = QStringLiteral("Segment %1 (%2) has no elements.").arg(s.index).arg(s.segment);
            return plan;
        }
        previousLevel = s.node;
    }
    return plan;
}

SegmentSiblings segmentSiblings(const TreePlan &plan, const QString &segmentNodeKey)
{
    QString parent;
    bool found = false;
    for (const TreeNode &n : plan.nodes)
        if (n.key == segmentNodeKey) {
            parent = n.parentKey;
            found = true;
            break;
        }
    SegmentSiblings out;
    if (!found)
        return out;
    bool passed = false;
    for (const TreeNode &n : plan.nodes) {
        if (!n.isSegment() || n.parentKey != parent)
            continue;
        if (n.key == segmentNodeKey) {
            passed = true;
            continue;
        }
        if (!passed)
            out.previous = n.key;
        else if (out.next.isEmpty())
            out.next = n.key;
    }
    return out;
}

// ---- Panes ----

QString segmentUsageCode(int position) { return codeAt(kSegmentUsage, position); }
QString segmentLevelCode(int position) { return codeAt(kSegmentLevel, position); }
QString elementUsageCode(int position) { return codeAt(kElementUsage, position); }
QString elementTypeCode(int position) { return codeAt(kElementType, position); }
int segmentUsagePosition(const QString &code) { return int(kSegmentUsage.indexOf(code)); }
int segmentLevelPosition(const QString &code) { return int(kSegmentLevel.indexOf(code)); }
int elementUsagePosition(const QString &code) { return int(kElementUsage.indexOf(code)); }
int elementTypePosition(const QString &code) { return int(kElementType.indexOf(code)); }

QString maxUsageLoopText(qint64 value)
{
    return value == kUnbounded ? QStringLiteral(">1") : QString::number(value);
}

qint64 maxUsageLoopValue(const QString &text)
{
    if (text == QLatin1String("0"))
        return 1;
    if (text == QLatin1String(">1"))
        return kUnbounded;
    if (numeric(text))
        return wholeNumber(text);
    return 1;
}

std::optional<qint64> placeholdersValue(const QString &text)
{
    if (!numeric(text))
        return std::nullopt;
    if (vb::CDbl(vb::Variant(text)) == 0)
        return 1;
    return wholeNumber(text);
}

ElementPane correctedElementPane(ElementPane pane)
{
    const QString one = QStringLiteral("1");
    if (!numeric(pane.reference))
        pane.reference = one;
    if (!numeric(pane.minimum))
        pane.minimum = one;
    if (!numeric(pane.maximum))
        pane.maximum = one;
    auto value = [](const QString &t) { return vb::CDbl(vb::Variant(t)); };
    if (value(pane.maximum) > 32760)
        pane.maximum = QStringLiteral("32760");
    if (value(pane.maximum) < value(pane.minimum))
        pane.maximum = pane.minimum;
    return pane;
}

QString segmentPaneRefusal(const SegmentPane &pane)
{
    // "0", ">1" and text that is not a number stand for values of their own.
    if (pane.maxUsageLoop != QLatin1String("0") && pane.maxUsageLoop != QLatin1String(">1") && numeric(pane.maxUsageLoop))
        if (QString refusal = longRefusal(QStringLiteral("Max Usage/Loops"), pane.maxUsageLoop); !refusal.isEmpty())
            return refusal;
    if (numeric(pane.placeholders))
        return longRefusal(QStringLiteral("Placeholders"), pane.placeholders);
    return {};
}

QString elementPaneRefusal(const ElementPane &pane, bool withReference)
{
    const std::pair<const char *, const QString *> boxes[] = {
        {"Element ID", withReference ? &pane.reference : nullptr},
        {"Minimum Length", &pane.minimum},
        {"Maximum Length", &pane.maximum},
    };
    for (const auto &[field, text] : boxes)
        if (text)
            if (QString refusal = longRefusal(QString::fromLatin1(field), *text); !refusal.isEmpty())
                return refusal;
    return {};
}

QString segmentIdRefusal(const QString &typed, QString &id)
{
    id = typed.trimmed();
    if (id.size() < 2)
        return QStringLiteral("Invalid Segment Length Min(2)");
    id = id.toUpper();
    for (QChar c : id)
        if (!((c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')))
            return QStringLiteral("Invalid Segment Name");
    return {};
}

// ---- Store ----

MapStore::MapStore(ado::ConnectionPtr connection) : m_cn(std::move(connection)) {}

std::vector<TransactionSetRow> MapStore::transactionSets() const
{
    std::vector<TransactionSetRow> rows;
    ado::Recordset rs;
    rs.Open(modGlobal::TransactionListStatement(), m_cn, ado::adOpenForwardOnly, ado::adLockReadOnly);
    for (; !rs.Eof(); rs.MoveNext())
        rows.push_back({text(rs, "Partner"), text(rs, "Transaction"), text(rs, "Version"), text(rs, "Direction"),
                        text(rs, "Group"), text(rs, "Versionoverride")});
    rs.Close();
    return rows;
}

Map MapStore::read(const MapKey &key) const
{
    Map map;
    map.key = key;
    const core::MapRows rows = core::ReadMapRows(m_cn, key);
    for (const core::MapSegmentRow &r : rows.segments) {
        SegmentRow s;
        s.segment = text(r.segment);
        s.index = int(number(r.segmentIndex));
        s.node = int(number(r.node));
        s.looping = flag(r.looping);
        s.expanded = flag(r.expanded);
        s.exclude = flag(r.exclude);
        s.name = text(r.name);
        s.usage = text(r.usage);
        s.level = text(r.level);
        s.maxUsageLoop = number(r.maxUsageLoop);
        s.placeholders = number(r.placeholders);
        s.script = text(r.script);
        map.segments.push_back(std::move(s));
    }
    for (const core::MapElementRow &r : rows.elements) {
        ElementRow e;
        e.segment = text(r.segment);
        e.segmentIndex = int(number(r.segmentIndex));
        e.elementIndex = int(number(r.elementIndex));
        e.exclude = flag(r.exclude);
        e.reference = number(r.reference);
        e.name = text(r.name);
        e.usage = text(r.usage);
        e.type = text(r.type);
        e.minimum = number(r.minimum);
        e.maximum = number(r.maximum);
        e.script = text(r.script);
        e.format = text(r.format);
        map.elements.push_back(std::move(e));
    }
    return map;
}

template <class F>
auto MapStore::command(const MapKey &key, F &&body) -> decltype(body(std::declval<const Map &>()))
{
    return ado::inTransaction(*m_cn, [&] {
        // Another window or a tool may have removed the set since the map was shown.
        ado::Recordset set;
        set.Open(QStringLiteral("SELECT Transactions.Partner FROM Transactions") + where(QStringLiteral("Transactions"), key), key.values(),
                 m_cn, ado::adOpenForwardOnly, ado::adLockReadOnly);
        const bool exists = !set.Eof();
        set.Close();
        if (!exists)
            vb::raise(3021, QStringLiteral("The transaction set ") + mapKeyText(key)
                                + QStringLiteral(" no longer exists: its map is not changed."));
        const Map map = read(key);
        if (const QString broken = invariantError(map); !broken.isEmpty())
            vb::raise(5, broken);
        return body(map);
    });
}

void MapStore::setExpanded(const MapKey &key, int segmentIndex, bool expanded)
{
    m_cn->Execute(QStringLiteral("UPDATE Segment SET Expanded = ") + (expanded ? QStringLiteral("True") : QStringLiteral("False"))
                  + where(QStringLiteral("Segment"), key) + QStringLiteral(" AND Segment.SegmentIndex = ")
                  + num(segmentIndex), key.values());
}

namespace {

// A pane value its column cannot hold: nothing is written.
void refusePane(const QString &refusal)
{
    if (!refusal.isEmpty())
        vb::raise(6, refusal);
}

// The one segment row of `index`; 3021 when there is none.
void requireSegment(const Map &map, int index)
{
    if (!map.segment(index))
        vb::raise(3021, QStringLiteral("Segment %1 of the map %2 does not exist.").arg(index).arg(mapKeyText(map.key)));
}

} // namespace

QString MapStore::saveSegment(const MapKey &key, const QString &nodeKey, const SegmentPane &pane)
{
    const KeyParts k = keyParts(nodeKey);
    return command(key, [&](const Map &map) {
        requireSegment(map, k.index);
        refusePane(segmentPaneRefusal(pane));
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM Segment") + where(QStringLiteral("Segment"), key)
                    + QStringLiteral(" AND Segment.SegmentIndex = ") + num(k.index), key.values(),
                m_cn, ado::adOpenKeyset, ado::adLockOptimistic);
        rs.Fields(QStringLiteral("Looping")) = vb::Variant(pane.looping);
        rs.Fields(QStringLiteral("Exclude")) = vb::Variant(pane.exclude);
        rs.Fields(QStringLiteral("SegmentName")) = vb::Variant(pane.name);
        if (const QString usage = segmentUsageCode(pane.usage); !usage.isEmpty())
            rs.Fields(QStringLiteral("SegmentUsage")) = vb::Variant(usage);
        if (const QString level = segmentLevelCode(pane.level); !level.isEmpty())
            rs.Fields(QStringLiteral("Level")) = vb::Variant(level);
        rs.Fields(QStringLiteral("MaxUsageLoop")) = vb::Variant(qint32(maxUsageLoopValue(pane.maxUsageLoop)));
        if (const auto placeholders = placeholdersValue(pane.placeholders))
            rs.Fields(QStringLiteral("Placeholders")) = vb::Variant(qint32(*placeholders));
        rs.Fields(QStringLiteral("SegmentScript")) = vb::Variant(pane.script);
        rs.Update();
        rs.Close();
        return segmentKey(k.level, k.index);
    });
}

void MapStore::insertSegmentRoom(const MapKey &key, int after)
{
    // Each later row's number from its own: old + 1.
    m_cn->Execute(QStringLiteral("UPDATE Segment SET SegmentIndex = SegmentIndex + 1") + where(QStringLiteral("Segment"), key)
                  + QStringLiteral(" AND Segment.SegmentIndex > ") + num(after), key.values());
    m_cn->Execute(QStringLiteral("UPDATE Element SET SegmentIndex = SegmentIndex + 1") + where(QStringLiteral("Element"), key)
                  + QStringLiteral(" AND Element.SegmentIndex > ") + num(after), key.values());
}

void MapStore::insertSegment(const MapKey &key, const QString &id, int index, int level,
                             const std::function<void(ado::Recordset &)> &more)
{
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM Segment WHERE 1 = 0"), m_cn, ado::adOpenKeyset, ado::adLockOptimistic);
    rs.AddNew();
    ado::writeRow(rs, [&] {
        rs.Fields(QStringLiteral("Partner")) = vb::Variant(key.partner);
        rs.Fields(QStringLiteral("Version")) = vb::Variant(key.version);
        rs.Fields(QStringLiteral("Transaction")) = vb::Variant(key.transaction);
        rs.Fields(QStringLiteral("Direction")) = vb::Variant(key.direction);
        rs.Fields(QStringLiteral("Segment")) = vb::Variant(id);
        rs.Fields(QStringLiteral("SegmentIndex")) = vb::Variant(qint32(index));
        rs.Fields(QStringLiteral("Node")) = vb::Variant(qint32(level));
        if (more)
            more(rs);
    });
}

void MapStore::insertElement(const MapKey &key, const ElementRow &row, ElementColumns columns)
{
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM Element WHERE 1 = 0"), m_cn, ado::adOpenKeyset, ado::adLockOptimistic);
    rs.AddNew();
    ado::writeRow(rs, [&] {
        rs.Fields(QStringLiteral("Partner")) = vb::Variant(key.partner);
        rs.Fields(QStringLiteral("Version")) = vb::Variant(key.version);
        rs.Fields(QStringLiteral("Transaction")) = vb::Variant(key.transaction);
        rs.Fields(QStringLiteral("Segment")) = vb::Variant(row.segment);
        rs.Fields(QStringLiteral("ElementIndex")) = vb::Variant(qint32(row.elementIndex));
        rs.Fields(QStringLiteral("SegmentIndex")) = vb::Variant(qint32(row.segmentIndex));
        rs.Fields(QStringLiteral("Direction")) = vb::Variant(key.direction);
        if (columns == ElementColumns::Key)
            return;
        rs.Fields(QStringLiteral("Exclude")) = vb::Variant(row.exclude);
        if (columns == ElementColumns::All)
            rs.Fields(QStringLiteral("Reference")) = vb::Variant(qint32(row.reference));
        rs.Fields(QStringLiteral("ElementName")) = vb::Variant(row.name);
        // A list without a choice leaves the column at its default.
        if (!row.usage.isEmpty())
            rs.Fields(QStringLiteral("ElementUsage")) = vb::Variant(row.usage);
        if (!row.type.isEmpty())
            rs.Fields(QStringLiteral("Type")) = vb::Variant(row.type);
        rs.Fields(QStringLiteral("Minimum")) = vb::Variant(qint32(row.minimum));
        rs.Fields(QStringLiteral("Maximum")) = vb::Variant(qint32(row.maximum));
        rs.Fields(QStringLiteral("ElementScript")) = vb::Variant(row.script);
        rs.Fields(QStringLiteral("Format")) = vb::Variant(row.format);
    });
}

std::optional<QString> MapStore::addSegment(const MapKey &key, const QString &nodeKey, const QString &id,
                                            const QString &level)
{
    const KeyParts k = keyParts(nodeKey);
    return command(key, [&](const Map &map) -> std::optional<QString> {
        const int count = int(map.segments.size());
        if (count >= kMaxSegments)
            return std::nullopt;
        requireSegment(map, k.index);
        if (k.index != count)
            insertSegmentRoom(key, k.index);
        insertSegment(key, id, k.index + 1, k.level, [&](ado::Recordset &rs) {
            if (!level.isEmpty())
                rs.Fields(QStringLiteral("Level")) = vb::Variant(level);
        });
        ElementRow first;
        first.segment = id;
        first.segmentIndex = k.index + 1;
        first.elementIndex = 1;
        insertElement(key, first, ElementColumns::Key);
        return segmentKey(k.level, k.index + 1);
    });
}

QString MapStore::deleteSegment(const MapKey &key, const QString &nodeKey)
{
    const KeyParts k = keyParts(nodeKey);
    return command(key, [&](const Map &map) {
        requireSegment(map, k.index);
        if (k.index <= 1)
            vb::raise(5, QStringLiteral("Last Segment Not Allowed"));
        const int previousLevel = map.segment(k.index - 1)->node;
        m_cn->Execute(QStringLiteral("DELETE FROM Element") + where(QStringLiteral("Element"), key)
                      + QStringLiteral(" AND Element.SegmentIndex = ") + num(k.index), key.values());
        m_cn->Execute(QStringLiteral("DELETE FROM Segment") + where(QStringLiteral("Segment"), key)
                      + QStringLiteral(" AND Segment.SegmentIndex = ") + num(k.index), key.values());
        // Each later row's number from its own: old - 1.
        m_cn->Execute(QStringLiteral("UPDATE Segment SET SegmentIndex = SegmentIndex - 1")
                      + where(QStringLiteral("Segment"), key) + QStringLiteral(" AND Segment.SegmentIndex > ")
                      + num(k.index), key.values());
        m_cn->Execute(QStringLiteral("UPDATE Element SET SegmentIndex = SegmentIndex - 1")
                      + where(QStringLiteral("Element"), key) + QStringLiteral(" AND Element.SegmentIndex > ")
                      + num(k.index), key.values());
        return segmentKey(previousLevel, k.index - 1);
    });
}

std::optional<QString> MapStore::duplicateSegment(const MapKey &key, const QString &nodeKey, const QString &id,
                                                  const SegmentPane &pane)
{
    const KeyParts k = keyParts(nodeKey);
    return command(key, [&](const Map &map) -> std::optional<QString> {
        const int count = int(map.segments.size());
        if (count + 1 > kMaxSegments)
            return std::nullopt;
        requireSegment(map, k.index);
        const SegmentRow &source = *map.segment(k.index);
        refusePane(segmentPaneRefusal(pane));
        // Read every value before the first write, so a refused value writes nothing.
        const qint32 maxUsage = qint32(maxUsageLoopValue(pane.maxUsageLoop));
        const qint32 placeholders = qint32(placeholdersValue(pane.placeholders).value_or(source.placeholders));
        if (k.index < count)
            insertSegmentRoom(key, k.index);
        insertSegment(key, id, k.index + 1, k.level, [&](ado::Recordset &rs) {
            rs.Fields(QStringLiteral("Looping")) = vb::Variant(pane.looping);
            rs.Fields(QStringLiteral("Exclude")) = vb::Variant(pane.exclude);
            rs.Fields(QStringLiteral("SegmentName")) = vb::Variant(pane.name);
            if (const QString usage = segmentUsageCode(pane.usage); !usage.isEmpty())
                rs.Fields(QStringLiteral("SegmentUsage")) = vb::Variant(usage);
            if (const QString level = segmentLevelCode(pane.level); !level.isEmpty())
                rs.Fields(QStringLiteral("Level")) = vb::Variant(level);
            rs.Fields(QStringLiteral("MaxUsageLoop")) = vb::Variant(maxUsage);
            rs.Fields(QStringLiteral("Placeholders")) = vb::Variant(placeholders);
            rs.Fields(QStringLiteral("SegmentScript")) = vb::Variant(pane.script);
        });
        for (const ElementRow &e : map.elements) {
            if (e.segmentIndex != k.index)
                continue;
            ElementRow copy = e;
            copy.segment = id;
            copy.segmentIndex = k.index + 1;
            insertElement(key, copy, ElementColumns::All);
        }
        return segmentKey(k.level, k.index + 1);
    });
}

std::optional<QString> MapStore::moveSegmentIn(const MapKey &key, const QString &nodeKey)
{
    return moveSegmentLevel(key, nodeKey, true);
}

std::optional<QString> MapStore::moveSegmentOut(const MapKey &key, const QString &nodeKey)
{
    return moveSegmentLevel(key, nodeKey, false);
}

std::optional<QString> MapStore::moveSegmentLevel(const MapKey &key, const QString &nodeKey, bool in)
{
    const KeyParts k = keyParts(nodeKey);
    return command(key, [&](const Map &map) -> std::optional<QString> {
        const TreePlan plan = planMapTree(map, {});
        if (segmentSiblings(plan, nodeKey).previous.isEmpty() || (in && k.level == 1))
            return std::nullopt;
        requireSegment(map, k.index - 1);
        // The segment before is never shallower than one with a previous sibling.
        const int p = map.segment(k.index - 1)->node;
        if (p < k.level)
            return std::nullopt;
        // In: back to the top when level with the one before, else unchanged.
        // Out: one deeper when level with it, else to its level.
        const int n = in ? (p == k.level ? 1 : k.level) : (p == k.level ? k.level + 1 : p);
        m_cn->Execute(QStringLiteral("UPDATE Segment SET Node = ") + num(n) + where(QStringLiteral("Segment"), key)
                      + QStringLiteral(" AND Segment.SegmentIndex >= ") + num(k.index), key.values());
        return segmentKey(n, k.index);
    });
}

namespace {

// Exchanges the numbers a and b of the rows of one column, through a number
// no row holds.
void swapNumbers(ado::Connection &cn, const QString &table, const QString &column, const QString &condition,
                 const ado::Parameters &values, int a, int b)
{
    const QString set = QStringLiteral("UPDATE ") + table + QStringLiteral(" SET ") + column + QStringLiteral(" = ");
    const QString at = condition + QStringLiteral(" AND ") + table + u'.' + column + QStringLiteral(" = ");
    cn.Execute(set + QStringLiteral("-1") + at + num(a), values);
    cn.Execute(set + num(a) + at + num(b), values);
    cn.Execute(set + num(b) + at + QStringLiteral("-1"), values);
}

} // namespace

std::optional<QString> MapStore::moveSegmentUp(const MapKey &key, const QString &nodeKey)
{
    const KeyParts k = keyParts(nodeKey);
    return command(key, [&](const Map &map) -> std::optional<QString> {
        const TreePlan plan = planMapTree(map, {});
        const QString previous = segmentSiblings(plan, nodeKey).previous;
        if (previous.isEmpty() || keyParts(previous).index + 1 != k.index)
            return std::nullopt;
        swapNumbers(*m_cn, QStringLiteral("Segment"), QStringLiteral("SegmentIndex"), where(QStringLiteral("Segment"), key), key.values(),
                    k.index - 1, k.index);
        swapNumbers(*m_cn, QStringLiteral("Element"), QStringLiteral("SegmentIndex"), where(QStringLiteral("Element"), key), key.values(),
                    k.index - 1, k.index);
        return segmentKey(k.level, k.index - 1);
    });
}

std::optional<QString> MapStore::moveSegmentDown(const MapKey &key, const QString &nodeKey)
{
    const KeyParts k = keyParts(nodeKey);
    return command(key, [&](const Map &map) -> std::optional<QString> {
        const TreePlan plan = planMapTree(map, {});
        const QString next = segmentSiblings(plan, nodeKey).next;
        if (next.isEmpty() || keyParts(next).index != k.index + 1)
            return std::nullopt;
        swapNumbers(*m_cn, QStringLiteral("Segment"), QStringLiteral("SegmentIndex"), where(QStringLiteral("Segment"), key), key.values(),
                    k.index, k.index + 1);
        swapNumbers(*m_cn, QStringLiteral("Element"), QStringLiteral("SegmentIndex"), where(QStringLiteral("Element"), key), key.values(),
                    k.index, k.index + 1);
        return segmentKey(k.level, k.index + 1);
    });
}

QString MapStore::saveElement(const MapKey &key, const QString &nodeKey, const ElementPane &pane)
{
    const KeyParts k = keyParts(nodeKey);
    return command(key, [&](const Map &) {
        refusePane(elementPaneRefusal(pane));
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM Element") + where(QStringLiteral("Element"), key)
                    + QStringLiteral(" AND Element.SegmentIndex = ") + num(k.index)
                    + QStringLiteral(" AND Element.ElementIndex = ") + num(k.element), key.values(),
                m_cn, ado::adOpenKeyset, ado::adLockOptimistic);
        if (rs.Eof())
            vb::raise(3021, QStringLiteral("Element %1 of segment %2 of the map %3 does not exist.")
                                .arg(k.element)
                                .arg(k.index)
                                .arg(mapKeyText(key)));
        rs.Fields(QStringLiteral("Partner")) = vb::Variant(key.partner);
        rs.Fields(QStringLiteral("Version")) = vb::Variant(key.version);
        rs.Fields(QStringLiteral("Reference")) = vb::Variant(wholeNumber(pane.reference));
        rs.Fields(QStringLiteral("ElementIndex")) = vb::Variant(qint32(k.element));
        rs.Fields(QStringLiteral("Exclude")) = vb::Variant(pane.exclude);
        rs.Fields(QStringLiteral("ElementName")) = vb::Variant(pane.name);
        if (const QString usage = elementUsageCode(pane.usage); !usage.isEmpty())
            rs.Fields(QStringLiteral("ElementUsage")) = vb::Variant(usage);
        if (const QString type = elementTypeCode(pane.type); !type.isEmpty())
            rs.Fields(QStringLiteral("Type")) = vb::Variant(type);
        rs.Fields(QStringLiteral("Minimum")) = vb::Variant(wholeNumber(pane.minimum));
        rs.Fields(QStringLiteral("Maximum")) = vb::Variant(wholeNumber(pane.maximum));
        rs.Fields(QStringLiteral("ElementScript")) = vb::Variant(pane.script);
        rs.Fields(QStringLiteral("Format")) = vb::Variant(pane.format);
        rs.Update();
        rs.Close();
        return elementKey(k.level, k.index, k.element);
    });
}

std::optional<QString> MapStore::appendElement(const MapKey &key, int level, int segmentIndex, const QString &id,
                                               const QString &keepKey)
{
    return command(key, [&](const Map &map) -> std::optional<QString> {
        requireSegment(map, segmentIndex);
        const int n = map.elementCount(segmentIndex) + 1;
        if (n > kMaxElements)
            return std::nullopt;
        ElementRow row;
        row.segment = id;
        row.segmentIndex = segmentIndex;
        row.elementIndex = n;
        insertElement(key, row, ElementColumns::Key);
        return n == 1 ? keepKey : elementKey(level, segmentIndex, n);
    });
}

std::optional<QString> MapStore::duplicateElement(const MapKey &key, const QString &nodeKey, const QString &id,
                                                  const ElementPane &pane)
{
    const KeyParts k = keyParts(nodeKey);
    return command(key, [&](const Map &map) -> std::optional<QString> {
        requireSegment(map, k.index);
        const int n = map.elementCount(k.index) + 1;
        if (n > kMaxElements)
            return std::nullopt;
        refusePane(elementPaneRefusal(pane, false));
        ElementRow row;
        row.segment = id;
        row.segmentIndex = k.index;
        row.elementIndex = n;
        row.exclude = pane.exclude;
        row.name = pane.name;
        row.minimum = wholeNumber(pane.minimum);
        row.maximum = wholeNumber(pane.maximum);
        row.script = pane.script;
        row.format = pane.format;
        row.usage = elementUsageCode(pane.usage);
        row.type = elementTypeCode(pane.type);
        insertElement(key, row, ElementColumns::AllButReference);
        return elementKey(k.level, k.index, n);
    });
}

std::optional<QString> MapStore::deleteElement(const MapKey &key, const QString &nodeKey, const QString &id)
{
    const KeyParts k = keyParts(nodeKey);
    return command(key, [&](const Map &map) -> std::optional<QString> {
        if (map.elementsOf(k.index, id).empty())
            return std::nullopt;
        if (map.elementCount(k.index) <= 1)
            vb::raise(5, QStringLiteral("Last Element Not Allowed"));
        const QString rows = where(QStringLiteral("Element"), key) + QStringLiteral(" AND Element.Segment = ")
            + ado::SqlText(id) + QStringLiteral(" AND Element.SegmentIndex = ") + num(k.index);
        m_cn->Execute(QStringLiteral("DELETE FROM Element") + rows + QStringLiteral(" AND Element.ElementIndex = ")
                      + num(k.element), key.values());
        m_cn->Execute(QStringLiteral("UPDATE Element SET ElementIndex = ElementIndex - 1") + rows
                      + QStringLiteral(" AND Element.ElementIndex > ") + num(k.element), key.values());
        return elementKey(k.level, k.index, k.element > 1 ? k.element - 1 : 1);
    });
}

std::optional<QString> MapStore::moveElementUp(const MapKey &key, const QString &nodeKey)
{
    const KeyParts k = keyParts(nodeKey);
    return command(key, [&](const Map &map) -> std::optional<QString> {
        if (k.element <= 1 || k.element > map.elementCount(k.index))
            return std::nullopt;
        swapNumbers(*m_cn, QStringLiteral("Element"), QStringLiteral("ElementIndex"),
                    where(QStringLiteral("Element"), key) + QStringLiteral(" AND Element.SegmentIndex = ") + num(k.index), key.values(),
                    k.element - 1, k.element);
        return elementKey(k.level, k.index, k.element - 1);
    });
}

std::optional<QString> MapStore::moveElementDown(const MapKey &key, const QString &nodeKey)
{
    const KeyParts k = keyParts(nodeKey);
    return command(key, [&](const Map &map) -> std::optional<QString> {
        if (k.element < 1 || k.element >= map.elementCount(k.index))
            return std::nullopt;
        swapNumbers(*m_cn, QStringLiteral("Element"), QStringLiteral("ElementIndex"),
                    where(QStringLiteral("Element"), key) + QStringLiteral(" AND Element.SegmentIndex = ") + num(k.index), key.values(),
                    k.element, k.element + 1);
        return elementKey(k.level, k.index, k.element + 1);
    });
}

} // namespace mapeditor
