// Read-only sets read their rows in one pass and serve them while nothing has
// changed; whatever changes the file in between must show exactly as when
// every row is fetched by itself. And text holding a NUL character never
// reaches a statement.
#include "AdoTestSupport.h"
#include "SeedRows.h"
#include "TestDatabase.h"
#include "ado/Recordset.h"
#include "ado/Sql.h"

#include <gtest/gtest.h>

#include <functional>

using namespace ado;
using corvantis::test::FreshDatabase;
using adotest::errorOf;

namespace {

constexpr int kRows = 40; // enough for the set to read in one pass

void seedInbox(Connection &cn)
{
    cn.BeginTrans();
    Recordset rs;
    rs.Open("Inbox", cn, adOpenKeyset, adLockOptimistic);
    for (int n = 0; n < kRows; ++n) {
        rs.AddNew();
        for (const auto &[name, value] : adotest::mailboxRow(QStringLiteral("P%1").arg(n % 7), "850", n))
            rs(name) = value;
        if (n == 5)
            rs("TSet") = QString(3000, QLatin1Char('x')) + QStringLiteral("~end");
    }
    rs.Update();
    rs.Close();
    cn.CommitTrans();
}

// Every field of every row as text with its type (Null spelled out); a
// row that no longer reads gives its error number.
QStringList readAll(Recordset &rs)
{
    QStringList out;
    rs.MoveFirst();
    while (!rs.Eof()) {
        QString line;
        const int error = errorOf([&] {
            for (Field &f : rs.Fields()) {
                const vb::Variant v = f.Value();
                line += QStringLiteral("%1=%2:%3|").arg(f.Name()).arg(int(v.type())).arg(v.isNull() ? QStringLiteral("<null>") : v.toString());
            }
        });
        out << (error ? QStringLiteral("error %1").arg(error) : line);
        rs.MoveNext();
    }
    return out;
}

// A set that reads every row by itself when it becomes current: an
// updatable set never keeps rows.
void openRowByRow(Recordset &rs, Connection &cn, const QString &statement)
{
    rs.Open(statement, cn, adOpenKeyset, adLockOptimistic);
}

void setStatus(Connection &cn, int index, const QString &status)
{
    Recordset rs;
    rs.Open("SELECT * FROM Inbox ORDER BY Partner, TSet", cn, adOpenKeyset, adLockOptimistic);
    rs.Move(index);
    rs("Status") = status;
    rs.Update();
}

} // namespace

