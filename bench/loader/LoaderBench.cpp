// Loading a generated 20,000-set planning-schedule interchange (about 20 MB)
// through LoadBox into a fresh database, with the yields the main window
// makes (DoEvents at most every 10 ms). Reports MB/s; the 2,000 and 200,000
// set files show whether the cost stays linear in the file's size.
#include "BenchSupport.h"

#include "core/loader/InterchangeLoader.h"
#include "core/modGlobal.h"

#include "vb/Settings.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

namespace {

void BM_LoadBox(benchmark::State &state)
{
    const int sets = int(state.range(0));
    QTemporaryDir folder;
    const QString file = writeGeneratedFile(folder.path(), sets);
    const qint64 bytes = QFileInfo(file).size();
    YieldingProgress progress;
    int run = 0;
    for (auto _ : state) {
        state.PauseTiming();
        openFreshDatabase(folder.filePath(QStringLiteral("db%1").arg(++run)));
        state.ResumeTiming();

        core::InterchangeLoader loader(&progress);
        const QString result = loader.LoadBox(file, QStringLiteral("I"));

        state.PauseTiming();
        if (!result.isEmpty())
            state.SkipWithError(result.toStdString().c_str());
        closeDatabase();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["MB"] = double(bytes) / 1e6;
    state.counters["sets"] = sets;
}
BENCHMARK(BM_LoadBox)->Arg(2000)->Arg(20000)->Arg(200000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    modGlobal::strCurrentUser = QStringLiteral("Bench");
    // The benchmarks' settings (the Outbound folder) stay out of the user's.
    QTemporaryDir settings;
    vb::setSettingsRoot(settings.path());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
