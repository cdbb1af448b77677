// The write-ahead log after a large commit: folded into the file by the
// connection's own thread, kept while a reader still needs it, cut back by
// the next write, and never in the way of closing or compacting.
#include "AdoTestSupport.h"
#include "TestDatabase.h"
#include "TestEnvironment.h"
#include "ado/Connection.h"
#include "ado/Recordset.h"

#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace ado;
using adotest::addRows;

namespace {

constexpr int kFoldWaitMs = 30000;

// Enough rows of 2 KB in one transaction to leave the log over 1,000 pages
// of either page size.
constexpr int kRows = 9000;

// What a log holds after a write of a few small rows.
constexpr qint64 kSmallLog = 256 * 1024;

qint64 logSize(const QString &database)
{
    const QFileInfo log(database + "-wal");
    return log.exists() ? log.size() : -1;
}

QString freshDatabase(const QString &folder, int pageSize)
{
    const QString path = corvantis::test::copyFreshDatabase(folder);
    if (pageSize != kCipherPageSize)
        CompactDatabase(path, QStringLiteral("quarrytone7"), pageSize);
    return path;
}

class LogFolding : public ::testing::TestWithParam<int> {};

} // namespace

TEST_P(LogFolding, ALargeCommitIsFoldedInAndTheLogEmptied)
{
    const QString folder = corvantis::test::tempDir();
    const QString path = freshDatabase(folder, GetParam());
    Connection cn;
    cn.Open(applicationConnectionString(folder));
    ASSERT_EQ(cn.cipherPageSize(), GetParam());
    addRows(cn, kRows, "Big");
    ASSERT_TRUE(cn.waitForLogFolded(kFoldWaitMs)) << "the log was not folded in within " << kFoldWaitMs << " ms";
    EXPECT_GT(QFileInfo(path).size(), qint64(kRows) * 2000) << "the rows are in the file itself";

    // Another connection reads them; the next write starts the log over.
    Connection other;
    other.Open(applicationConnectionString(folder));
    EXPECT_EQ(adotest::countRows(other, "SELECT * FROM History WHERE Type = 'Big'"), kRows);
    EXPECT_GT(logSize(path), kSmallLog);
    addRows(cn, 10, "Small");
    EXPECT_LT(logSize(path), kSmallLog) << "the log was not cut back after it was folded in";
    EXPECT_EQ(adotest::countRows(other, "SELECT * FROM History WHERE Type = 'Small'"), 10);
}

INSTANTIATE_TEST_SUITE_P(PageSizes, LogFolding, ::testing::Values(kCipherPageSize, kLegacyCipherPageSize));

TEST(LogFoldingReader, AReaderKeepsTheLogUntilItEnds)
{
    const QString folder = corvantis::test::tempDir();
    const QString path = corvantis::test::copyFreshDatabase(folder);
    Connection writer;
    writer.Open(applicationConnectionString(folder));
    Connection reader;
    reader.Open(applicationConnectionString(folder));
    reader.BeginTrans();
    EXPECT_EQ(adotest::countRows(reader, "SELECT * FROM History"), 0);   // the reader's view starts here

    addRows(writer, kRows, "Big");
    EXPECT_FALSE(writer.waitForLogFolded(kFoldWaitMs)) << "the log was emptied under a reader that still needs it";
    EXPECT_GT(logSize(path), 0);
    EXPECT_EQ(adotest::countRows(reader, "SELECT * FROM History"), 0) << "the reader's view moved";
    EXPECT_EQ(adotest::countRows(writer, "SELECT * FROM History WHERE Type = 'Big'"), kRows);
    reader.CommitTrans();

    // The next large commit folds in both, and the write after it cuts the log back.
    addRows(writer, kRows, "More");
    ASSERT_TRUE(writer.waitForLogFolded(kFoldWaitMs));
    addRows(writer, 1, "Small");
    EXPECT_LT(logSize(path), kSmallLog);
    EXPECT_EQ(adotest::countRows(reader, "SELECT * FROM History"), 2 * kRows + 1);
}

TEST(LogFoldingClose, ClosingWhileAFoldRunsLosesNothingAndCompactionFollows)
{
    const QString folder = corvantis::test::tempDir();
    const QString path = corvantis::test::copyFreshDatabase(folder);
    {
        Connection cn;
        cn.Open(applicationConnectionString(folder));
        cn.setBulkWriting(true);
        addRows(cn, kRows, "Big");
        cn.setBulkWriting(false);
        cn.Close();   // at once: the fold asked for by the commit may still run
    }
    EXPECT_FALSE(QFile::exists(path + "-wal")) << "the last connection to close removes the log";
    CompactDatabase(path, QStringLiteral("quarrytone7"));
    Connection cn;
    cn.Open(applicationConnectionString(folder));
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM History WHERE Type = 'Big'"), kRows);
    Recordset rs;
    rs.Open("SELECT Description FROM History WHERE Type = 'Big' ORDER BY Index DESC", cn, adOpenForwardOnly,
            adLockReadOnly);
    ASSERT_FALSE(rs.Eof());
    EXPECT_EQ(rs("Description").Value().toString(), QString::number(kRows - 1) + QString(2000, QLatin1Char('x')));
}
