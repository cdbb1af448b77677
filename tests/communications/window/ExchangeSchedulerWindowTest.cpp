// The window's minute timer with a short real interval and runs that yield
// as scripts do: the timer's slot only decides, the runs start after it in
// list order (also of a network never shown), and the ticks keep coming
// while a run yields.
#include "ExchangeWindowFixture.h"

#include "controls/ListView.h"

#include <QTimer>

using namespace Qt::StringLiterals;
using communications::frmExchange;
using exchangetest::ExchangeWindowTest;

namespace {

struct StartedRun {
    QString network;
    QString kind;
    int tick = 0;
    int hashType = 0;
};

TEST_F(ExchangeWindowTest, TheTimerStartsDueRunsAfterItsSlotAndKeepsTickingWhileTheyYield)
{
    addNetwork(u"ALPHA01"_s, {{u"CheckInterval"_s, int16_t(1)}, {u"Interval"_s, int16_t(0)},
                              {u"ReceiveOnly"_s, true}, {u"Hash"_s, int16_t(0)}});
    addNetwork(u"BETA001"_s, {{u"CheckInterval"_s, int16_t(1)}, {u"Interval"_s, int16_t(0)},
                              {u"SendOnly"_s, true}, {u"Hash"_s, int16_t(3)}});
    addNetwork(u"GAMMA01"_s, {{u"CheckInterval"_s, int16_t(1)}, {u"Interval"_s, int16_t(1)},
                              {u"SendReceive"_s, true}});
    frmExchange &w = open();
    int ticks = 0;
    std::vector<StartedRun> runs;
    auto yieldingRun = [&](const char *kind) {
        return [&, kind](const communications::NetworkPage &page) {
            auto &state = communications::CommunicationsState::instance();
            state.setBusy(true);
            // Asked by the running script, the hash is its own network's.
            runs.push_back({page.name, QString::fromLatin1(kind), ticks, w.GetHashType()});
            const int until = ticks + 3;
            const bool ticked = waitFor([&] { return ticks >= until; }, 10000);
            EXPECT_TRUE(ticked) << "no tick came within 10 s while a run yielded";
            state.setBusy(false);
            return true;
        };
    };
    w.runSend = yieldingRun("send");
    w.runReceive = yieldingRun("receive");
    QObject::connect(w.tmrScheduler, &QTimer::timeout, &w, [&] { ++ticks; });
    w.tmrScheduler->setInterval(5);
    w.tmrScheduler->start();
    const bool done = waitFor([&] { return ticks >= 40; }, 30000);
    w.tmrScheduler->stop();
    ASSERT_TRUE(done) << "40 ticks did not come within 30 s; " << ticks << " came";

    ASSERT_GE(runs.size(), 2u);
    // Decided at tick 15, started once the slot had returned, in list order.
    EXPECT_EQ(runs[0].network, u"ALPHA01"_s);
    EXPECT_EQ(runs[0].kind, u"receive"_s);
    EXPECT_EQ(runs[0].tick, 15);
    EXPECT_EQ(runs[0].hashType, 32769);
    EXPECT_EQ(runs[1].network, u"BETA001"_s) << "a network never shown runs on its saved schedule";
    EXPECT_EQ(runs[1].kind, u"send"_s);
    EXPECT_GE(runs[1].tick, 18) << "the ticks went on while the first run yielded";
    EXPECT_EQ(runs[1].hashType, 32772);
    // The counters advanced at every tick, busy or not.
    EXPECT_EQ(scheduler.counters().value(0), ticks % 15);
    const QStringList history = column(u"SELECT Description FROM History ORDER BY [Index]"_s, u"Description"_s);
    ASSERT_GE(history.size(), 2);
    EXPECT_EQ(history[0], u"Exchange Scheduled 15 Minute Task Started: ALPHA01"_s);
    EXPECT_EQ(history[1], u"Exchange Scheduled 15 Minute Task Started: BETA001"_s);
    EXPECT_EQ(w.GetHashType(), 32769) << "with nothing running, the selected network's hash";
}

} // namespace
