// Lorvanne.Freightliner_862_003020_I: the new shipping schedule against the
// previous one, both translated record sets built as small tables.
#include "LorvanneTest.h"

#include "LogCapture.h"

#include "vb/Conversions.h"

using vb::Variant;
using namespace lorvanne::test;
using corvantis::test::dialogs;

namespace {

const QStringList kShown = {"5LIN03", "4N104", "7FST01", "7FST04", "1BSS02", "1BSS03", "1BSS05", "1BSS06", "8CTT02", "9EXCE01"};

class ShippingExceptions : public LorvanneTest {
protected:
    bool activeX(const ado::RecordsetPtr &fresh, const ado::RecordsetPtr &previous)
    {
        std::vector<Variant> args{com::toVariant(fresh), com::toVariant(previous), Variant("Freightliner"), Variant("862"),
                                  Variant("003020"), Variant("I")};
        const Variant result = call(create("Freightliner_862_003020_I"), "ActiveX", args);
        EXPECT_EQ(com::recordsetOf(args[0]), fresh) << "the new schedule stays the record set reported on";
        return result.toBool();
    }

    // A fixture table: only its first keepRows rows when given, without the
    // column dropField when given.
    static QString table(const QString &fixture, int keepRows = -1, const QString &dropField = {})
    {
        QStringList lines;
        for (const QString &line : readFixture(fixture).split('\n'))
            if (!line.trimmed().isEmpty() && !line.startsWith('#'))
                lines << line;
        if (keepRows >= 0)
            lines = lines.mid(0, keepRows + 1);
        if (!dropField.isEmpty()) {
            const qsizetype column = lines.first().split('|').indexOf(dropField);
            for (QString &line : lines) {
                QStringList values = line.split('|');
                values.removeAt(column);
                line = values.join('|');
            }
        }
        return lines.join('\n');
    }
};

} // namespace

TEST_F(ShippingExceptions, FixturePairGivesTheGoldenMarks)
{
    const ado::RecordsetPtr fresh = tableRecordset(table("862/new.txt"));
    const ado::RecordsetPtr previous = tableRecordset(table("862/previous.txt"));
    ASSERT_TRUE(activeX(fresh, previous));
    EXPECT_TRUE(fresh->Eof()) << "left past its last row";
    expectGolden("862/marks.golden", dump(*fresh, kShown));
    // Matched previous lines are consumed; the unmatched ones stay there too.
    EXPECT_EQ(dump(*previous, {"5LIN03", "7FST04"}), "P3 | 12/14/2026\nP1 | 12/16/2026\n");
    EXPECT_TRUE(dialogs().boxes().empty());
}

TEST_F(ShippingExceptions, IdenticalSchedulesLeaveNothing)
{
    const ado::RecordsetPtr fresh = tableRecordset(table("862/previous.txt"));
    const ado::RecordsetPtr previous = tableRecordset(table("862/previous.txt"));
    ASSERT_TRUE(activeX(fresh, previous));
    EXPECT_EQ(fresh->RecordCount(), 0);
    EXPECT_EQ(previous->RecordCount(), 0);
}

TEST_F(ShippingExceptions, EveryLineIsNewWhenThePreviousScheduleRunsOut)
{
    // No previous lines at all, and previous lines used up before the new schedule ends.
    const ado::RecordsetPtr fresh = tableRecordset(table("862/new.txt", 3));
    ASSERT_TRUE(activeX(fresh, tableRecordset(table("862/previous.txt", 0))));
    EXPECT_EQ(dump(*fresh, {"5LIN03", "9EXCE01"}), "P1 | NEW\nP1 | NEW\nP1 | NEW\n");

    const ado::RecordsetPtr again = tableRecordset(table("862/new.txt", 3));
    ASSERT_TRUE(activeX(again, tableRecordset(table("862/previous.txt", 1))));
    EXPECT_EQ(dump(*again, {"5LIN03", "4N104", "7FST01", "9EXCE01"}), "P1 | DC1 | 80 | NEW\nP1 | DC2 | 10 | NEW\n")
        << "the first line matched the only previous line and left; the others are new";
}

