// Filling the Inbox list from 100,000 mailbox rows, as RefreshBox does it
// (statement, row rule, images, rowids, selection restore).
#include "ado/Connection.h"
#include "controls/Forms.h"
#include "controls/ListView.h"
#include "core/modGlobal.h"
#include "mainwindow/frmMain.h"
#include "vb/Settings.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kRows = 100000;

struct Setup {
    QTemporaryDir dir;
    Setup()
    {
        vb::setSettingsRoot(dir.path() + QStringLiteral("/settings"));
        QFile::copy(QStringLiteral(CORVANTIS_DATABASE_FILE), dir.path() + QStringLiteral("/Corvantis.mdb"));
        vb::SaveSetting(QStringLiteral("Corvantis"), QStringLiteral("Folders"), QStringLiteral("Database"), dir.path());
        ado::Connection c;
        c.Open(modGlobal::ConnectionString(dir.path()));
        c.BeginTrans();
        for (int i = 0; i < kRows; ++i) {
            c.Execute(QStringLiteral("INSERT INTO Inbox (Partner, [Transaction], Version, [Date], [Time], "
                                     "InterchangeControlNumber, Status, Acknowledged, TSet) VALUES "
                                     "('PARTNER%1', '830', '004010', '12/1/2026', '10:00:00 AM', '%2', '%3', '%4', "
                                     "'ST*830*0001~SE*2*0001~')")
                          .arg(i % 97)
                          .arg(i, 9, 10, QLatin1Char('0'))
                          .arg(i % 3 ? QStringLiteral("Closed") : QStringLiteral("Validated"))
                          .arg(i % 2 ? QStringLiteral("No") : QStringLiteral("Yes")));
        }
        c.CommitTrans();
    }
};

void BM_FillInboxFrom100kRows(benchmark::State &state)
{
    static Setup setup;
    auto &main = controls::form<mainwindow::frmMain>();
    static bool loaded = false;
    if (!loaded) {
        main.Form_Load();
        loaded = true;
    }
    for (auto _ : state) {
        main.RefreshBox(main.lvwInbox);
        benchmark::DoNotOptimize(main.lvwInbox->itemCount());
    }
    if (main.lvwInbox->itemCount() != kRows)
        state.SkipWithError("the list does not hold every row");
    state.counters["rows"] = main.lvwInbox->itemCount();
}
BENCHMARK(BM_FillInboxFrom100kRows)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    controls::unload<mainwindow::frmMain>();
    modGlobal::cnDatabase.reset();
    return 0;
}
