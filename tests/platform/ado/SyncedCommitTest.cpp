// Commits that a file step follows: a synced transaction's commit reaches the
// disk before it returns, a bulk load inside it finds that in force, and a
// setting the database refuses inside a transaction is never passed over.
#include "AdoTestSupport.h"
#include "FailingWrites.h"
#include "SyncLog.h"
#include "TestDatabase.h"
#include "ado/Transaction.h"

#include <gtest/gtest.h>
#include <functional>

using namespace ado;
using corvantis::test::FreshDatabase;

namespace {

void note(Connection &cn)
{
    cn.Execute(QStringLiteral("INSERT INTO History (Type, Description) VALUES ('Info', 'synced')"));
}

TEST(SyncedCommit, TheOutermostSyncedTransactionCommitsToTheDiskAndPutsTheLevelBack)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    ASSERT_EQ(cn.synchronous(), kSynchronousNormal);
    for (const bool commit : {true, false}) {
        SCOPED_TRACE(commit ? "committed" : "rolled back");
        {
            Transaction tx(cn, Durability::Synced);
            EXPECT_EQ(cn.synchronous(), kSynchronousFull);
            // A bulk load inside finds its setting in force; its end leaves it.
            cn.setBulkWriting(true);
            EXPECT_EQ(cn.synchronous(), kSynchronousFull);
            {
                Transaction inner(cn, Durability::Synced);
                note(cn);
                inner.commit();
            }
            cn.setBulkWriting(false);
            EXPECT_EQ(cn.synchronous(), kSynchronousFull);
            if (commit)
                tx.commit();
        }
        EXPECT_EQ(cn.synchronous(), kSynchronousNormal);
        EXPECT_EQ(cn.transactionLevel(), 0);
    }
    EXPECT_EQ(adotest::countRows(cn, QStringLiteral("SELECT * FROM History WHERE Description = 'synced'")), 1);
}

TEST(SyncedCommit, ASettingTheRunningTransactionCannotTakeRaises)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    const std::vector<std::pair<const char *, std::function<void()>>> cases = {
        {"bulk writing", [&] { cn.setBulkWriting(true); }},
        {"a synced level", [&] { Transaction inner(cn, Durability::Synced); }},
        {"a level asked directly", [&] { cn.setSynchronous(kSynchronousFull); }},
    };
    for (const auto &[name, ask] : cases) {
        SCOPED_TRACE(name);
        Transaction everyday(cn);
        note(cn);
        QString description;
        try {
            ask();
            ADD_FAILURE() << "not refused";
        } catch (const vb::VbError &error) {
            description = error.description;
        }
        EXPECT_EQ(description, QStringLiteral("The database keeps synchronous=1 where 2 was asked: it cannot "
                                              "change inside a running transaction"));
        EXPECT_EQ(cn.synchronous(), kSynchronousNormal);
        EXPECT_EQ(cn.transactionLevel(), 1) << "the running transaction goes on";
        everyday.commit();
    }
    // A weaker level inside a synced transaction keeps the safer one.
    {
        Transaction tx(cn, Durability::Synced);
        EXPECT_NO_THROW(cn.setSynchronous(kSynchronousNormal));
        EXPECT_EQ(cn.synchronous(), kSynchronousFull);
    }
    // Outside a transaction every level is taken as asked.
    for (const int level : {0, 3, 2, 1}) {
        cn.setSynchronous(level);
        EXPECT_EQ(cn.synchronous(), level);
    }
}

TEST(SyncedCommit, OnlyTheSyncedCommitSyncsTheLog)
{
    FreshDatabase db;
    corvantis::test::SyncLog log;
    // Watched from its next opening on.
    Connection cn;
    cn.Open(db.connectionString());
    // The log begun (its first header may be synced at any level).
    note(cn);
    const int before = log.logSyncs();
    {
        Transaction tx(cn);
        note(cn);
        tx.commit();
    }
    EXPECT_EQ(log.logSyncs(), before) << log.synced().join(QStringLiteral(", ")).toStdString();
    {
        Transaction tx(cn, Durability::Synced);
        note(cn);
        tx.commit();
    }
    EXPECT_EQ(log.logSyncs(), before + 1) << log.synced().join(QStringLiteral(", ")).toStdString();
    EXPECT_TRUE(log.synced().last().endsWith(QStringLiteral("/Corvantis.mdb-wal")));
    cn.Close();
}

// The test file layer's two uses at once: failing writes hide no sync from
// the log, and the log keeps no write from failing.
TEST(SyncedCommit, AFullDiskAndTheSyncLogAreSeenTogether)
{
    using corvantis::test::FailingWrites;
    FailingWrites::install();
    FreshDatabase db;
    corvantis::test::SyncLog log;
    Connection cn;
    cn.Open(db.connectionString());
    note(cn);
    {
        FailingWrites full(db.path() + QStringLiteral("-wal"));
        const int failedBefore = FailingWrites::failed();
        EXPECT_ANY_THROW(note(cn)) << "a write the disk refused was taken for done";
        EXPECT_GT(FailingWrites::failed(), failedBefore);
    }
    {
        // Only the database file refuses writes now: the log still takes the commit.
        FailingWrites full(db.path());
        const int before = log.logSyncs();
        Transaction tx(cn, Durability::Synced);
        note(cn);
        tx.commit();
        EXPECT_EQ(log.logSyncs(), before + 1) << log.synced().join(QStringLiteral(", ")).toStdString();
    }
    cn.Close();
}

} // namespace