TEST_F(ShippingExceptions, MissingFieldGivesFalseKeepingEarlierChanges)
{
    // 8CTT02 is only needed for the "REMOVED" lines: the marks are written
    // and the matched previous lines consumed before the failure.
    const ado::RecordsetPtr fresh = tableRecordset(table("862/new.txt", -1, "8CTT02"));
    const ado::RecordsetPtr previous = tableRecordset(table("862/previous.txt", -1, "8CTT02"));
    EXPECT_FALSE(activeX(fresh, previous));
    EXPECT_EQ(dump(*previous, {"5LIN03", "7FST04"}), "P3 | 12/14/2026\nP1 | 12/16/2026\n");
    EXPECT_EQ(dump(*fresh, {"9EXCE01"}), "\nQTY WAS 50 IS 80\n\nNEW\nNEW\nNEW\nNEW\nNEW\nNEW\n")
        << "the marks stay; the unchanged lines were not yet removed";

    // Without the mark field nothing can be written at all.
    const ado::RecordsetPtr unmarked = tableRecordset(table("862/new.txt", -1, "9EXCE01"));
    const ado::RecordsetPtr untouched = tableRecordset(table("862/previous.txt", -1, "9EXCE01"));
    EXPECT_FALSE(activeX(unmarked, untouched));
    EXPECT_EQ(unmarked->RecordCount(), 9);
    EXPECT_EQ(untouched->RecordCount(), 4) << "only the line matched before the failure is consumed";
    EXPECT_TRUE(dialogs().boxes().empty());
}

TEST_F(ShippingExceptions, EmptyNewScheduleOrNoPreviousObjectGiveFalse)
{
    EXPECT_FALSE(activeX(tableRecordset(table("862/new.txt", 0)), tableRecordset(table("862/previous.txt"))));
    std::vector<Variant> args{com::toVariant(tableRecordset(table("862/new.txt"))), Variant::nothing(), Variant(""), Variant(""),
                              Variant(""), Variant("")};
    EXPECT_FALSE(call(create("Freightliner_862_003020_I"), "ActiveX", args).toBool());
}

TEST_F(ShippingExceptions, AFalseFromAFailureRecordsItsCause)
{
    struct Case {
        const char *name;
        ado::RecordsetPtr fresh, previous;
        const char *cause;
    };
    const Case cases[] = {
        {"no previous schedule", tableRecordset(table("862/new.txt")), nullptr, ": 91 "},
        {"no mark field", tableRecordset(table("862/new.txt", -1, "9EXCE01")),
         tableRecordset(table("862/previous.txt", -1, "9EXCE01")), ": 3265 "},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        corvantis::test::LogCapture log("corvantis.plugins");
        EXPECT_FALSE(activeX(c.fresh, c.previous));
        EXPECT_EQ(log.linesWith({"862 exceptions: the schedules were not compared", c.cause}).size(), 1)
            << log.joined().toStdString();
    }
}

TEST_F(ShippingExceptions, QuantityTextInTheMark)
{
    const QString header = "1BSS03:date|1BSS05:date|1BSS06:date|4N104|5LIN03|5LIN05|5LIN07|7FST01:single|7FST04:date|9EXCE01\n";
    const std::vector<std::tuple<const char *, const char *, QString>> cases = {
        {"12.5", "100", "QTY WAS 12.5 IS 100"},
        {"100", "150", "QTY WAS 100 IS 150"},
        {"0", "7.25", "QTY WAS 0 IS 7.25"},
    };
    for (const auto &[before, after, mark] : cases) {
        SCOPED_TRACE(mark.toStdString());
        const QString line = "12/07/2026|12/07/2026|3/7/2027|DC1|P1|E1|A1|%1|12/14/2026|\n";
        const ado::RecordsetPtr fresh = tableRecordset(header + line.arg(after));
        const ado::RecordsetPtr previous = tableRecordset(header + line.arg(before));
        ASSERT_TRUE(activeX(fresh, previous));
        EXPECT_EQ(dump(*fresh, {"9EXCE01"}), mark + '\n');
        EXPECT_EQ(previous->RecordCount(), 0);
    }
}
