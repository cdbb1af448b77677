// Parameters bound to ? placeholders reach the database as values: text that
// would break a statement built by hand is stored and found exactly.
#include "AdoTestSupport.h"
#include "TestDatabase.h"
#include "ado/Recordset.h"
#include "ado/Sql.h"

#include <gtest/gtest.h>

using namespace ado;
using namespace adotest;
using corvantis::test::FreshDatabase;

namespace {

vb::Variant decimal(const char *digits)
{
    return *vb::Variant::fromDecimalText(QString::fromLatin1(digits));
}

struct Odd {
    const char *what;
    vb::Variant value;
    QString stored; // what the text column holds afterwards
};

std::vector<Odd> oddValues()
{
    return {
        {"single quote", QStringLiteral("O'Neil"), QStringLiteral("O'Neil")},
        {"doubled quotes", QStringLiteral("a''b'"), QStringLiteral("a''b'")},
        {"statement in a value", QStringLiteral("x'; DELETE FROM History; --"), QStringLiteral("x'; DELETE FROM History; --")},
        {"double quote and brackets", QStringLiteral("\"Group\" [Index]"), QStringLiteral("\"Group\" [Index]")},
        {"placeholder and wildcards", QStringLiteral("? * % _"), QStringLiteral("? * % _")},
        {"Jet words", QStringLiteral("True AND x BETWEEN 1 AND 2"), QStringLiteral("True AND x BETWEEN 1 AND 2")},
        {"line ends and blanks", QStringLiteral("  a\r\nb\t "), QStringLiteral("  a\r\nb\t ")},
        {"accents and euro", QStringLiteral("Müller €"), QStringLiteral("Müller €")},
        {"empty text", QString(), QString()},
        {"16 digits as text", QStringLiteral("0123456789012345"), QStringLiteral("0123456789012345")},
        {"16 digits exact", decimal("9007199254740993"), QStringLiteral("9007199254740993")},
        {"largest Long", vb::Variant(int32_t(2147483647)), QStringLiteral("2147483647")},
    };
}

QString description(Connection &cn, qint64 index)
{
    Recordset rs;
    rs.Open(QStringLiteral("SELECT Description FROM History WHERE Index = ?"), Parameters{vb::Variant(int32_t(index))}, cn);
    EXPECT_FALSE(rs.Eof());
    return rs.Eof() ? QStringLiteral("<no row>") : text(rs("Description"));
}

} // namespace

TEST(BoundValues, OddTextIsStoredAndFoundExactly)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    for (const Odd &odd : oddValues()) {
        SCOPED_TRACE(odd.what);
        cn.Execute(QStringLiteral("DELETE FROM History"));
        cn.Execute(QStringLiteral("INSERT INTO History (Type, Description) VALUES (?, ?)"),
                   Parameters{vb::Variant(QStringLiteral("Info")), odd.value});
        cn.Execute(QStringLiteral("INSERT INTO History (Type, Description) VALUES ('Info', 'other')"));

        // Found by the value itself, through a keyed set and a read-only one.
        for (const int lock : {adLockOptimistic, adLockReadOnly}) {
            Recordset rs;
            rs.Open(QStringLiteral("SELECT * FROM History WHERE Description = ? ORDER BY Index"), Parameters{odd.value}, cn,
                    adOpenKeyset, lock);
            ASSERT_EQ(rs.RecordCount(), 1) << lock;
            EXPECT_EQ(text(rs("Description")), odd.stored);
            const qint64 index = rs("Index").Value().rawInt();
            rs.Close();
            EXPECT_EQ(description(cn, index), odd.stored);
        }
        EXPECT_EQ(countRows(cn, QStringLiteral("SELECT * FROM History")), 2);
    }
}

