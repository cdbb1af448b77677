#include "core/MapRows.h"

#include "ado/Recordset.h"

#include <array>

namespace core {

namespace {

// The fields of an open set by name, looked up once: a map's rows are many.
template <size_t N>
std::array<const ado::Field *, N> fieldsOf(const ado::Recordset &rs, const char *const (&names)[N])
{
    std::array<const ado::Field *, N> fields{};
    for (size_t i = 0; i < N; ++i)
        fields[i] = &rs.Fields(QString::fromLatin1(names[i]));
    return fields;
}

void reserveFor(const ado::Recordset &rs, auto &rows)
{
    const long count = rs.RecordCount();
    if (count > 0)
        rows.reserve(size_t(count));
}

} // namespace

MapRows ReadMapRows(const ado::ConnectionPtr &connection, const SetKey &key)
{
    MapRows map;
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM Segment WHERE ") + key.condition(QStringLiteral("Segment"))
                + QStringLiteral(" ORDER BY Segment.SegmentIndex ASC"),
            key.values(), connection, ado::adOpenForwardOnly, ado::adLockReadOnly);
    static const char *const segmentColumns[] = {"Segment",      "SegmentIndex", "Node",  "Looping",
                                                 "Expanded",     "Exclude",      "SegmentName", "SegmentUsage",
                                                 "Level",        "MaxUsageLoop", "Placeholders", "SegmentScript"};
    const auto s = fieldsOf(rs, segmentColumns);
    reserveFor(rs, map.segments);
    for (; !rs.Eof(); rs.MoveNext()) {
        MapSegmentRow &row = map.segments.emplace_back();
        row.segment = s[0]->Value();
        row.segmentIndex = s[1]->Value();
        row.node = s[2]->Value();
        row.looping = s[3]->Value();
        row.expanded = s[4]->Value();
        row.exclude = s[5]->Value();
        row.name = s[6]->Value();
        row.usage = s[7]->Value();
        row.level = s[8]->Value();
        row.maxUsageLoop = s[9]->Value();
        row.placeholders = s[10]->Value();
        row.script = s[11]->Value();
    }
    rs.Close();
    ado::Recordset re;
    re.Open(QStringLiteral("SELECT * FROM Element WHERE ") + key.condition(QStringLiteral("Element"))
                + QStringLiteral(" ORDER BY Element.SegmentIndex ASC, Element.ElementIndex ASC"),
            key.values(), connection, ado::adOpenForwardOnly, ado::adLockReadOnly);
    static const char *const elementColumns[] = {"Segment",     "SegmentIndex", "ElementIndex", "Exclude",
                                                 "Reference",   "ElementName",  "ElementUsage", "Type",
                                                 "Minimum",     "Maximum",      "ElementScript", "Format"};
    const auto e = fieldsOf(re, elementColumns);
    reserveFor(re, map.elements);
    for (; !re.Eof(); re.MoveNext()) {
        MapElementRow &row = map.elements.emplace_back();
        row.segment = e[0]->Value();
        row.segmentIndex = e[1]->Value();
        row.elementIndex = e[2]->Value();
        row.exclude = e[3]->Value();
        row.reference = e[4]->Value();
        row.name = e[5]->Value();
        row.usage = e[6]->Value();
        row.type = e[7]->Value();
        row.minimum = e[8]->Value();
        row.maximum = e[9]->Value();
        row.script = e[10]->Value();
        row.format = e[11]->Value();
    }
    re.Close();
    return map;
}

bool sameIdentifier(QStringView a, QStringView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x >= u'a' && x <= u'z')
            x -= 32;
        if (y >= u'a' && y <= u'z')
            y -= 32;
        if (x != y)
            return false;
    }
    return true;
}

QString textOf(const vb::Variant &value)
{
    return value.isNull() || value.isEmpty() ? QString() : value.toString();
}

} // namespace core
