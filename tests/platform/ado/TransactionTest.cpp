// The scoped transaction: what it keeps, what it undoes, and that a rollback
// that fails is recorded rather than lost or thrown over the error at hand.
#include "AdoTestSupport.h"
#include "TestDatabase.h"
#include "ado/Transaction.h"

#include <QtGlobal>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace ado;
using corvantis::test::FreshDatabase;

namespace {

void note(Connection &cn, const char *text)
{
    cn.Execute(QStringLiteral("INSERT INTO History (Type, Description) VALUES ('Info', '") + QString::fromLatin1(text)
               + QStringLiteral("')"));
}

long noted(Connection &cn, const char *text)
{
    return adotest::countRows(cn, QStringLiteral("SELECT * FROM History WHERE Description = '")
                                      + QString::fromLatin1(text) + QStringLiteral("'"));
}

// Collects what is written under corvantis.ado while it lives.
class AdoLog {
public:
    AdoLog() { s_lines = &m_lines, m_previous = qInstallMessageHandler(&AdoLog::handle); }
    ~AdoLog() { qInstallMessageHandler(m_previous), s_lines = nullptr; }
    const QStringList &lines() const { return m_lines; }

private:
    static void handle(QtMsgType, const QMessageLogContext &context, const QString &text)
    {
        if (s_lines && context.category && QByteArray(context.category) == "corvantis.ado")
            *s_lines << text;
    }
    static inline QStringList *s_lines = nullptr;
    QStringList m_lines;
    QtMessageHandler m_previous = nullptr;
};

} // namespace

TEST(Transaction, CommittedWorkStaysAndUncommittedWorkGoes)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    {
        Transaction tx(cn);
        note(cn, "kept");
        tx.commit();
        EXPECT_FALSE(tx.isOpen());
    }
    {
        Transaction tx(cn);
        note(cn, "left");
    }
    try {
        Transaction tx(cn);
        note(cn, "failed");
        throw std::runtime_error("the body fails");
    } catch (const std::runtime_error &) {
    }
    {
        Transaction tx(cn);
        note(cn, "rolled back");
        tx.rollback();
        EXPECT_FALSE(tx.isOpen());
    }
    EXPECT_EQ(noted(cn, "kept"), 1);
    EXPECT_EQ(noted(cn, "left"), 0);
    EXPECT_EQ(noted(cn, "failed"), 0);
    EXPECT_EQ(noted(cn, "rolled back"), 0);
    EXPECT_EQ(cn.transactionLevel(), 0);
}

TEST(Transaction, AnInnerOneUndoesOnlyItsOwnLevel)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    {
        Transaction outer(cn);
        note(cn, "outer");
        {
            Transaction inner(cn);
            EXPECT_EQ(cn.transactionLevel(), 2);
            note(cn, "inner");
        }
        EXPECT_EQ(cn.transactionLevel(), 1);
        {
            Transaction inner(cn);
            note(cn, "inner kept");
            inner.commit();
        }
        outer.commit();
    }
    EXPECT_EQ(noted(cn, "outer"), 1);
    EXPECT_EQ(noted(cn, "inner"), 0);
    EXPECT_EQ(noted(cn, "inner kept"), 1);

    // A level opened inside and left open goes with the outer rollback.
    {
        Transaction outer(cn);
        cn.BeginTrans();
        note(cn, "stray");
    }
    EXPECT_EQ(cn.transactionLevel(), 0);
    EXPECT_EQ(noted(cn, "stray"), 0);
}

TEST(Transaction, InTransactionPassesTheBodysErrorOn)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    EXPECT_EQ(inTransaction(cn, [&] {
                  note(cn, "returned");
                  return 7;
              }),
              7);
    EXPECT_EQ(adotest::errorOf([&] {
                  inTransaction(cn, [&] {
                      note(cn, "raised");
                      vb::raise(5);
                  });
              }),
              5);
    EXPECT_EQ(noted(cn, "returned"), 1);
    EXPECT_EQ(noted(cn, "raised"), 0);
    EXPECT_EQ(cn.transactionLevel(), 0);
}

TEST(Transaction, AFailedRollbackIsRecordedAndTheErrorAtHandStands)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    Transaction outer(cn);
    AdoLog log;
    // The save point of the inner level is released behind the connection's
    // back, so rolling back to it fails.
    EXPECT_EQ(adotest::errorOf([&] {
                  Transaction inner(cn);
                  cn.Execute(QStringLiteral("RELEASE level2"));
                  vb::raise(5, QStringLiteral("the error at hand"));
              }),
              5);
    ASSERT_EQ(log.lines().size(), 1);
    EXPECT_TRUE(log.lines().first().contains(QStringLiteral("rollback of transaction level 2 failed")))
        << log.lines().first().toStdString();

    // Rolling back by hand reports the failure to the caller instead.
    Transaction again(cn);
    cn.Execute(QStringLiteral("RELEASE level") + QString::number(cn.transactionLevel()));
    EXPECT_NE(adotest::errorOf([&] { again.rollback(); }), 0);
    EXPECT_FALSE(again.isOpen());
}
