// Connected record sets on a fresh copy of the application database.
#include "TestDatabase.h"
#include "ado/Recordset.h"
#include "vb/VbError.h"
#include "ErrorOf.h"

#include <gtest/gtest.h>

using namespace ado;
using corvantis::test::FreshDatabase;

namespace {

using corvantis::test::errorOf;

void addHistory(Connection &cn, const QString &type, const QString &text)
{
    Recordset rs;
    rs.Open("SELECT * FROM History", cn, adOpenKeyset, adLockOptimistic);
    rs.AddNew();
    rs("Type") = type;
    rs("Date") = "01/2/2026";
    rs("Time") = "10:00:00 AM";
    rs("User") = "System";
    rs("Description") = text;
    rs.Update();
    rs.Close();
}

} // namespace

TEST(Recordset, HistoryIndexIsReadableAfterUpdate)
{
    FreshDatabase db;
    Recordset rs;
    rs.Open("SELECT * FROM History", db.connection(), adOpenKeyset, adLockOptimistic);
    rs.AddNew();
    rs("Type") = "Info";
    rs("Description") = "first";
    rs.Update();
    const vb::Variant first = rs("Index").Value();
    rs.AddNew();
    rs("Type") = "Info";
    rs("Description") = "second";
    rs.Update();
    EXPECT_EQ(first.type(), vb::VarType::Long);
    EXPECT_EQ(rs("Index").Value().rawInt(), first.rawInt() + 1);
    EXPECT_EQ(rs.Fields("index").Name(), QStringLiteral("Index"));
    // Unset text columns read as empty text, not Null.
    EXPECT_TRUE(rs("User").Value().isString());
    EXPECT_EQ(rs("User").Value().rawString(), QString());
}

TEST(Recordset, FieldChangedWithoutUpdateIsStoredOnMove)
{
    FreshDatabase db;
    for (int i = 0; i < 3; ++i)
        addHistory(db.connection(), "Info", QStringLiteral("entry %1").arg(i));
    {
        Recordset rs;
        rs.Open("SELECT * FROM History ORDER BY Index ASC", db.connection(), adOpenKeyset, adLockOptimistic);
        while (!rs.Eof()) {
            rs("Type") = "Warning";
            rs.MoveNext();
        }
        rs.Close();
    }
    Recordset check;
    check.Open("SELECT * FROM History WHERE Type = 'warning'", db.connection(), adOpenForwardOnly, adLockReadOnly);
    EXPECT_EQ(check.RecordCount(), 3);
}

TEST(Recordset, ReadingAtEofAndUnknownNamesRaise)
{
    FreshDatabase db;
    Recordset rs;
    rs.Open("SELECT * FROM History", db.connection(), adOpenKeyset, adLockOptimistic);
    EXPECT_TRUE(rs.Eof());
    EXPECT_TRUE(rs.Bof());
    EXPECT_EQ(errorOf([&] { rs("Type").Value(); }), 3021);
    EXPECT_EQ(errorOf([&] { rs("NoSuchField"); }), 3265);
}

#include "AdoTestSupport.h"
#include "SeedRows.h"
#include "ado/Sql.h"

TEST(Recordset, RollbackUndoesRowsAddedThroughSeveralSets)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    addHistory(cn, "Info", "before the load");
    const long history = adotest::countRows(cn, "SELECT * FROM History");

    EXPECT_EQ(cn.BeginTrans(), 1);
    Recordset inbox;
    inbox.Open("Inbox", cn, adOpenKeyset, adLockPessimistic);
    for (int n = 0; n < 3; ++n) {
        inbox.AddNew();
        for (const auto &[name, value] : adotest::mailboxRow("ACME01", "850", n))
            inbox(name) = value;
        addHistory(cn, "Info", "registered during the load");
    }
    adotest::addRow(cn, "ISA", {{"Partner", "ACME01"}, {"ISA13", "000000007"}});
    adotest::addRow(cn, "GS", {{"Partner", "ACME01"}, {"GS06", "7"}});
    inbox.Update();
    EXPECT_EQ(adotest::countRows(cn, "Inbox"), 3);
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM History"), history + 3);
    cn.RollbackTrans();
    inbox.Close();

    EXPECT_EQ(adotest::countRows(cn, "Inbox"), 0);
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM ISA"), 0);
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM GS"), 0);
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM History"), history);
    EXPECT_EQ(cn.transactionLevel(), 0);
    EXPECT_EQ(errorOf([&] { cn.RollbackTrans(); }), -2147168242);

    // A committed load keeps its rows.
    cn.BeginTrans();
    addHistory(cn, "Info", "kept");
    cn.CommitTrans();
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM History"), history + 1);
}

TEST(Recordset, NestedTransactionsRollBackTheirOwnLevel)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    cn.BeginTrans();
    addHistory(cn, "Info", "outer");
    EXPECT_EQ(cn.BeginTrans(), 2);
    addHistory(cn, "Info", "inner");
    cn.RollbackTrans();
    cn.CommitTrans();
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM History WHERE Description = 'outer'"), 1);
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM History WHERE Description = 'inner'"), 0);
}

TEST(Recordset, ValuesWithApostrophesStayValues)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    const QString partner = QStringLiteral("O'Brien' OR '1'='1");
    adotest::addRow(cn, "Partner", {{"Partner", partner}});
    adotest::addRow(cn, "Partner", {{"Partner", "Other"}});
    Recordset rs;
    rs.Open("SELECT * FROM Partner WHERE Partner.Partner = " + SqlText(partner), cn, adOpenKeyset, adLockOptimistic);
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(rs("Partner").Value().toString(), partner);
    rs.Close();
    // The bare value is a statement error, never a different statement.
    EXPECT_NE(errorOf([&] { rs.Open("SELECT * FROM Partner WHERE Partner.Partner = '" + partner + "'", cn); }), 0);
}

