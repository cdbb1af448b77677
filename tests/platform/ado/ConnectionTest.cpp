// Opening, refusing and compacting the keyed database file.
#include "AdoTestSupport.h"
#include "TestDatabase.h"
#include "TestEnvironment.h"
#include "ado/Connection.h"
#include "ado/Recordset.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace ado;
using adotest::errorOf;

namespace {

// A fresh database in `folder` whose pages are `pageSize` bytes: the build
// makes today's size; compaction writes any size, the old 1 KB one included.
QString freshDatabase(const QString &folder, int pageSize)
{
    const QString path = corvantis::test::copyFreshDatabase(folder);
    if (pageSize != kCipherPageSize)
        CompactDatabase(path, QStringLiteral("quarrytone7"), pageSize);
    return path;
}

const int kPageSizes[] = {kCipherPageSize, kLegacyCipherPageSize};

} // namespace

TEST(Connection, ReadsTheClassicConnectionString)
{
    const auto parts = parseConnectionString(QStringLiteral(
        "Provider = Microsoft.jet.OLEDB.4.0;Data Source = /data/x/Corvantis.mdb;Jet OLEDB:Database Password = quarrytone7;"));
    EXPECT_EQ(parts.dataSource, QStringLiteral("/data/x/Corvantis.mdb"));
    EXPECT_EQ(parts.password, QStringLiteral("quarrytone7"));
    EXPECT_EQ(applicationConnectionString(QStringLiteral("/data/x/")),
              QStringLiteral("Provider = Microsoft.jet.OLEDB.4.0;Data Source = /data/x/Corvantis.mdb;"
                             "Jet OLEDB:Database Password = quarrytone7;"));
    const auto spaced = parseConnectionString(QStringLiteral("data source=/a b/c.mdb;JET OLEDB:DATABASE PASSWORD=pw"));
    EXPECT_EQ(spaced.dataSource, QStringLiteral("/a b/c.mdb"));
    EXPECT_EQ(spaced.password, QStringLiteral("pw"));
}

TEST(Connection, RefusesWhatIsNotTheKeyedDatabase)
{
  for (const int pageSize : kPageSizes) {
    SCOPED_TRACE(pageSize);
    const QString folder = corvantis::test::tempDir() + QStringLiteral("/%1").arg(pageSize);
    QDir().mkpath(folder);
    const QString path = freshDatabase(folder, pageSize);
    struct Case {
        QString connectionString;
        const char *why;
    };
    QFile junk(folder + QStringLiteral("/junk.mdb"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4096, 'x'));
    junk.close();
    const std::vector<Case> cases = {
        {QStringLiteral("Data Source = %1;Jet OLEDB:Database Password = wrong;").arg(path), "wrong password"},
        {QStringLiteral("Data Source = %1;").arg(path), "no password"},
        {QStringLiteral("Data Source = %1/junk.mdb;Jet OLEDB:Database Password = quarrytone7;").arg(folder), "not a database"},
        {QStringLiteral("Data Source = %1/missing.mdb;Jet OLEDB:Database Password = quarrytone7;").arg(folder), "missing file"},
        {QStringLiteral("Provider = Microsoft.jet.OLEDB.4.0;"), "no data source"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.why);
        Connection cn;
        try {
            cn.Open(c.connectionString);
            ADD_FAILURE() << "opened";
        } catch (const vb::VbError &e) {
            EXPECT_EQ(e.number, -2147467259);
            EXPECT_FALSE(e.description.isEmpty());
        }
        EXPECT_EQ(cn.State(), adStateClosed);
    }
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/missing.mdb"))) << "opening never creates a file";

    Connection good;
    good.Open(applicationConnectionString(folder));
    EXPECT_EQ(good.State(), adStateOpen);
    EXPECT_EQ(good.cipherPageSize(), pageSize);
    EXPECT_EQ(errorOf([&] { good.Open(applicationConnectionString(folder)); }), 3705);
    good.Close();
    EXPECT_EQ(good.State(), adStateClosed);
  }
}

