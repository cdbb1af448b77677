// Lorvanne.General's readers of "Orders.csv" and "Inventory.csv", created
// by class name and answering through the program's scripted dialogs.
#include "LorvanneTest.h"

#include "vb/Dialogs.h"
#include "vb/Settings.h"

using vb::Variant;
using namespace lorvanne::test;
using corvantis::test::dialogs;

namespace {

struct ReaderCase {
    const char *name;
    QByteArray file;
    bool ok;
    QString rows;        // dump of the record set afterwards
    QString box = {};    // the "Lorvanne" box text when the reader fails
};

class Readers : public LorvanneTest {
protected:
    void run(const char *reader, const char *fileName, const char *recordset, const std::vector<ReaderCase> &cases)
    {
        for (const ReaderCase &c : cases) {
            SCOPED_TRACE(c.name);
            dialogs().reset();
            writeImport(fileName, c.file);
            if (!c.ok)
                dialogs().answer(vb::vbOK);
            const com::DispatchPtr general = create("General");
            EXPECT_EQ(call(general, reader).toBool(), c.ok);
            const ado::RecordsetPtr rs = recordsetProperty(general, recordset);
            ASSERT_TRUE(rs);
            EXPECT_EQ(dump(*rs), c.rows);
            if (c.ok) {
                EXPECT_TRUE(dialogs().boxes().empty());
            } else {
                ASSERT_EQ(dialogs().boxes().size(), 1u);
                EXPECT_EQ(dialogs().last().text, c.box);
                EXPECT_EQ(dialogs().last().caption, "Lorvanne");
                EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
                EXPECT_EQ(dialogs().last().buttons, vb::vbOKOnly);
            }
        }
    }
};

} // namespace

TEST_F(Readers, OrdersLinesBecomeRows)
{
    const QByteArray longTail = QByteArray(40000, 'x');
    run("Orders", "Orders.csv", "rsOrders",
        {
            {"plain", "P1,WO1,5,12/10/2026,A\r\nP2,WO2,7,1/5/2027,B\r\n", true,
             "P1 | WO1 | 5 | 12/10/2026 | A\nP2 | WO2 | 7 | 1/5/2027 | B\n"},
            {"every value quoted", "\"P1\",\"WO1\",\"5\",\"12/10/2026\",\"A\"\n", true, "P1 | WO1 | 5 | 12/10/2026 | A\n"},
            {"quoted comma", "P1,\"WO,1\",5,12/10/2026,A\n", true, "P1 | WO,1 | 5 | 12/10/2026 | A\n"},
            {"doubled quote", "P1,\"W\"\"O\",5,12/10/2026,A\n", true, "P1 | W\"O | 5 | 12/10/2026 | A\n"},
            {"blank lines skipped", "\r\nP1,WO1,5,12/10/2026,A\r\n\r\n   \r\nP2,WO2,7,12/11/2026,B", true,
             "P1 | WO1 | 5 | 12/10/2026 | A\nP2 | WO2 | 7 | 12/11/2026 | B\n"},
            {"values past the fifth ignored, far beyond column 32767",
             "P1,WO1,5,12/10/2026,A," + longTail + ",more\n", true, "P1 | WO1 | 5 | 12/10/2026 | A\n"},
            {"empty file", "", true, ""},
            {"empty quantity stops at its line", "P1,WO1,5,12/10/2026,A\n\nP2,WO2,,12/10/2026,B\nP3,WO3,1,12/10/2026,C\n", false,
             "P1 | WO1 | 5 | 12/10/2026 | A\n",
             "Error: Multiple-step operation generated errors. Check each status value. (not a number)\r\nLine: 3\r\nImport: P2,WO2,,12/10/2026,B"},
            {"line without a comma is one value", "P1\n", false, "",
             "Error: Multiple-step operation generated errors. Check each status value. (not a number)\r\nLine: 1\r\nImport: P1"},
            {"unterminated quote", "P1,WO1,5,12/10/2026,A\nP2,\"WO2,7,12/10/2026,B\n", false, "P1 | WO1 | 5 | 12/10/2026 | A\n",
             "Error: Unterminated quoted value: value 2 has no closing double quote\r\nLine: 2\r\nImport: P2,\"WO2,7,12/10/2026,B"},
        });
}