TEST(Recordset, TextComparesWithoutCaseButWithTrailingBlanks)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    adotest::addRow(cn, "Partner", {{"Partner", "AcMe01"}, {"ISA08", "ACME  "}});
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM Partner WHERE Partner = 'acme01'"), 1);
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM Partner WHERE ISA08 = 'acme  '"), 1);
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM Partner WHERE ISA08 = 'ACME'"), 0);
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM Partner WHERE ISA08 = 'ACME '"), 0);
}

TEST(Recordset, RowidsIdentifyRowsAcrossSets)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    for (int n = 0; n < 4; ++n)
        adotest::addRow(cn, "Inbox", adotest::mailboxRow("ACME01", "850", n));
    Recordset byDate, byStatus;
    byDate.Open("SELECT * FROM Inbox ORDER BY Date ASC", cn, adOpenKeyset, adLockReadOnly);
    byStatus.Open("SELECT * FROM Inbox ORDER BY TSet DESC", cn, adOpenKeyset, adLockOptimistic);
    byStatus.MoveLast();
    const QString tset = byStatus("TSet").Value().toString();
    while (!byDate.Eof() && byDate.rowid() != byStatus.rowid())
        byDate.MoveNext();
    ASSERT_FALSE(byDate.Eof());
    EXPECT_EQ(byDate("TSet").Value().toString(), tset);

    // The delete walk of the mailbox commands: delete, move on, the set goes on.
    byStatus.MoveFirst();
    byStatus.Delete();
    EXPECT_EQ(errorOf([&] { byStatus("TSet").Value(); }), 3021);
    byStatus.MoveNext();
    byStatus.Delete();
    byStatus.MoveNext();
    EXPECT_FALSE(byStatus.Eof());
    EXPECT_EQ(byStatus.RecordCount(), 2);
    EXPECT_EQ(adotest::countRows(cn, "Inbox"), 2);
    // The other set kept its keys; a deleted row no longer reads.
    byDate.MoveFirst();
    int readable = 0;
    while (!byDate.Eof()) {
        if (errorOf([&] { byDate("TSet").Value(); }) == 0)
            ++readable;
        byDate.MoveNext();
    }
    EXPECT_EQ(readable, 2);
}

TEST(Recordset, ReadOnlyAndForwardOnlySetsRefuseWhatTheyCannotDo)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    addHistory(cn, "Info", "a");
    addHistory(cn, "Info", "b");
    Recordset rs;
    rs.Open("SELECT * FROM History", cn, adOpenKeyset, adLockReadOnly);
    EXPECT_EQ(errorOf([&] { rs("Type") = "Error"; }), 3251);
    EXPECT_EQ(errorOf([&] { rs.AddNew(); }), 3251);
    EXPECT_EQ(errorOf([&] { rs.Delete(); }), 3251);
    rs.Close();
    rs.Open("SELECT * FROM History", cn, adOpenForwardOnly, adLockOptimistic);
    rs.MoveNext();
    EXPECT_EQ(errorOf([&] { rs.MovePrevious(); }), -2147217884);
    EXPECT_EQ(rs("Description").Value().toString(), QStringLiteral("b"));
    rs.Close();
    EXPECT_EQ(errorOf([&] { rs.MoveNext(); }), 3704);
}

TEST(Recordset, StatementErrorsCarryTheirNumbers)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    Recordset rs;
    EXPECT_EQ(errorOf([&] { rs.Open("SELECT * FROM NoSuchTable", cn); }), -2147217865);
    EXPECT_EQ(errorOf([&] { rs.Open("SELECT * FROM History WHERE NoSuchColumn = 1", cn); }), -2147217904);
    EXPECT_EQ(errorOf([&] { rs.Open("SELECT * FROM History WHERE", cn); }), -2147217900);
    EXPECT_EQ(rs.State(), adStateClosed);
    Connection closed;
    EXPECT_EQ(errorOf([&] { rs.Open("SELECT * FROM History", closed); }), 3709);
}

TEST(Recordset, ConnectedFieldsDescribeTheirColumns)
{
    FreshDatabase db;
    Recordset rs;
    rs.Open("SELECT * FROM Element", db.connection(), adOpenKeyset, adLockOptimistic);
    EXPECT_EQ(rs.Fields().Count(), 16);
    EXPECT_EQ(rs("Partner").Type(), adVarWChar);
    EXPECT_EQ(rs("Partner").DefinedSize(), 255);
    EXPECT_EQ(rs("ElementScript").Type(), adLongVarWChar);
    EXPECT_EQ(rs("SegmentIndex").Type(), adSmallInt);
    EXPECT_EQ(rs("Maximum").Type(), adInteger);
    EXPECT_EQ(rs("Exclude").Type(), adBoolean);
    EXPECT_TRUE(rs("Partner").Attributes() & adFldUpdatable);
    rs.AddNew();
    rs("Partner") = "P";
    rs("Type") = "N2";
    EXPECT_EQ(errorOf([&] { rs("SegmentIndex") = "not a number"; }), -2147217887);
    EXPECT_EQ(errorOf([&] { rs("Partner") = QString(256, QLatin1Char('x')); }), -2147217887);
    rs.Update();
    EXPECT_EQ(rs("Exclude").Value().type(), vb::VarType::Boolean);
    EXPECT_EQ(rs("Minimum").Value().rawInt(), 0);
    EXPECT_EQ(rs("Format").Value().toString(), QString());
    rs.Close();

    rs.Open("SELECT * FROM History", db.connection(), adOpenKeyset, adLockOptimistic);
    rs.AddNew();
    EXPECT_EQ(errorOf([&] { rs("Index") = 5; }), -2147217887) << "the database assigns the counter";
}
