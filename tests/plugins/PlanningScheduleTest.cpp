// Lorvanne.Freightliner_830_002000_I on translated planning schedules built
// as small tables, with the partner's order and stock files.
#include "LorvanneTest.h"

#include "ErrorOf.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Dialogs.h"

#include <QFile>

using vb::Variant;
using namespace lorvanne::test;
using corvantis::test::dialogs;

namespace {

class PlanningSchedule : public LorvanneTest {
protected:
    void useFixtureFiles()
    {
        for (const char *name : {"Orders.csv", "Inventory.csv"}) {
            QFile f(QStringLiteral(PLUGIN_FIXTURES) + "/830/" + name);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            writeImport(name, f.readAll());
        }
    }

    // ActiveX(rsRecord, Nothing, "Freightliner", "830", "002000", "I").
    Variant activeX(const com::DispatchPtr &plugin, Variant &record)
    {
        std::vector<Variant> args{record, Variant::nothing(), Variant("Freightliner"), Variant("830"), Variant("002000"), Variant("I")};
        const Variant result = call(plugin, "ActiveX", args);
        record = args[0];
        return result;
    }

    static QString header()
    {
        return "6LIN03|6LIN05|8J2X03|1BFR11|2NTE02|3NTE02|11FST01:single|11FST04:date|13SHP02:single|13SHP03|13SHP04:date|"
               "14SHP02:single|14SHP03|14SHP04:date|15SHP02:single|15SHP03|15SHP04:date\n";
    }
};

} // namespace

TEST_F(PlanningSchedule, FixtureGivesTheGoldenSchedule)
{
    useFixtureFiles();
    const ado::RecordsetPtr translated = tableRecordset(readFixture("830/translated.txt"));
    ASSERT_EQ(translated->RecordCount(), 18);
    const com::DispatchPtr plugin = create("Freightliner_830_002000_I");
    Variant record = com::toVariant(translated);
    ASSERT_TRUE(activeX(plugin, record).toBool());
    EXPECT_TRUE(dialogs().boxes().empty());

    const ado::RecordsetPtr schedule = com::recordsetOf(record);
    ASSERT_TRUE(schedule);
    EXPECT_NE(schedule, translated);
    EXPECT_EQ(recordsetProperty(plugin, "rsScheduler"), schedule) << "handed back and kept are one record set";
    EXPECT_EQ(schedule->AbsolutePosition(), schedule->RecordCount()) << "left on its last row";
    ASSERT_EQ(schedule->Fields().Count(), 54);
    const std::vector<std::pair<QString, long>> sizes = {
        {"PartNumber", 30}, {"Description", 100}, {"Notes", 255}, {"Rev", 7}, {"WO1_ID", 15}, {"PurchaseOrder", 9}, {"Revision", 7}};
    for (const auto &[name, size] : sizes)
        EXPECT_EQ(schedule->Fields(name).DefinedSize(), size) << name.toStdString();
    EXPECT_EQ(schedule->Fields(53).Name(), "W9Date");
    expectGolden("830/schedule.golden", dumpByField(*schedule));

    // The translated rows carry the netted quantities, in part order, each
    // part's rows in their original order.
    EXPECT_EQ(dump(*translated, {"6LIN03", "11FST01"}),
              "A-100 | 10\nA-100 | 5\nA-100 | 7\nA-100 | 99\nA-100 | 8\nA-100 | 3\nA-100 | 9\nA-100 | 11\nA-100 | 12\n"
              "A-100 | 13\nA-100 | 14\nA-100 | 1\nB-200 | 0\nB-200 | 0\nB-200 | 20\nC'300 | 0\nC'300 | 0\nD-400 | 6\n");
}

TEST_F(PlanningSchedule, BaseMondayOnEveryWeekday)
{
    // Sunday 12/06 looks ahead to Monday 12/07; Saturday 12/12 looks back to it.
    for (int day = 6; day <= 12; ++day) {
        SCOPED_TRACE(day);
        corvantis::test::setClock(2026, 12, day, 23, 59, 59);
        writeImport("Orders.csv", "");
        writeImport("Inventory.csv", "");
        const ado::RecordsetPtr translated =
            tableRecordset(header() + "P1|R|D|PO|a|b|5|12/07/2026|||||||||\nP1|R|D|PO|a|b|6|12/06/2026|||||||||\n");
        Variant record = com::toVariant(translated);
        ASSERT_TRUE(activeX(create("Freightliner_830_002000_I"), record).toBool());
        const ado::RecordsetPtr s = com::recordsetOf(record);
        s->MoveFirst();
        EXPECT_EQ(vb::CStr(s->Fields("Day1").Value()), "5");
        EXPECT_EQ(vb::CStr(s->Fields("PastDueQty").Value()), "6");
        EXPECT_EQ(vb::CStr(s->Fields("W5Date").Value()), "1/4/2027");
        EXPECT_EQ(vb::CStr(s->Fields("W9Date").Value()), "2/1/2027");
    }
}