TEST(BoundValues, ManyRowsReadInOnePassKeepTheirValues)
{
    // Enough rows for a read-only set to read them in one pass: the pass and
    // the rows fetched one by one bind the same values.
    FreshDatabase db;
    Connection &cn = db.connection();
    cn.BeginTrans();
    for (int n = 0; n < 80; ++n)
        cn.Execute(QStringLiteral("INSERT INTO History (Type, Description) VALUES (?, ?)"),
                   Parameters{vb::Variant(n % 2 ? QStringLiteral("O'Dd") : QStringLiteral("Even")),
                          vb::Variant(QStringLiteral("row %1").arg(n))});
    cn.CommitTrans();
    Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM History WHERE Type = ? ORDER BY Index"), Parameters{vb::Variant(QStringLiteral("o'dd"))},
            cn, adOpenKeyset, adLockReadOnly);
    ASSERT_EQ(rs.RecordCount(), 40);
    int n = 1;
    while (!rs.Eof()) {
        EXPECT_EQ(text(rs("Description")), QStringLiteral("row %1").arg(n));
        n += 2;
        rs.MoveNext();
    }
}

TEST(BoundValues, PlaceholdersInEveryClause)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    for (int n = 1; n <= 6; ++n)
        cn.Execute(QStringLiteral("INSERT INTO History (Type, Description) VALUES ('Info', ?)"),
                   Parameters{vb::Variant(QStringLiteral("entry %1").arg(n))});

    // A value in the select list of a keyed set: each row is fetched by its
    // rowid after the numbered values.
    {
        Recordset rs;
        rs.Open(QStringLiteral("SELECT Description, ? AS Tag FROM History WHERE Description <> ? ORDER BY Index"),
                Parameters{vb::Variant(QStringLiteral("it's")), vb::Variant(QStringLiteral("entry 1"))}, cn, adOpenKeyset,
                adLockOptimistic);
        ASSERT_EQ(rs.RecordCount(), 5);
        rs.MoveLast();
        EXPECT_EQ(text(rs("Description")), QStringLiteral("entry 6"));
        EXPECT_EQ(text(rs("Tag")), QStringLiteral("it's"));
    }
    // BETWEEN keeps the old engine's meaning with bound bounds, either order.
    EXPECT_EQ(countRows(cn, QStringLiteral("SELECT * FROM History WHERE Description BETWEEN 'entry 2' AND 'entry 4'")), 3);
    {
        Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM History WHERE Description BETWEEN ? AND ?"),
                Parameters{vb::Variant(QStringLiteral("entry 4")), vb::Variant(QStringLiteral("entry 2"))}, cn, adOpenKeyset);
        EXPECT_EQ(rs.RecordCount(), 3);
    }
    // A grouped statement (rows read at once) and a ? inside quotes or a
    // bracketed name, which is no placeholder.
    {
        Recordset rs;
        rs.Open(QStringLiteral("SELECT Type, Count(*) AS N FROM History WHERE Description <> '?' AND Type = ? GROUP BY Type"),
                Parameters{vb::Variant(QStringLiteral("INFO"))}, cn, adOpenStatic);
        ASSERT_EQ(rs.RecordCount(), 1);
        EXPECT_EQ(rs("N").Value().rawInt(), 6);
    }
    // Changes through a set opened with values.
    {
        Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM History WHERE Description = ?"), Parameters{vb::Variant(QStringLiteral("entry 3"))},
                cn, adOpenKeyset, adLockOptimistic);
        rs("User") = QStringLiteral("changed");
        rs.Update();
    }
    EXPECT_EQ(countRows(cn, QStringLiteral("SELECT * FROM History WHERE User = 'changed' AND Description = 'entry 3'")), 1);
    // A statement that returns no rows, opened with values, runs.
    {
        Recordset rs;
        rs.Open(QStringLiteral("DELETE FROM History WHERE Description = ?"), Parameters{vb::Variant(QStringLiteral("entry 6"))}, cn);
        EXPECT_EQ(rs.State(), adStateClosed);
    }
    EXPECT_EQ(countRows(cn, QStringLiteral("SELECT * FROM History")), 5);
}

TEST(BoundValues, NullIsStoredAsNullAndMatchesNothing)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    cn.Execute(QStringLiteral("INSERT INTO History (Type, User, Description) VALUES ('Info', ?, 'x')"),
               Parameters{vb::Variant::null()});
    EXPECT_EQ(countRows(cn, QStringLiteral("SELECT * FROM History WHERE User IS NULL")), 1);
    Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM History WHERE User = ?"), Parameters{vb::Variant::null()}, cn, adOpenKeyset);
    EXPECT_EQ(rs.RecordCount(), 0);
}

