// A fold of the log that fails (the database file cannot be written: a full
// disk) is told once per cause, on the connection's own thread from its
// event loop, and tried again at every commit until it works; nothing
// committed is lost meanwhile.
#include "AdoTestSupport.h"
#include "FailingWrites.h"
#include "TestDatabase.h"
#include "TestEnvironment.h"
#include "ado/Connection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>

using namespace ado;
using adotest::addRows;
using corvantis::test::FailingWrites;

namespace {

constexpr int kWaitMs = 20000;

// Lets the event loop deliver what was posted while the folds end.
void settle(Connection &cn)
{
    cn.waitForLogFolded(kWaitMs);
    QCoreApplication::processEvents();
}

} // namespace

TEST(LogFoldFailure, IsToldOnceTriedAgainAtEachCommitAndFoldedOnceItWorks)
{
    FailingWrites::install();
    const QString folder = corvantis::test::tempDir();
    const QString path = corvantis::test::copyFreshDatabase(folder);
    Connection cn;
    cn.Open(applicationConnectionString(folder));
    QStringList told;
    std::vector<Qt::HANDLE> threads;
    cn.setLogFoldFailureListener([&](const QString &reason) {
        told << reason;
        threads.push_back(QThread::currentThreadId());
    });
    {
        FailingWrites full(path);
        cn.setBulkWriting(true);
        addRows(cn, 500, "Big");
        cn.setBulkWriting(false);   // asks for the fold, whatever the log's length
        EXPECT_FALSE(cn.waitForLogFolded(kWaitMs)) << "a failed fold was taken for a whole one";
        EXPECT_TRUE(told.isEmpty()) << "told outside the event loop";
        QElapsedTimer waited;
        waited.start();
        while (told.isEmpty() && waited.elapsed() < kWaitMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        ASSERT_EQ(told, QStringList{"database or disk is full"});
        EXPECT_EQ(threads.front(), QThread::currentThreadId());

        // Each commit tries again, however short the log; the same cause is
        // not told again.
        for (int i = 0; i < 3; ++i) {
            const int failedBefore = FailingWrites::failed();
            addRows(cn, 1, "Small");
            settle(cn);
            EXPECT_GT(FailingWrites::failed(), failedBefore) << "the commit did not try the fold again";
        }
        EXPECT_EQ(told.size(), 1);
    }
    // Room again: the next commit folds the log in, and the one after
    // starts it over.
    addRows(cn, 1, "Small");
    EXPECT_TRUE(cn.waitForLogFolded(kWaitMs));
    addRows(cn, 1, "Small");
    EXPECT_LT(QFileInfo(path + "-wal").size(), 256 * 1024);
    QCoreApplication::processEvents();
    EXPECT_EQ(told.size(), 1);

    // After a fold that worked, the same cause is a new failure.
    {
        FailingWrites full(path);
        addRows(cn, 500, "More");
        cn.setBulkWriting(false);
        settle(cn);
        QElapsedTimer waited;
        waited.start();
        while (told.size() < 2 && waited.elapsed() < kWaitMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        EXPECT_EQ(told.size(), 2);
    }
    cn.Close();
    Connection other;
    other.Open(applicationConnectionString(folder));
    EXPECT_EQ(adotest::countRows(other, "SELECT * FROM History WHERE Type = 'Big'"), 500);
    EXPECT_EQ(adotest::countRows(other, "SELECT * FROM History WHERE Type = 'Small'"), 5);
    EXPECT_EQ(adotest::countRows(other, "SELECT * FROM History WHERE Type = 'More'"), 500);
}