TEST(Connection, RefusesAFileThatIsNoDatabaseOfOursAndNeverWritesIt)
{
  for (const int pageSize : kPageSizes) {
    SCOPED_TRACE(pageSize);
    const QString folder = corvantis::test::tempDir() + QStringLiteral("/%1").arg(pageSize);
    QDir().mkpath(folder);
    const QString fresh = freshDatabase(folder, pageSize);
    // A keyed database whose tables are all gone.
    const QString tableless = folder + QStringLiteral("/tableless.mdb");
    ASSERT_TRUE(QFile::copy(fresh, tableless));
    {
        Connection cn;
        cn.Open(QStringLiteral("Data Source = %1;Jet OLEDB:Database Password = quarrytone7;").arg(tableless));
        for (const QString &table : cn.tableNames())
            if (!table.startsWith(QLatin1String("sqlite_"), Qt::CaseInsensitive))
                cn.Execute(QStringLiteral("DROP TABLE \"%1\"").arg(table));
        cn.Close();
    }
    const QString empty = folder + QStringLiteral("/empty.mdb");
    QFile(empty).open(QIODevice::WriteOnly);
    // A database whose pages after the first were lost.
    const QString damaged = folder + QStringLiteral("/damaged.mdb");
    {
        QFile in(fresh);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        QByteArray bytes = in.readAll();
        for (qsizetype i = pageSize; i < bytes.size(); ++i)
            bytes[i] = char(i * 7);
        QFile out(damaged);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
    }
    const auto contents = [](const QString &path) {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    };
    struct Case {
        QString path;
        const char *says;
    };
    const Case cases[] = {
        {empty, "the file is empty"},
        {tableless, "it holds no tables"},
        {damaged, "is not a Corvantis database"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.says);
        const QByteArray before = contents(c.path);
        Connection cn;
        try {
            cn.Open(QStringLiteral("Data Source = %1;Jet OLEDB:Database Password = quarrytone7;").arg(c.path));
            ADD_FAILURE() << "opened";
        } catch (const vb::VbError &e) {
            EXPECT_EQ(e.number, -2147467259);
            EXPECT_TRUE(e.description.contains(QLatin1String(c.says))) << e.description.toStdString();
        }
        EXPECT_EQ(cn.State(), adStateClosed);
        EXPECT_EQ(contents(c.path), before) << "the refused file was written";
        EXPECT_FALSE(QFile::exists(c.path + QStringLiteral("-wal")));
        // Compaction refuses it too, so it can never become permanent.
        EXPECT_EQ(errorOf([&] { CompactDatabase(c.path, QStringLiteral("quarrytone7")); }), -2147467259);
        EXPECT_EQ(contents(c.path), before);
    }
  }
}

// A file of the old 1 KB pages opens, takes writes, and is converted to
// today's page size by compaction, every row kept.
TEST(Connection, OldPageSizeOpensAndCompactionConvertsIt)
{
    const QString folder = corvantis::test::tempDir();
    const QString path = freshDatabase(folder, kLegacyCipherPageSize);
    {
        Connection cn;
        cn.Open(applicationConnectionString(folder));
        EXPECT_EQ(cn.cipherPageSize(), kLegacyCipherPageSize);
        cn.Execute("INSERT INTO History (Type, Description) VALUES ('Info', 'written with small pages')");
        cn.Close();
    }
    CompactDatabase(path, QStringLiteral("quarrytone7"));
    Connection cn;
    cn.Open(applicationConnectionString(folder));
    EXPECT_EQ(cn.cipherPageSize(), kCipherPageSize);
    EXPECT_EQ(QFileInfo(path).size() % kCipherPageSize, 0);
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM History WHERE Description = 'written with small pages'"), 1);
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM Standard"), 326);
}

// Each table's change count grows with every row this connection inserts,
// updates or deletes, in statements and record sets, rolled back or not;
// another connection's writes and plain reads leave it alone. The listener
// hears of the first change, then not again until it listens again.
TEST(Connection, CountsTheRowsItChangesPerTable)
{
    const QString folder = corvantis::test::tempDir();
    corvantis::test::copyFreshDatabase(folder);
    Connection cn;
    cn.Open(applicationConnectionString(folder));
    int told = 0;
    cn.setChangeListener([&] { ++told; });
    EXPECT_EQ(cn.changeCount(QStringLiteral("Exchange")), 0u);
    cn.Execute(QStringLiteral("INSERT INTO Exchange (Type, Description) VALUES ('Info', 'a')"));
    cn.Execute(QStringLiteral("INSERT INTO Exchange (Type, Description) VALUES ('Info', 'b')"));
    EXPECT_EQ(cn.changeCount(QStringLiteral("exchange")), 2u) << "names compare without letter case";
    EXPECT_EQ(told, 1);
    cn.listenForChanges();
    {
        Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM Exchange"), cn, adOpenKeyset, adLockOptimistic);
        rs.Fields(QStringLiteral("Description")) = QStringLiteral("changed");
        rs.Update();
        rs.Close();
    }
    EXPECT_EQ(cn.changeCount(QStringLiteral("Exchange")), 3u);
    EXPECT_EQ(told, 2);
    cn.BeginTrans();
    cn.Execute(QStringLiteral("UPDATE Exchange SET Type = 'Error'"));
    cn.RollbackTrans();
    EXPECT_EQ(cn.changeCount(QStringLiteral("Exchange")), 5u) << "rolled back rows may have been shown meanwhile";
    EXPECT_EQ(cn.changeCount(QStringLiteral("Inbox")), 0u);

    Connection other;
    other.Open(applicationConnectionString(folder));
    other.Execute(QStringLiteral("INSERT INTO Inbox (Partner) VALUES ('ELSEWHERE')"));
    Recordset read;
    read.Open(QStringLiteral("SELECT * FROM Inbox"), cn, adOpenKeyset, adLockReadOnly);
    EXPECT_EQ(read.RecordCount(), 1);
    read.Close();
    EXPECT_EQ(cn.changeCount(QStringLiteral("Inbox")), 0u);
    cn.setChangeListener({});
    cn.Execute(QStringLiteral("DELETE FROM Exchange WHERE Description = 'b'"));
    EXPECT_EQ(cn.changeCount(QStringLiteral("Exchange")), 6u);
    EXPECT_EQ(told, 2);
}

