// Unpacking a 50 MB archive (data that does not compress, so the archive
// itself is 50 MB) and packing one file, as UnZip and Zip do for a script.
#include "zip/Archive.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr qint64 kSize = 50LL * 1000 * 1000;

struct Fixture {
    QTemporaryDir dir;
    QString file;
    QString archive;
    Fixture()
    {
        file = dir.path() + "/payload.bin";
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        std::mt19937_64 rng(42);
        QByteArray block(1 << 20, Qt::Uninitialized);
        for (qint64 written = 0; written < kSize; written += block.size()) {
            auto *p = reinterpret_cast<uint64_t *>(block.data());
            for (qsizetype i = 0; i < block.size() / 8; ++i)
                p[i] = rng();
            f.write(block.constData(), std::min<qint64>(block.size(), kSize - written));
        }
        f.close();
        zipfile::Zipper z;
        if (z.zipFile(file) != 0)
            qFatal("zip failed: %s", qPrintable(z.lastMessage()));
        archive = z.archivePath();
        QDir().mkpath(dir.path() + "/out");
    }
};

Fixture &fixture()
{
    static Fixture f;
    return f;
}

void Unzip50MB(benchmark::State &state)
{
    Fixture &f = fixture();
    for (auto _ : state) {
        zipfile::Unzipper u;
        u.archive = f.archive;
        u.destination = f.dir.path() + "/out";
        if (u.run() != zipfile::UnzipOk)
            state.SkipWithError(u.lastMessage().toStdString().c_str());
    }
    state.SetBytesProcessed(state.iterations() * kSize);
    state.counters["archive_MB"] = double(QFileInfo(f.archive).size()) / 1e6;
}

void Zip50MB(benchmark::State &state)
{
    Fixture &f = fixture();
    for (auto _ : state) {
        zipfile::Zipper z;
        if (z.zipFile(f.file) != 0)
            state.SkipWithError(z.lastMessage().toStdString().c_str());
    }
    state.SetBytesProcessed(state.iterations() * kSize);
}

} // namespace

BENCHMARK(Unzip50MB)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(Zip50MB)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();