TEST_F(PlanningSchedule, BrokenTranslationRaises1001AndLeavesTheCallersRecordset)
{
    struct Case {
        const char *name;
        QString table;
        const char *cause; // the cause kept with the 1001
    };
    const std::vector<Case> cases = {
        {"no part number", header() + "|R|D|PO|a|b|5|12/07/2026|||||||||\n", "94 Invalid use of Null"},
        {"map without the SHP segments", "6LIN03|6LIN05|8J2X03|1BFR11|2NTE02|3NTE02|11FST01:single|11FST04:date\nP1|R|D|PO|a|b|5|12/07/2026\n",
         "3265 Item cannot be found in the collection corresponding to the requested name or ordinal. (13SHP03)"},
        {"in transit beyond 32 bits", header() + "P1|R|D|PO|a|b|5|12/07/2026|3000000000|ZZ3|||||||\n",
         "-2147217887 Multiple-step operation generated errors. Check each status value. (number out of range)"},
        {"revision longer than its field", header() + "P1|R12345678|D|PO|a|b|5|12/07/2026|||||||||\n",
         "-2147217887 Multiple-step operation generated errors. Check each status value. (text longer than 7 "
         "characters)"},
    };
    for (const auto &[name, table, cause] : cases) {
        SCOPED_TRACE(name);
        writeImport("Orders.csv", "P1,W1,5,12/01/2026,A\n");
        writeImport("Inventory.csv", "P1,Part one,1,1\n");
        const ado::RecordsetPtr translated = tableRecordset(table);
        const com::DispatchPtr plugin = create("Freightliner_830_002000_I");
        std::vector<Variant> args{com::toVariant(translated), Variant::nothing(), Variant("Freightliner"), Variant("830"), Variant("002000"), Variant("I")};
        try {
            call(plugin, "ActiveX", args);
            ADD_FAILURE() << "no error raised";
        } catch (const vb::VbError &e) {
            EXPECT_EQ(e.number, 1001);
            EXPECT_EQ(e.description, "ActiveX Failed");
            EXPECT_EQ(e.detail, QString::fromUtf8(cause));
        }
        EXPECT_EQ(com::recordsetOf(args[0]), translated);
        EXPECT_TRUE(dialogs().boxes().empty());
    }
}

TEST_F(PlanningSchedule, UnreadableFilesGiveFalseWithTheReadersBox)
{
    for (const char *missing : {"Orders.csv", "Inventory.csv"}) {
        SCOPED_TRACE(missing);
        dialogs().reset();
        QFile::remove(importFolder() + "/Orders.csv");
        QFile::remove(importFolder() + "/Inventory.csv");
        if (QString(missing) != "Orders.csv")
            writeImport("Orders.csv", "P1,W1,5,12/01/2026,A\n");
        dialogs().answer(vb::vbOK);
        const ado::RecordsetPtr translated = tableRecordset(header() + "P1|R|D|PO|a|b|5|12/07/2026|||||||||\n");
        translated->MoveFirst();
        const com::DispatchPtr plugin = create("Freightliner_830_002000_I");
        Variant record = com::toVariant(translated);
        EXPECT_FALSE(activeX(plugin, record).toBool());
        EXPECT_EQ(com::recordsetOf(record), translated);
        EXPECT_TRUE(com::CallByName(plugin, "rsScheduler", com::Get, {}).isNothing());
        EXPECT_EQ(translated->Sort(), "") << "the translation is not touched";
        ASSERT_EQ(dialogs().boxes().size(), 1u);
        EXPECT_EQ(dialogs().last().text, "Error: File not found\r\nLine: \r\nImport: ");
    }
}

TEST_F(PlanningSchedule, NumericQuantitiesNetAndTheLeftOverDoesNotCarryToTheNextPart)
{
    // Quantities typed N0 as the translation makes them: 100 in transit
    // against 30 and 50 leaves 20 unused, and the next part starts at 0.
    writeImport("Orders.csv", "");
    writeImport("Inventory.csv", "");
    const ado::RecordsetPtr translated = tableRecordset(
        "6LIN03|6LIN05|8J2X03|1BFR11|2NTE02|3NTE02|11FST01:num|11FST04:date|13SHP02:num|13SHP03|13SHP04:date|"
        "14SHP02:num|14SHP03|14SHP04:date|15SHP02:num|15SHP03|15SHP04:date\n"
        "P2|R|D|PO|||7|12/07/2026|||||||||\n"
        "P1|R|D|PO|||30|12/07/2026|100|ZZ3|||||||\n"
        "P1|R|D|PO|||50|12/08/2026|100|ZZ3|||||||\n");
    Variant record = com::toVariant(translated);
    ASSERT_TRUE(activeX(create("Freightliner_830_002000_I"), record).toBool());
    EXPECT_EQ(dump(*translated, {"6LIN03", "11FST01"}), "P1 | 0\nP1 | 0\nP2 | 7\n");
    const ado::RecordsetPtr s = com::recordsetOf(record);
    EXPECT_EQ(dump(*s, {"PartNumber", "Notes", "InTransit", "Required", "Day1", "Day2"}),
              "P1 | <null> | 100 | 30 | 0 | 0\nP2 | <null> | <null> | 7 | 7 | <null>\n")
        << "a schedule without notes leaves Notes empty";
}

TEST_F(PlanningSchedule, OrdersAndStockMatchThePartWithoutRegardToLetterCase)
{
    writeImport("Orders.csv", "x-9,W0,1,12/01/2026,Z\nb-200,W1,4,12/01/2026,A\nB-200,W2,6,12/02/2026,B\n");
    writeImport("Inventory.csv", "b-200,first stock row,3,1\nB-200,second stock row,9,9\n");
    const ado::RecordsetPtr translated = tableRecordset(header() + "B-200|R|D|PO|a|b|5|12/07/2026|||||||||\n");
    Variant record = com::toVariant(translated);
    ASSERT_TRUE(activeX(create("Freightliner_830_002000_I"), record).toBool());
    EXPECT_EQ(dump(*com::recordsetOf(record), {"WO_Total", "WO1_ID", "WO2_ID", "WO3_ID", "Revision", "Description", "Available"}),
              "10 | W1 | W2 | N/A | A | first stock row | 3\n");
}