TEST(Connection, CompactionKeepsEveryRowAndTheKey)
{
    const QString folder = corvantis::test::tempDir();
    const QString path = corvantis::test::copyFreshDatabase(folder);
    int lastIndex = 0;
    {
        Connection cn;
        cn.Open(applicationConnectionString(folder));
        Recordset rs;
        rs.Open("SELECT * FROM History", cn, adOpenKeyset, adLockOptimistic);
        for (int i = 0; i < 200; ++i) {
            rs.AddNew();
            rs("Type") = "Info";
            rs("Description") = QStringLiteral("entry %1 ").arg(i) + QString(200, QLatin1Char('x'));
            rs.Update();
        }
        lastIndex = static_cast<int>(rs("Index").Value().rawInt());
        // Deleted rows are what compaction gives back.
        rs.MoveFirst();
        for (int i = 0; i < 150; ++i) {
            rs.Delete();
            rs.MoveNext();
        }
        rs.Close();
        cn.Close();
    }
    const qint64 before = QFileInfo(path).size();
    CompactDatabase(path, QStringLiteral("quarrytone7"));
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/NewCorvantis.mdb")));
    EXPECT_LE(QFileInfo(path).size(), before);

    Connection cn;
    cn.Open(applicationConnectionString(folder));
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM History"), 50);
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM Standard"), 326);
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM Version"), 40);
    Recordset rs;
    rs.Open("SELECT * FROM History ORDER BY Index ASC", cn, adOpenKeyset, adLockOptimistic);
    EXPECT_EQ(rs("Description").Value().toString().left(10), QStringLiteral("entry 150 "));
    rs.AddNew();
    rs("Type") = "Info";
    rs.Update();
    EXPECT_EQ(rs("Index").Value().rawInt(), lastIndex + 1) << "the counter goes on after compaction";
    rs.Close();
    cn.Close();

    Connection unkeyed;
    EXPECT_EQ(errorOf([&] { unkeyed.Open(QStringLiteral("Data Source = %1;").arg(path)); }), -2147467259)
        << "the compacted file keeps its key";
}

TEST(Connection, FailedCompactionLeavesTheDatabaseInPlace)
{
    const QString folder = corvantis::test::tempDir();
    const QString path = corvantis::test::copyFreshDatabase(folder);
    QFile original(path);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    const QByteArray bytes = original.readAll();
    original.close();
    EXPECT_EQ(errorOf([&] { CompactDatabase(path, QStringLiteral("not the key")); }), -2147467259);
    QFile after(path);
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), bytes);
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("/NewCorvantis.mdb")));
}

TEST(Connection, CompactionWaitsForTheLastConnection)
{
    const QString folder = corvantis::test::tempDir();
    const QString path = corvantis::test::copyFreshDatabase(folder);
    Connection cn;
    cn.Open(applicationConnectionString(folder));
    ado::Recordset rs;
    rs.Open("SELECT * FROM History", cn, adOpenKeyset, adLockOptimistic);
    rs.AddNew();
    rs("Description") = "still open";
    rs.Update();
    rs.Close();
    EXPECT_EQ(errorOf([&] { CompactDatabase(path, QStringLiteral("quarrytone7")); }), -2147467259);
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM History"), 1);
    cn.Close();
    CompactDatabase(path, QStringLiteral("quarrytone7"));
    cn.Open(applicationConnectionString(folder));
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM History WHERE Description = 'still open'"), 1);
}