TEST(ReadPass, KeptRowsGiveWayToEveryKindOfChange)
{
    const QString statement = QStringLiteral("SELECT * FROM Inbox ORDER BY Partner, TSet");
    struct Case {
        const char *name;
        std::function<void(FreshDatabase &)> change;
        bool rollBackAfterwards;
    };
    const Case cases[] = {
        {"nothing changes", [](FreshDatabase &) {}, false},
        {"another set of the connection changes a row",
         [](FreshDatabase &db) { setStatus(db.connection(), 3, "Changed"); }, false},
        {"another set deletes a row",
         [](FreshDatabase &db) {
             Recordset rs;
             rs.Open("SELECT * FROM Inbox ORDER BY Partner, TSet", db.connection(), adOpenKeyset, adLockOptimistic);
             rs.Move(7);
             rs.Delete();
         },
         false},
        {"a statement changes rows",
         [](FreshDatabase &db) { db.connection().Execute("UPDATE Inbox SET Used = 'Z' WHERE Partner = 'P2'"); }, false},
        {"another connection commits a change",
         [](FreshDatabase &db) {
             Connection other;
             other.Open(db.connectionString());
             other.Execute("UPDATE Inbox SET Acknowledged = 'Other' WHERE Partner = 'P4'");
             other.Close();
         },
         false},
        {"a rolled-back change", [](FreshDatabase &db) { setStatus(db.connection(), 9, "Undone"); }, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        FreshDatabase db;
        Connection &cn = db.connection();
        seedInbox(cn);
        if (c.rollBackAfterwards) {
            // Changed inside a transaction, read (and kept) with the change,
            // then rolled back: only the rollback tells the kept rows are stale.
            cn.BeginTrans();
            c.change(db);
        }
        Recordset rs, reference;
        rs.Open(statement, cn, adOpenKeyset, adLockReadOnly);
        openRowByRow(reference, cn, statement);
        ASSERT_EQ(rs.RecordCount(), kRows);
        const QStringList before = readAll(rs); // reads and keeps every row
        EXPECT_EQ(before, readAll(reference));
        if (c.rollBackAfterwards)
            cn.RollbackTrans();
        else
            c.change(db);
        const QStringList after = readAll(rs);
        EXPECT_EQ(after, readAll(reference));
        if (std::string(c.name) == "nothing changes")
            EXPECT_EQ(after, before);
        else
            EXPECT_NE(after, before);
    }
}

TEST(ReadPass, KeptValuesMatchRowByRowReadsForEveryColumnType)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    for (int n = 0; n < kRows; ++n) {
        adotest::Values values = {{"Partner", QStringLiteral("P%1").arg(n % 5)},
                                  {"Type", "N1"},
                                  {"SegmentIndex", n % 4},
                                  {"Maximum", 100000 + n},
                                  {"Exclude", n % 2 == 0}};
        if (n % 3 == 0)
            values.push_back({"Format", vb::Variant::null()});
        if (n % 4 == 0)
            values.push_back({"ElementScript", QString(n * 40, QLatin1Char('s'))}); // memo, short and long
        adotest::addRow(cn, "Element", values);
    }
    for (const QString &statement : {QStringLiteral("SELECT * FROM Element ORDER BY Partner DESC"),
                                    QStringLiteral("SELECT Partner, Maximum * 2 AS Twice, Exclude, ElementScript FROM Element WHERE SegmentIndex > 0"),
                                    QStringLiteral("SELECT * FROM Element e WHERE e.Exclude = True ORDER BY e.Maximum")}) {
        SCOPED_TRACE(statement.toStdString());
        Recordset rs, reference;
        rs.Open(statement, cn, adOpenStatic, adLockReadOnly);
        openRowByRow(reference, cn, statement);
        EXPECT_GT(rs.RecordCount(), 0);
        EXPECT_EQ(readAll(rs), readAll(reference));
    }
}

TEST(ReadPass, TextWithANulIsStoredWholeButNeverPutIntoAStatement)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    seedInbox(cn);
    const QString id = QStringLiteral("0000") + QChar(0) + QStringLiteral("123");
    const QString tset = QStringLiteral("ST*850*0001") + QChar(0) + QStringLiteral("~SE*2*0001~");

    // Values go into rows through bound parameters: nothing is cut.
    adotest::addRow(cn, "Inbox", {{"Partner", "NUL"}, {"InterchangeControlNumber", id}, {"TSet", tset}});
    Recordset rs;
    rs.Open("SELECT * FROM Inbox ORDER BY Partner", cn, adOpenKeyset, adLockReadOnly);
    while (!rs.Eof() && rs("Partner").Value().toString() != QLatin1String("NUL"))
        rs.MoveNext();
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs("InterchangeControlNumber").Value().toString(), id);
    EXPECT_EQ(rs("TSet").Value().toString(), tset);
    rs.Close();

    // A statement cannot carry one: the quoting helper refuses it with its own message.
    try {
        SqlText(id);
        FAIL() << "SqlText took a NUL";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, adErrInvalidArgument);
        EXPECT_TRUE(e.description.contains(QLatin1String("NUL"))) << e.description.toStdString();
        EXPECT_TRUE(e.description.contains(QLatin1String("0000<NUL>123"))) << e.description.toStdString();
    }
    EXPECT_EQ(errorOf([&] { SqlEscape(id); }), adErrInvalidArgument);
    // Nor does a statement that was put together without it.
    const QString bare = QStringLiteral("SELECT * FROM Inbox WHERE InterchangeControlNumber = '") + id + QLatin1Char('\'');
    EXPECT_EQ(errorOf([&] { rs.Open(bare, cn, adOpenKeyset, adLockReadOnly); }), adErrInvalidArgument);
    EXPECT_EQ(rs.State(), adStateClosed);
    cn.BeginTrans();
    EXPECT_EQ(errorOf([&] { cn.Execute(QStringLiteral("DELETE FROM Inbox WHERE Partner = '") + QChar(0) + QStringLiteral("%'")); }),
              adErrInvalidArgument);
    cn.RollbackTrans();
    EXPECT_EQ(adotest::countRows(cn, "Inbox"), kRows + 1);
}
