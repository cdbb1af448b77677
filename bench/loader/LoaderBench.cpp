// Loading a generated 20,000-set planning-schedule interchange (about 20 MB)
// through LoadBox into a fresh database, with the yields the main window
// makes (DoEvents at most every 10 ms). Reports MB/s.
#include "GeneratedInterchange.h"

#include "core/loader/InterchangeLoader.h"
#include "core/modGlobal.h"

#include "ado/Connection.h"
#include "vb/DoEvents.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

struct YieldingProgress : core::WorkProgress {
    void yield() override { vb::DoEventsIfDue(10); }
};

void BM_LoadBox(benchmark::State &state)
{
    const int sets = int(state.range(0));
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("generated.IC"));
    {
        QFile out(file);
        out.open(QIODevice::WriteOnly);
        out.write(generatedInterchange(sets, 10).toLatin1());
    }
    const qint64 bytes = QFileInfo(file).size();
    YieldingProgress progress;
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QString dbFolder = folder.filePath(QStringLiteral("db%1").arg(++run));
        QDir().mkpath(dbFolder);
        QFile::copy(QStringLiteral(CORVANTIS_DATABASE_FILE), dbFolder + QStringLiteral("/Corvantis.mdb"));
        QFile::setPermissions(dbFolder + QStringLiteral("/Corvantis.mdb"), QFile::ReadOwner | QFile::WriteOwner);
        modGlobal::cnDatabase = std::make_shared<ado::Connection>();
        modGlobal::cnDatabase->Open(modGlobal::ConnectionString(dbFolder));
        state.ResumeTiming();

        core::InterchangeLoader loader(&progress);
        const QString result = loader.LoadBox(file, QStringLiteral("I"));

        state.PauseTiming();
        if (!result.isEmpty())
            state.SkipWithError(result.toStdString().c_str());
        modGlobal::cnDatabase->Close();
        modGlobal::cnDatabase.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["MB"] = double(bytes) / 1e6;
    state.counters["sets"] = sets;
}
BENCHMARK(BM_LoadBox)->Arg(20000)->Arg(2000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    modGlobal::strCurrentUser = QStringLiteral("Bench");
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
