// The communications window: (a) loading it over 50 networks, every page
// filled from its row (schedules, scripts, a provider and a certificate
// store each); (b) one scheduler tick over 100 networks with nothing due.
#include "communications/frmExchange.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "controls/ListView.h"
#include "core/modGlobal.h"
#include "vb/DateTime.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"

namespace {

using namespace Qt::StringLiterals;

struct Workspace {
    QTemporaryDir dir;

    explicit Workspace(int networks)
    {
        bench::copyBuiltDatabase(dir.path());
        vb::setSettingsRoot(dir.path() + u"/settings"_s);
        modGlobal::cnDatabase = std::make_shared<ado::Connection>();
        modGlobal::cnDatabase->Open(ado::applicationConnectionString(dir.path()));
        ado::Connection &cn = *modGlobal::cnDatabase;
        cn.BeginTrans();
        ado::Recordset rs;
        rs.Open(u"Internet"_s, cn, ado::adOpenKeyset, ado::adLockOptimistic);
        QString script;
        for (int line = 0; line < 40; ++line)
            script += u"Inet.Execute Exchange.URL & \"/in%1\", \"GET\"\r\nWaitForResponse\r\n"_s.arg(line);
        for (int n = 0; n < networks; ++n) {
            rs.AddNew();
            rs(u"Network"_s) = u"NETWORK%1"_s.arg(n, 3, 10, QLatin1Char('0'));
            rs(u"URL"_s) = u"ftp://host%1.example.com"_s.arg(n);
            rs(u"protocol"_s) = vb::Variant(int16_t(2));
            rs(u"AccessType"_s) = vb::Variant(int16_t(0));
            rs(u"RemotePort"_s) = u"21"_s;
            rs(u"timeout"_s) = u"60"_s;
            rs(u"CheckTime"_s) = vb::Variant(int16_t(n % 2));
            rs(u"Time"_s) = vb::Variant::fromDate(vb::toOleDate(QDate(1899, 12, 30), QTime(3, 17)));
            rs(u"CheckInterval"_s) = vb::Variant(int16_t(1 - n % 2));
            rs(u"Interval"_s) = vb::Variant(int16_t(5));
            rs(u"SendReceive"_s) = vb::Variant(true);
            rs(u"SendScript"_s) = script;
            rs(u"ReceiveScript"_s) = script;
            rs(u"Provider"_s) = vb::Variant(int16_t(0));
            rs(u"Algorithm"_s) = vb::Variant(int16_t(3));
            rs(u"Hash"_s) = vb::Variant(int16_t(3));
            rs(u"StoreLocation"_s) = vb::Variant(int16_t(1));
            rs(u"StoreName"_s) = vb::Variant(int16_t(0));
            rs(u"Certificate"_s) = vb::Variant(int16_t(1));
            rs.Update();
        }
        rs.Close();
        cn.CommitTrans();
    }
    ~Workspace()
    {
        modGlobal::cnDatabase->Close();
        modGlobal::cnDatabase.reset();
    }
};

void LoadWindow50(benchmark::State &state)
{
    Workspace workspace(50);
    for (auto _ : state) {
        communications::frmExchange window;
        benchmark::DoNotOptimize(window.pages.size());
        if (window.pages.size() != 50)
            state.SkipWithError("the pages were not all built");
    }
}
BENCHMARK(LoadWindow50)->Unit(benchmark::kMillisecond)->Iterations(5);

void Tick100NothingDue(benchmark::State &state)
{
    Workspace workspace(100);
    communications::frmExchange window;
    communications::ExchangeScheduler scheduler;
    window.scheduler = &scheduler;
    window.tmrScheduler->stop();
    for (auto _ : state)
        window.tmrScheduler_Timer(); // 03:17 never comes, every 90 minutes not yet
}
BENCHMARK(Tick100NothingDue)->Unit(benchmark::kMicrosecond)->Iterations(80);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir data;
    qputenv("XDG_DATA_HOME", data.path().toLocal8Bit()); // an empty certificate store
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
