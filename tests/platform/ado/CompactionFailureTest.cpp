// Compaction carries the counters of the numbered tables as they are, and
// when it cannot finish it says why and leaves the database as it was: a
// copy of the counters that fails, or a log that cannot be folded in (a full
// disk), is named, never taken for a database in use.
#include "AdoTestSupport.h"
#include "FailingWrites.h"
#include "TestDatabase.h"
#include "TestEnvironment.h"
#include "ado/Connection.h"
#include "ado/Recordset.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace ado;
using corvantis::test::FailingWrites;

namespace {

const QString kKey = QStringLiteral("quarrytone7");

QString freshFolder(const QString &name)
{
    const QString folder = corvantis::test::tempDir() + QLatin1Char('/') + name;
    QDir().mkpath(folder);
    corvantis::test::copyFreshDatabase(folder);
    return folder;
}

// Ten History entries of which the last five are deleted: the counter
// stands at 10, the highest Index left at 5.
void numberAndDeleteTheLast(const QString &folder)
{
    Connection cn;
    cn.Open(applicationConnectionString(folder));
    for (int i = 1; i <= 10; ++i)
        cn.Execute("INSERT INTO History (Type, Description) VALUES ('Info', ?)", {vb::Variant(QString::number(i))});
    cn.Execute("DELETE FROM History WHERE [Index] > 5");
    cn.Close();
}

long nextIndex(const QString &folder)
{
    Connection cn;
    cn.Open(applicationConnectionString(folder));
    Recordset rs;
    rs.Open("SELECT * FROM History", cn, adOpenKeyset, adLockOptimistic);
    rs.AddNew();
    rs("Type") = "Info";
    rs.Update();
    const long index = long(rs("Index").Value().rawInt());
    rs.Close();
    cn.Close();
    return index;
}

QString compactionError(const QString &path)
{
    try {
        CompactDatabase(path, kKey);
    } catch (const vb::VbError &error) {
        return error.description;
    }
    return {};
}

} // namespace

TEST(CompactionCounters, AreCarriedAsTheyStand)
{
    const QString folder = freshFolder("db");
    numberAndDeleteTheLast(folder);
    CompactDatabase(folder + "/Corvantis.mdb", kKey);
    EXPECT_EQ(nextIndex(folder), 11) << "a number given out before was given out again";
}

TEST(CompactionCounters, AFailedCopyFailsTheCompactionAndLeavesTheFile)
{
    FailingWrites::install();
    // The counters are the copy's last write: in a first compaction of the
    // same rows, count the copy's journals; in the second the last one fails.
    const QString trial = freshFolder("trial");
    numberAndDeleteTheLast(trial);
    CompactDatabase(trial + "/Corvantis.mdb", kKey);
    const int journals = FailingWrites::openings(trial + "/NewCorvantis.mdb-journal");
    ASSERT_GT(journals, 1);

    const QString folder = freshFolder("db");
    numberAndDeleteTheLast(folder);
    const QString path = folder + "/Corvantis.mdb";
    {
        FailingWrites full(folder + "/NewCorvantis.mdb-journal", journals);
        const QString error = compactionError(path);
        EXPECT_TRUE(error.contains("the counters of the numbered tables cannot be copied: database or disk is full"))
            << error.toStdString();
    }
    EXPECT_FALSE(QFile::exists(folder + "/NewCorvantis.mdb"));
    {
        Connection cn;
        cn.Open(applicationConnectionString(folder));
        EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM History"), 5);
    }
    EXPECT_EQ(nextIndex(folder), 11) << "the database in place lost its counter";
    CompactDatabase(path, kKey);
    EXPECT_EQ(nextIndex(folder), 12);
}

TEST(CompactionLog, ALogThatCannotBeFoldedInIsNamedAndNothingIsLost)
{
    FailingWrites::install();
    const QString folder = freshFolder("db");
    const QString path = folder + "/Corvantis.mdb";
    {
        Connection cn;
        cn.Open(applicationConnectionString(folder));
        adotest::addRows(cn, 2000, QStringLiteral("Big"));
        FailingWrites full(path);
        cn.Close();   // its own fold fails too: the log stays
        ASSERT_TRUE(QFile::exists(path + "-wal"));
        const QString error = compactionError(path);
        EXPECT_TRUE(error.contains("database or disk is full")) << error.toStdString();
        EXPECT_FALSE(error.contains("in use")) << error.toStdString();
        EXPECT_FALSE(QFile::exists(folder + "/NewCorvantis.mdb"));
    }
    CompactDatabase(path, kKey);
    EXPECT_FALSE(QFile::exists(path + "-wal"));
    Connection cn;
    cn.Open(applicationConnectionString(folder));
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM History WHERE Type = 'Big'"), 2000);
}
