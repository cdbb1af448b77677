// A transaction belongs to the task that began it. Code that runs inside one
// of that task's yields (a timer, a window's command) must not write into it:
// its write would be undone with the task's rollback although it reported
// success. Such writes fail loudly; reads go on; the owner's own writes,
// before and after its yields, are untouched; work put off meanwhile runs
// once the transaction has ended, in order.
#include "AdoTestSupport.h"
#include "TestDatabase.h"
#include "ado/Transaction.h"
#include "vb/DoEvents.h"

#include <gtest/gtest.h>

#include <functional>

using namespace ado;
using corvantis::test::FreshDatabase;

namespace {

void note(Connection &cn, const QString &text)
{
    cn.Execute(QStringLiteral("INSERT INTO History (Type, Description) VALUES ('Info', ?)"), {vb::Variant(text)});
}

long noted(Connection &cn, const QString &text)
{
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM History WHERE Description = ?"), {vb::Variant(text)}, cn,
            adOpenKeyset, adLockReadOnly);
    return rs.RecordCount();
}

QStringList notes(Connection &cn)
{
    QStringList result;
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM History ORDER BY [Index]"), cn, adOpenForwardOnly, adLockReadOnly);
    for (; !rs.Eof(); rs.MoveNext())
        result << rs.Fields(QStringLiteral("Description")).Value().toString();
    return result;
}

// Runs `inside` from inside a yield of the calling code, as a timer or a
// click would run while the caller's work yields.
void insideYield(const std::function<void()> &inside)
{
    vb::setDoEventsObserver(inside);
    vb::DoEvents();
    vb::setDoEventsObserver({});
}

struct Write {
    const char *what;
    std::function<void(Connection &)> run;
};

} // namespace

TEST(ForeignTransaction, AWriteFromInsideTheOwnersYieldFailsLoudlyAndReadsGoOn)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    note(cn, "stored before");

    const Write writes[] = {
        {"Execute", [](Connection &c) { c.Execute(QStringLiteral("INSERT INTO History (Type, Description) VALUES ('Info', 'x')")); }},
        {"Execute with values", [](Connection &c) { note(c, QStringLiteral("x")); }},
        {"Execute of an UPDATE", [](Connection &c) { c.Execute(QStringLiteral("UPDATE History SET Type = 'Error'")); }},
        {"a nested BeginTrans", [](Connection &c) { c.BeginTrans(); }},
        {"a statement opened as a record set",
         [](Connection &c) {
             ado::Recordset rs;
             rs.Open(QStringLiteral("DELETE FROM History"), c);
         }},
        {"AddNew",
         [](Connection &c) {
             ado::Recordset rs;
             rs.Open(QStringLiteral("SELECT * FROM History WHERE 0 = 1"), c, adOpenKeyset, adLockOptimistic);
             rs.AddNew();
         }},
        {"Update of a changed row",
         [](Connection &c) {
             ado::Recordset rs;
             rs.Open(QStringLiteral("SELECT * FROM History"), c, adOpenKeyset, adLockOptimistic);
             rs.Fields(QStringLiteral("Type")) = QStringLiteral("Error");
             rs.Update();
         }},
        {"Delete",
         [](Connection &c) {
             ado::Recordset rs;
             rs.Open(QStringLiteral("SELECT * FROM History"), c, adOpenKeyset, adLockOptimistic);
             rs.Delete();
         }},
    };
    for (const Write &write : writes) {
        SCOPED_TRACE(write.what);
        Transaction tx(cn);
        note(cn, QStringLiteral("owner before"));
        EXPECT_FALSE(cn.foreignTransactionOpen());

        bool foreign = false;
        QString refusal;
        int number = 0;
        long readInside = -1;
        insideYield([&] {
            foreign = cn.foreignTransactionOpen();
            try {
                write.run(cn);
            } catch (const vb::VbError &error) {
                number = error.number;
                refusal = error.description;
            }
            // Reads go on, and see the owner's work so far.
            readInside = noted(cn, QStringLiteral("owner before"));
            EXPECT_EQ(adotest::countRows(cn, QStringLiteral("SELECT * FROM History")), 2);
        });
        EXPECT_TRUE(foreign);
        EXPECT_EQ(number, adErrIllegalOperation);
        EXPECT_TRUE(refusal.contains(QStringLiteral("Another task's transaction is open"))) << refusal.toStdString();
        EXPECT_EQ(readInside, 1);
        EXPECT_EQ(cn.transactionLevel(), 1);

        // The owner goes on writing after its yield, and its rollback undoes
        // only its own work: nothing of the refused write was ever there.
        note(cn, QStringLiteral("owner after"));
        tx.rollback();
        EXPECT_EQ(notes(cn), QStringList{QStringLiteral("stored before")});
    }
}

TEST(ForeignTransaction, TheOwnersWritesAndCommitAreUnchangedAndWritesAfterItsEndAreFree)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    {
        Transaction tx(cn);
        note(cn, QStringLiteral("one"));
        insideYield([] {});
        // Its own save points too.
        Transaction inner(cn);
        note(cn, QStringLiteral("two"));
        inner.commit();
        tx.commit();
    }
    // No transaction open: a write from any depth stores at once.
    insideYield([&] {
        EXPECT_FALSE(cn.foreignTransactionOpen());
        note(cn, QStringLiteral("three"));
        // A transaction begun inside a yield belongs to that depth.
        Transaction own(cn);
        note(cn, QStringLiteral("four"));
        own.commit();
    });
    EXPECT_EQ(notes(cn), (QStringList{QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three"),
                                      QStringLiteral("four")}));
}

TEST(ForeignTransaction, WorkPutOffRunsOnceTheTransactionEndsInOrder)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    for (const bool commit : {false, true}) {
        SCOPED_TRACE(commit ? "committed" : "rolled back");
        cn.Execute(QStringLiteral("DELETE FROM History"));
        QStringList ran;
        {
            Transaction tx(cn);
            note(cn, QStringLiteral("owner"));
            // At the owner's depth the work runs at once, inside its transaction.
            cn.whenNoForeignTransaction([&] { ran << QStringLiteral("owner's own"); });
            insideYield([&] {
                for (const char *text : {"first", "second", "third"})
                    cn.whenNoForeignTransaction([&, text] {
                        ran << QString::fromLatin1(text);
                        note(cn, QString::fromLatin1(text));
                    });
            });
            EXPECT_EQ(ran, QStringList{QStringLiteral("owner's own")}) << "put off while the transaction is open";
            if (commit)
                tx.commit();
        }
        EXPECT_EQ(ran, (QStringList{QStringLiteral("owner's own"), QStringLiteral("first"), QStringLiteral("second"),
                                    QStringLiteral("third")}));
        QStringList expected{QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")};
        if (commit)
            expected.prepend(QStringLiteral("owner"));
        EXPECT_EQ(notes(cn), expected);
    }
}

TEST(ForeignTransaction, OtherConnectionsAreNotHeldByIt)
{
    FreshDatabase db;
    Connection &cn = db.connection();
    Connection other;
    other.Open(db.connectionString());
    Transaction tx(cn); // begun, nothing written yet: the file is not locked
    insideYield([&] {
        EXPECT_FALSE(other.foreignTransactionOpen());
        note(other, QStringLiteral("through another connection"));
    });
    tx.rollback();
    EXPECT_EQ(noted(cn, QStringLiteral("through another connection")), 1);
    other.Close();
}
