// The validator fills one table per transaction set with keys made of a
// segment identifier and a map position, and asks Exists for each segment.
#include "core/clsHashTable.h"

#include <QStringList>
#include <benchmark/benchmark.h>

static QStringList segmentKeys(int n)
{
    static const char *ids[] = {"ST", "BEG", "N1", "N3", "N4", "PO1", "PID", "CTT", "SE", "REF"};
    QStringList keys;
    for (int i = 0; i < n; ++i)
        keys << QString::fromLatin1(ids[i % 10]) + QString::number(i);
    return keys;
}

static void AddThenExists(benchmark::State &state)
{
    const QStringList keys = segmentKeys(static_cast<int>(state.range(0)));
    clsHashTable table;
    for (auto _ : state) {
        table.RemoveAll();
        for (const QString &k : keys)
            table.Add(k, vb::Variant());
        for (const QString &k : keys)
            benchmark::DoNotOptimize(table.Exists(k));
    }
    state.SetItemsProcessed(state.iterations() * keys.size());
}
BENCHMARK(AddThenExists)->Arg(100)->Arg(2000)->Arg(20000);

static void RemoveAndReuse(benchmark::State &state)
{
    const QStringList keys = segmentKeys(2000);
    clsHashTable table;
    for (const QString &k : keys)
        table.Add(k, vb::Variant());
    for (auto _ : state) {
        for (const QString &k : keys)
            table.Remove(k);
        for (const QString &k : keys)
            table.Add(k, vb::Variant());
    }
    state.SetItemsProcessed(state.iterations() * keys.size());
}
BENCHMARK(RemoveAndReuse);
