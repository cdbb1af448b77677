// The Exchange log entry, the Exchange script object and the generated file
// names, each against what a script and the Exchange list rely on.
#include "communications/ExchangeLog.h"
#include "communications/FileNames.h"
#include "communications/clsExchange.h"

#include "core/modGlobal.h"

#include "ScriptedDialogs.h"
#include "TestDatabase.h"
#include "TestEnvironment.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "vb/Clock.h"
#include "vb/Dialogs.h"
#include "vbscript/ScriptControl.h"

#include <QDateTime>
#include <QSet>

#include <gtest/gtest.h>

#include <memory>
#include <optional>

using namespace communications;
using corvantis::test::dialogs;

namespace {

class ExchangeLogTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        database.emplace();
        modGlobal::cnDatabase = database->connectionPtr();
        modGlobal::strCurrentUser = QStringLiteral("Tester");
    }
    void TearDown() override
    {
        modGlobal::cnDatabase.reset();
        database.reset();
    }
    QStringList entries()
    {
        QStringList out;
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM Exchange ORDER BY [Index]"), database->connection(), ado::adOpenKeyset,
                ado::adLockOptimistic);
        for (; !rs.Eof(); rs.MoveNext()) {
            QStringList row;
            for (const char *c : {"Type", "Date", "Time", "User", "Description"})
                row << rs.Fields(QLatin1String(c)).Value().toString();
            out << row.join(QLatin1Char('|'));
        }
        return out;
    }
    std::optional<corvantis::test::FreshDatabase> database;
};

TEST_F(ExchangeLogTest, StoresTypeDateTimeUserAndWholeDescription)
{
    const QString longText(5000, QLatin1Char('x'));
    LogExchange(QStringLiteral("Info"), QStringLiteral("Running send script"));
    LogExchange(QStringLiteral("Error"), QString());
    LogExchange(QStringLiteral("Custom"), longText);
    EXPECT_EQ(entries(), (QStringList{"Info|12/10/2026|01:05:09 PM|Tester|Running send script",
                                      "Error|12/10/2026|01:05:09 PM|Tester|",
                                      "Custom|12/10/2026|01:05:09 PM|Tester|" + longText}));
}

// A clock that moves on by a millisecond at every reading.
class TickingClock final : public vb::Clock {
public:
    explicit TickingClock(QDateTime at) : m_at(std::move(at)) {}
    QDateTime now() const override
    {
        const QDateTime at = m_at;
        m_at = m_at.addMSecs(1);
        return at;
    }

private:
    mutable QDateTime m_at;
};

TEST_F(ExchangeLogTest, DateAndTimeComeFromOneReadingOfTheClock)
{
    // A second reading for the time would give midnight of the next day
    // beside the old date.
    const auto harnessClock = vb::currentClock();
    vb::setClock(std::make_shared<TickingClock>(QDateTime(QDate(2026, 12, 10), QTime(23, 59, 59, 999))));
    LogExchange(QStringLiteral("Info"), QStringLiteral("edge"));
    vb::setClock(harnessClock);
    const QStringList got = entries();
    ASSERT_EQ(got.size(), 1);
    EXPECT_EQ(got[0], "Info|12/10/2026|11:59:59 PM|Tester|edge");
}

TEST_F(ExchangeLogTest, FailureShowsTheErrorAndReachesNoCaller)
{
    database->connection().Execute(QStringLiteral("DROP TABLE Exchange"));
    dialogs().answer(vb::vbOK).answer(vb::vbOK);
    EXPECT_NO_THROW(LogExchange(QStringLiteral("Info"), QStringLiteral("one")));
    EXPECT_NO_THROW(LogExchange(QStringLiteral("Info"), QStringLiteral("two")));
    ASSERT_EQ(dialogs().boxes().size(), 2u);
    EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
    EXPECT_FALSE(dialogs().last().text.isEmpty());
}

TEST_F(ExchangeLogTest, NoConnectionShowsABoxPerCall)
{
    modGlobal::cnDatabase.reset();
    dialogs().answer(vb::vbOK);
    LogExchange(QStringLiteral("Info"), QStringLiteral("lost"));
    EXPECT_EQ(dialogs().boxes().size(), 1u);
}

TEST(ExchangeObject, EveryPropertyStartsEmptyAndKeepsWhatAScriptSets)
{
    auto exchange = std::make_shared<clsExchange>();
    vbs::ScriptControl sc;
    sc.AddObject(QStringLiteral("Exchange"), exchange, true);
    for (const char *name : {"LocaleFile", "LocalFile", "RemoteFile", "Password", "UserName", "URL", "RemotePort"})
        EXPECT_EQ(sc.Eval(QStringLiteral("Exchange.") + QLatin1String(name)).toString(), QString()) << name;

    sc.AddCode(QStringLiteral("Exchange.URL = \"ftp://127.0.0.1/in box/\"\n"
                              "Exchange.UserName = \" user \"\n"
                              "Exchange.Password = \"p a s s\"\n"
                              "RemotePort = 21\n"
                              "Exchange.RemoteFile = \"\"\n"
                              "Exchange.LocaleFile = \"/data/out/120926-010509-PM.OC\"\n"));
    EXPECT_EQ(exchange->URL, "ftp://127.0.0.1/in box/");
    EXPECT_EQ(exchange->UserName, " user ");
    EXPECT_EQ(exchange->Password, "p a s s");
    EXPECT_EQ(exchange->RemotePort, "21"); // held as text
    EXPECT_EQ(exchange->RemoteFile, "");
    EXPECT_EQ(sc.Eval(QStringLiteral("Exchange.LocalFile")).toString(), "/data/out/120926-010509-PM.OC");

    sc.ExecuteStatement(QStringLiteral("Exchange.LocalFile = \"other\""));
    EXPECT_EQ(exchange->LocaleFile, "other");
    exchange->Password = QStringLiteral("set by the run");
    EXPECT_EQ(sc.Eval(QStringLiteral("Password")).toString(), "set by the run");
}

TEST(GeneratedFileName, TwelveDigitsOfTheClockAndNeverTheSameTwice)
{
    corvantis::test::clock().set(QDateTime(QDate(2107, 2, 3), QTime(14, 5, 9)));
    const QString first = GenerateFileName();
    EXPECT_EQ(first, "020307140509");
    QSet<QString> seen{first};
    // The clock stands still: each further name is the next second's.
    EXPECT_EQ(GenerateFileName(), "020307140510");
    EXPECT_EQ(GenerateFileName(), "020307140511");
    // The clock goes back: still nothing handed out before.
    corvantis::test::clock().set(QDateTime(QDate(2107, 2, 3), QTime(14, 5, 0)));
    for (int i = 0; i < 5; ++i) {
        const QString name = GenerateFileName();
        EXPECT_EQ(name.size(), 12);
        EXPECT_FALSE(seen.contains(name)) << name.toStdString();
        seen.insert(name);
    }
    // Once the clock has passed the last name, it is followed again.
    corvantis::test::clock().set(QDateTime(QDate(2107, 2, 3), QTime(15, 0, 0)));
    EXPECT_EQ(GenerateFileName(), "020307150000");
}

} // namespace
