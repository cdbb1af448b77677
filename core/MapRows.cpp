#include "core/MapRows.h"

#include "ado/Recordset.h"

namespace core {

namespace {

vb::Variant column(const ado::Recordset &rs, const char *name)
{
    return rs.Fields(QString::fromLatin1(name)).Value();
}

} // namespace

MapRows ReadMapRows(const ado::ConnectionPtr &connection, const SetKey &key)
{
    MapRows map;
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM Segment WHERE ") + key.condition(QStringLiteral("Segment"))
                + QStringLiteral(" ORDER BY Segment.SegmentIndex ASC"),
            key.values(), connection, ado::adOpenForwardOnly, ado::adLockReadOnly);
    for (; !rs.Eof(); rs.MoveNext()) {
        map.segments.push_back({column(rs, "Segment"), column(rs, "SegmentIndex"), column(rs, "Node"),
                                column(rs, "Looping"), column(rs, "Expanded"), column(rs, "Exclude"),
                                column(rs, "SegmentName"), column(rs, "SegmentUsage"), column(rs, "Level"),
                                column(rs, "MaxUsageLoop"), column(rs, "Placeholders"), column(rs, "SegmentScript")});
    }
    rs.Close();
    ado::Recordset re;
    re.Open(QStringLiteral("SELECT * FROM Element WHERE ") + key.condition(QStringLiteral("Element"))
                + QStringLiteral(" ORDER BY Element.SegmentIndex ASC, Element.ElementIndex ASC"),
            key.values(), connection, ado::adOpenForwardOnly, ado::adLockReadOnly);
    for (; !re.Eof(); re.MoveNext()) {
        map.elements.push_back({column(re, "Segment"), column(re, "SegmentIndex"), column(re, "ElementIndex"),
                                column(re, "Exclude"), column(re, "Reference"), column(re, "ElementName"),
                                column(re, "ElementUsage"), column(re, "Type"), column(re, "Minimum"),
                                column(re, "Maximum"), column(re, "ElementScript"), column(re, "Format")});
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