TEST_F(Readers, InventoryLinesBecomeRows)
{
    run("Inventory", "Inventory.csv", "rsInventory",
        {
            {"plain", "P1,Hex bolt,10,2\n", true, "P1 | Hex bolt | 10 | 2\n"},
            {"unquoted empty value reads 0", "P1,,10,2\n", true, "P1 | 0 | 10 | 2\n"},
            {"quoted empty value reads -", "P1,\"\",10,2\n", true, "P1 | - | 10 | 2\n"},
            {"quoted description keeps its comma", "P1,\"Bolt, hex\",10,2\n", true, "P1 | Bolt, hex | 10 | 2\n"},
            {"doubled quote inside a quoted value", "P1,\"12\"\" pipe\",10,2\n", true, "P1 | 12\" pipe | 10 | 2\n"},
            {"quoted value beginning with a comma", "P1,\",wide\",10,2\n", true, "P1 | ,wide | 10 | 2\n"},
            {"line ending with a comma", "P1,Bolt,10,\n", true, "P1 | Bolt | 10 | 0\n"},
            {"line without a comma", "P9\n", true, "P9 | 0 | 0 | 0\n"},
            {"blank lines skipped", "\nP1,Bolt,10,2\n\n", true, "P1 | Bolt | 10 | 2\n"},
            {"unterminated quote", "P1,Bolt,10,2\nP2,\"Nut,4,5\n", false, "P1 | Bolt | 10 | 2\n",
             "Error: Unterminated quoted value: value 2 has no closing double quote\r\nLine: 2\r\nImport: P2,\"Nut,4,5"},
            {"description longer than the field", "P1," + QByteArray(101, 'd') + ",1,1\n", false, "",
             "Error: Multiple-step operation generated errors. Check each status value. (text longer than 100 characters)\r\nLine: 1\r\nImport: P1,"
                 + QString(101, 'd') + ",1,1"},
        });
}

TEST_F(Readers, MissingFileShowsTheBoxWithoutLine)
{
    for (const char *reader : {"Orders", "Inventory"}) {
        SCOPED_TRACE(reader);
        dialogs().reset();
        dialogs().answer(vb::vbOK);
        const com::DispatchPtr general = create("General");
        EXPECT_FALSE(call(general, reader).toBool());
        ASSERT_EQ(dialogs().boxes().size(), 1u);
        EXPECT_EQ(dialogs().last().text, "Error: File not found\r\nLine: \r\nImport: ");
        EXPECT_EQ(dialogs().last().caption, "Lorvanne");
        const ado::RecordsetPtr rs = recordsetProperty(general, QStringLiteral("rs") + reader);
        ASSERT_TRUE(rs);
        EXPECT_EQ(rs->RecordCount(), 0);
    }
}

TEST_F(Readers, ImportFolderIsReadAtEveryCallAndATrailingSeparatorIsHarmless)
{
    writeImport("Orders.csv", "P1,WO1,5,12/10/2026,A\n");
    const com::DispatchPtr general = create("General");
    vb::SaveSetting("Corvantis", "Folders", "Import", importFolder() + "/");
    EXPECT_TRUE(call(general, "Orders").toBool());
    EXPECT_EQ(recordsetProperty(general, "rsOrders")->RecordCount(), 1);

    vb::SaveSetting("Corvantis", "Folders", "Import", corvantis::test::tempDir() + "/elsewhere");
    dialogs().answer(vb::vbOK);
    EXPECT_FALSE(call(general, "Orders").toBool());
    EXPECT_TRUE(dialogs().last().text.startsWith("Error: Path not found")) << dialogs().last().text.toStdString();
}

TEST_F(Readers, RecordsetsCanBeReplacedAndCleared)
{
    writeImport("Inventory.csv", "P1,Bolt,10,2\n");
    const com::DispatchPtr general = create("General");
    EXPECT_TRUE(com::CallByName(general, "rsInventory", com::Get, {}).isNothing());
    ASSERT_TRUE(call(general, "Inventory").toBool());
    const ado::RecordsetPtr first = recordsetProperty(general, "rsInventory");
    ASSERT_TRUE(call(general, "Inventory").toBool());
    EXPECT_NE(recordsetProperty(general, "rsInventory"), first) << "each run builds a new record set";

    std::vector<Variant> args{com::toVariant(first)};
    com::CallByName(general, "rsInventory", com::Set, args);
    EXPECT_EQ(recordsetProperty(general, "rsInventory"), first);
    args = {Variant::nothing()};
    com::CallByName(general, "rsInventory", com::Set, args);
    EXPECT_TRUE(com::CallByName(general, "rsInventory", com::Get, {}).isNothing());
}
