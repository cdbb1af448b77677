// The one reader of a map's Segment and Element rows.
#include "TestDatabase.h"

#include "core/MapRows.h"

#include "ado/Recordset.h"
#include "vb/VbError.h"

#include <gtest/gtest.h>

using core::MapRows;
using core::SetKey;
using corvantis::test::FreshDatabase;

namespace {

void addSegment(ado::Connection &cn, const SetKey &key, const QString &id, int index, const QString &script = {})
{
    cn.Execute(QStringLiteral("INSERT INTO Segment (Partner, [Transaction], Version, Direction, Segment, SegmentIndex,"
                              " Node, SegmentScript) VALUES (?, ?, ?, ?, ?, ?, 1, ?)"),
               {key.partner, key.transaction, key.version, key.direction, id, int32_t(index), script});
}

void addElement(ado::Connection &cn, const SetKey &key, const QString &id, int segmentIndex, int elementIndex,
                const vb::Variant &maximum)
{
    cn.Execute(QStringLiteral("INSERT INTO Element (Partner, [Transaction], Version, Direction, Segment, SegmentIndex,"
                              " ElementIndex, Maximum) VALUES (?, ?, ?, ?, ?, ?, ?, ?)"),
               {key.partner, key.transaction, key.version, key.direction, id, int32_t(segmentIndex),
                int32_t(elementIndex), maximum});
}

QString segmentsOf(const MapRows &map)
{
    QStringList out;
    for (const core::MapSegmentRow &row : map.segments)
        out << core::textOf(row.segment) + QString::number(row.segmentIndex.toLong());
    return out.join(u' ');
}

QString elementsOf(const MapRows &map)
{
    QStringList out;
    for (const core::MapElementRow &row : map.elements)
        out << core::textOf(row.segment) + QString::number(row.segmentIndex.toLong()) + u'.'
                + QString::number(row.elementIndex.toLong()) + u'=' + core::textOf(row.maximum);
    return out.join(u' ');
}

} // namespace

TEST(MapRows, ReadsTheKeysRowsInMapOrder)
{
    FreshDatabase db;
    ado::Connection &cn = db.connection();
    const SetKey key{QStringLiteral("O'NEIL"), QStringLiteral("850"), QStringLiteral("004010"), QStringLiteral("I")};
    const SetKey other{QStringLiteral("O'NEIL"), QStringLiteral("850"), QStringLiteral("004010"), QStringLiteral("O")};
    // Stored out of order, with another key's rows between them.
    addSegment(cn, key, QStringLiteral("N1"), 3);
    addSegment(cn, other, QStringLiteral("ST"), 1);
    addSegment(cn, key, QStringLiteral("BEG"), 2, QStringLiteral("x = 1"));
    addSegment(cn, key, QStringLiteral("ST"), 1);
    addSegment(cn, key, QStringLiteral("REF"), 2);
    addElement(cn, key, QStringLiteral("N1"), 3, 2, 60);
    addElement(cn, key, QStringLiteral("N1"), 3, 1, 2);
    addElement(cn, other, QStringLiteral("ST"), 1, 1, 3);
    addElement(cn, key, QStringLiteral("BEG"), 2, 1, 2);
    addElement(cn, key, QStringLiteral("ST"), 1, 1, 1);

    const MapRows map = core::ReadMapRows(db.connectionPtr(), key);
    EXPECT_EQ(segmentsOf(map), QStringLiteral("ST1 BEG2 REF2 N13"));
    EXPECT_EQ(elementsOf(map), QStringLiteral("ST1.1=1 BEG2.1=2 N13.1=2 N13.2=60"));
    ASSERT_EQ(map.segments.size(), 4u);
    EXPECT_EQ(core::textOf(map.segments[1].script), QStringLiteral("x = 1"));

    // Letter case of the key does not matter, as in every other statement.
    const MapRows lower = core::ReadMapRows(db.connectionPtr(), {QStringLiteral("o'neil"), QStringLiteral("850"),
                                                                QStringLiteral("004010"), QStringLiteral("i")});
    EXPECT_EQ(segmentsOf(lower), segmentsOf(map));
    // A key without rows reads an empty map; no connection is an error.
    EXPECT_TRUE(core::ReadMapRows(db.connectionPtr(), {QStringLiteral("NONE"), QStringLiteral("850"),
                                                        QStringLiteral("004010"), QStringLiteral("I")})
                    .segments.empty());
    EXPECT_THROW(core::ReadMapRows(nullptr, key), vb::VbError);
}

TEST(MapRows, IdentifiersCompareAsTheDatabaseDoes)
{
    const struct {
        const char16_t *a, *b;
        bool same;
    } cases[] = {
        {u"BFR", u"BFR", true}, {u"BFR", u"bfr", true},  {u"n1", u"N1", true},  {u"BFR", u"BFR ", false},
        {u"N1", u"N2", false},  {u"", u"", true},         {u"É", u"é", false}, {u"N1", u"N", false},
    };
    for (const auto &c : cases) {
        const QString a = QString::fromUtf16(c.a), b = QString::fromUtf16(c.b);
        EXPECT_EQ(core::sameIdentifier(a, b), c.same) << a.toStdString() << " / " << b.toStdString();
        EXPECT_EQ(core::sameIdentifier(b, a), c.same);
    }
}
