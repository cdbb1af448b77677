// Loads one interchange file into a fresh copy of the built database and
// says how long it took and how large the write-ahead log grew, for files
// too large for the benchmark library's repetitions (a gigabyte). Run it
// under /usr/bin/time -v for the peak memory.
//   bench_loadfile generate SETS FILE   writes the generated interchange
//   bench_loadfile load FILE FOLDER     loads FILE into FOLDER/Corvantis.mdb
#include "BenchSupport.h"

#include "core/loader/InterchangeLoader.h"
#include "core/modGlobal.h"

#include "vb/Settings.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <sys/resource.h>
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

namespace {

qint64 fileSize(const QByteArray &path)
{
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 ? qint64(info.st_size) : 0;
}

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int generate(qint64 sets, const QString &path)
{
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return 1;
    }
    writeGeneratedInterchange(out, sets, 10);
    std::printf("%lld sets, %lld bytes\n", static_cast<long long>(sets), static_cast<long long>(out.size()));
    return 0;
}

int load(const QString &file, const QString &folder)
{
    openFreshDatabase(folder);
    const QByteArray wal = QFile::encodeName(folder + QStringLiteral("/Corvantis.mdb-wal"));
    const QByteArray database = QFile::encodeName(folder + QStringLiteral("/Corvantis.mdb"));

    // The log's size, sampled while the load runs.
    std::atomic<bool> done{false};
    std::atomic<qint64> largestLog{0};
    std::thread sampler([&] {
        while (!done) {
            largestLog = qMax(largestLog.load(), fileSize(wal));
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });

    // The list is refilled right after the commit, before the log is folded in.
    QElapsedTimer clock;
    struct CommitNoting : YieldingProgress {
        QElapsedTimer *clock = nullptr;
        double committed = 0;
        void refreshList(const QString &) override { committed = double(clock->nsecsElapsed()) / 1e9; }
    } progress;
    progress.clock = &clock;
    core::InterchangeLoader loader(&progress);
    const double cpuBefore = cpuSeconds();
    clock.start();
    const QString result = loader.LoadBox(file, QStringLiteral("I"));
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    const double cpu = cpuSeconds() - cpuBefore;
    // The log is folded in after the load returns, on a thread of its own.
    const bool folded = modGlobal::cnDatabase->waitForLogFolded(600000);
    const double foldedAfter = double(clock.nsecsElapsed()) / 1e9;
    done = true;
    sampler.join();
    const qint64 logFolded = fileSize(wal);
    // The next write starts the folded log over and cuts it back.
    modGlobal::LogHistory(QStringLiteral("Info"), QStringLiteral("after the load"));

    const qint64 bytes = QFileInfo(file).size();
    std::printf("result: %s\n", result.isEmpty() ? "loaded" : qPrintable(result));
    std::printf("sets: %d\nbytes: %lld\nseconds: %.3f\ncpu seconds: %.3f\nMB/s: %.1f\n", loader.storedSets(),
                static_cast<long long>(bytes), seconds, cpu, double(bytes) / 1e6 / seconds);
    std::printf("committed after: %.3f s (%.1f MB/s)\n", progress.committed,
                progress.committed > 0 ? double(bytes) / 1e6 / progress.committed : 0.0);
    std::printf("log folded in after: %.3f s%s\n", foldedAfter, folded ? "" : " (not wholly: a reader kept part of it)");
    std::printf("log during load (largest seen): %lld\nlog when folded in: %lld\nlog after the next write: %lld\n"
                "database: %lld\n",
                static_cast<long long>(largestLog.load()), static_cast<long long>(logFolded),
                static_cast<long long>(fileSize(wal)),
                static_cast<long long>(fileSize(database)));
    closeDatabase();
    return result.isEmpty() ? 0 : 1;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    modGlobal::strCurrentUser = QStringLiteral("Bench");
    QTemporaryDir settings;
    vb::setSettingsRoot(settings.path());
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QStringLiteral("generate"))
        return generate(args[2].toLongLong(), args[3]);
    if (args.size() == 4 && args[1] == QStringLiteral("load"))
        return load(args[2], args[3]);
    std::fprintf(stderr, "usage: bench_loadfile generate SETS FILE | load FILE FOLDER\n");
    return 2;
}