TEST(BoundValues, RefusedBeforeAnythingRuns)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    cn.Execute(QStringLiteral("INSERT INTO History (Type, Description) VALUES ('Info', 'kept')"));
    const QString insert = QStringLiteral("INSERT INTO History (Type, Description) VALUES ('Info', ?)");
    struct Case {
        const char *what;
        std::function<void()> run;
    };
    const std::vector<Case> cases = {
        {"fewer values than placeholders", [&] { cn.Execute(QStringLiteral("INSERT INTO History (Type, Description) VALUES (?, ?)"), Parameters{vb::Variant(1)}); }},
        {"more values than placeholders", [&] { cn.Execute(insert, Parameters{vb::Variant(1), vb::Variant(2)}); }},
        {"numbered placeholder", [&] { cn.Execute(QStringLiteral("INSERT INTO History (Type, Description) VALUES ('Info', ?1)"), Parameters{vb::Variant(1)}); }},
        {"text holding NUL", [&] { cn.Execute(insert, Parameters{vb::Variant(QStringLiteral("a") + QChar(0) + QStringLiteral("b"))}); }},
        {"an object", [&] { cn.Execute(insert, Parameters{vb::Variant::nothing()}); }},
        {"a second statement", [&] { cn.Execute(insert + QStringLiteral("; DELETE FROM History"), Parameters{vb::Variant(QStringLiteral("x"))}); }},
        {"set with too few values", [&] {
             Recordset rs;
             rs.Open(QStringLiteral("SELECT * FROM History WHERE Type = ? AND User = ?"), Parameters{vb::Variant(1)}, cn);
         }},
        {"placeholder without values", [&] { cn.Execute(insert); }},
        {"set with a placeholder and no values", [&] {
             Recordset rs;
             rs.Open(QStringLiteral("SELECT * FROM History WHERE Type = ?"), cn);
         }},
        {"set on a table name with values", [&] {
             Recordset rs;
             rs.Open(QStringLiteral("History"), Parameters{vb::Variant(1)}, cn);
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(errorOf(c.run), 3001);
    }
    Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM History"), cn, adOpenKeyset);
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(text(rs("Description")), QStringLiteral("kept"));
}

TEST(BoundValues, NameQuoterQuotesAnyName)
{
    const struct {
        QString name;
        QString quoted;
    } cases[] = {
        {QStringLiteral("Transaction"), QStringLiteral("\"Transaction\"")},
        {QStringLiteral("Group"), QStringLiteral("\"Group\"")},
        {QStringLiteral("a\"b"), QStringLiteral("\"a\"\"b\"")},
        {QStringLiteral("it's [x]"), QStringLiteral("\"it's [x]\"")},
        {QString(), QStringLiteral("\"\"")},
    };
    for (const auto &c : cases)
        EXPECT_EQ(SqlName(c.name), c.quoted) << c.name.toStdString();
    EXPECT_EQ(errorOf([] { SqlName(QStringLiteral("a") + QChar(0)); }), 3001);

    // Reserved words quoted by it work as names in a statement with values.
    FreshDatabase db;
    Connection &cn = db.connection();
    cn.Execute(QStringLiteral("INSERT INTO ") + SqlName(QStringLiteral("Transactions")) + QStringLiteral(" (")
                   + SqlName(QStringLiteral("Partner")) + QStringLiteral(", ") + SqlName(QStringLiteral("Transaction"))
                   + QStringLiteral(", ") + SqlName(QStringLiteral("Group")) + QStringLiteral(") VALUES (?, ?, ?)"),
               Parameters{vb::Variant(QStringLiteral("O'NEIL")), vb::Variant(QStringLiteral("850")), vb::Variant(QStringLiteral("PO"))});
    Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM Transactions WHERE ") + SqlName(QStringLiteral("Group")) + QStringLiteral(" = ?"),
            Parameters{vb::Variant(QStringLiteral("PO"))}, cn, adOpenKeyset);
    ASSERT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(text(rs("Partner")), QStringLiteral("O'NEIL"));
}
