// The connection's cache of prepared statements and its table names follow
// what the database says of its schema: a value that reads like a schema
// word changes nothing, a real change of the schema drops only the
// statements no one is using.
#include "AdoTestSupport.h"
#include "TestDatabase.h"
#include "ado/ConnectionData.h"

#include <gtest/gtest.h>

using namespace ado;
using corvantis::test::FreshDatabase;

namespace {

const std::string kInUse = "SELECT Type FROM History ORDER BY rowid";
const std::string kIdle = "SELECT Description FROM History WHERE Type = 'b'";

void seed(Connection &cn)
{
    for (const char *type : {"a", "b", "c"})
        cn.Execute("INSERT INTO History (Type, Description) VALUES (?, 'x')", {vb::Variant(QString::fromLatin1(type))});
}

QString step(sqlite3_stmt *stmt)
{
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE)
        return QStringLiteral("<done>");
    if (rc != SQLITE_ROW)
        return QStringLiteral("<error %1>").arg(rc);
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, 0)));
}

} // namespace

TEST(StatementCache, StatementsInUseOutliveEveryStatementRunBeside)
{
    struct Case {
        const char *statement;
        bool schemaChanges;
        bool refused;   // SQLite drops no table while a statement reads
    };
    const Case cases[] = {
        {"UPDATE History SET Description = 'create, then drop; alter it' WHERE Type = 'a'", false, false},
        {"UPDATE History SET Description = 'DROP TABLE History' WHERE 0 = 1", false, false},
        {"CREATE TABLE Scratch (Name VARCHAR(10))", true, false},
        {"ALTER TABLE Scratch ADD COLUMN Extra VARCHAR(10)", true, false},
        {"DROP TABLE Scratch", false, true},
    };
    FreshDatabase db;
    Connection &cn = db.connection();
    seed(cn);
    const auto d = cn.data();
    for (const Case &c : cases) {
        SCOPED_TRACE(c.statement);
        sqlite3_stmt *inUse = d->prepare(QString::fromStdString(kInUse));
        sqlite3_stmt *idle = d->prepare(QString::fromStdString(kIdle));
        detail::StatementUse use(inUse);
        ASSERT_EQ(step(inUse), "a");
        EXPECT_EQ(adotest::errorOf([&] { cn.Execute(QString::fromLatin1(c.statement)); }) != 0, c.refused);
        ASSERT_EQ(d->cache.count(kInUse), 1u) << "a statement in use left the cache";
        EXPECT_EQ(d->cache.at(kInUse), inUse);
        EXPECT_EQ(d->cache.count(kIdle), c.schemaChanges ? 0u : 1u);
        if (d->cache.count(kIdle)) {
            EXPECT_EQ(d->cache.at(kIdle), idle) << "a value was taken for a change of the schema";
        }
        // The statement in use reads on where it was.
        EXPECT_EQ(step(inUse), "b");
        EXPECT_EQ(step(inUse), "c");
        EXPECT_EQ(step(inUse), "<done>");
    }
}

TEST(StatementCache, TheNamesFollowTheSchema)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    cn.Execute("CREATE TABLE Scratch (Name VARCHAR(10))");
    EXPECT_TRUE(cn.tableNames().contains("Scratch"));
    cn.Execute("INSERT INTO Scratch (Name) VALUES ('one')");
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM Scratch"), 1);
    // A statement that fails after a change of the schema still has it learnt.
    EXPECT_NE(adotest::errorOf([&] { cn.Execute("DROP TABLE Scratch; SELECT * FROM NoSuchTable"); }), 0);
    EXPECT_FALSE(cn.tableNames().contains("Scratch"));
    EXPECT_NE(adotest::errorOf([&] { adotest::countRows(cn, "SELECT * FROM Scratch"); }), 0);
}
