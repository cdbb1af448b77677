// Operators and conversions of the runtime on the paths the script engine
// and the translation loop take millions of times.
#include "vb/Conversions.h"
#include "vb/Format.h"
#include "vb/Strings.h"
#include "vb/Variant.h"

#include <benchmark/benchmark.h>

using vb::Variant;

static void AddLongs(benchmark::State &state)
{
    Variant sum(int32_t(0));
    const Variant one(int32_t(1));
    for (auto _ : state) {
        sum = vb::opAdd(sum, one);
        if (sum.rawInt() > 1000000)
            sum = Variant(int32_t(0));
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(AddLongs);

static void AddIntegersMixed(benchmark::State &state)
{
    const Variant a(int16_t(12)), b(2.5);
    for (auto _ : state)
        benchmark::DoNotOptimize(vb::opAdd(a, b));
}
BENCHMARK(AddIntegersMixed);

static void MultiplyDoubles(benchmark::State &state)
{
    const Variant a(1.5), b(2.25);
    for (auto _ : state)
        benchmark::DoNotOptimize(vb::opMul(a, b));
}
BENCHMARK(MultiplyDoubles);

static void CompareLongs(benchmark::State &state)
{
    const Variant a(int32_t(5)), b(int32_t(7));
    for (auto _ : state)
        benchmark::DoNotOptimize(vb::isTrue(vb::opLt(a, b)));
}
BENCHMARK(CompareLongs);

static void CompareTextIgnoringCase(benchmark::State &state)
{
    const Variant a("PurchaseOrder"), b("purchaseorder");
    for (auto _ : state)
        benchmark::DoNotOptimize(vb::isTrue(vb::opEq(a, b, vb::CompareMode::Text)));
}
BENCHMARK(CompareTextIgnoringCase);

static void ConcatenateText(benchmark::State &state)
{
    const Variant a("ISA*00*"), b(int32_t(123456789));
    for (auto _ : state)
        benchmark::DoNotOptimize(vb::opConcat(a, b));
}
BENCHMARK(ConcatenateText);

static void NumericTextToLong(benchmark::State &state)
{
    const Variant a("  12345 ");
    for (auto _ : state)
        benchmark::DoNotOptimize(a.toLong());
}
BENCHMARK(NumericTextToLong);

static void DoubleToText(benchmark::State &state)
{
    const Variant a(1234.5678);
    for (auto _ : state)
        benchmark::DoNotOptimize(a.toString());
}
BENCHMARK(DoubleToText);

static void FormatControlNumber(benchmark::State &state)
{
    const Variant a(int32_t(123));
    const QString pattern = QStringLiteral("000000000");
    for (auto _ : state)
        benchmark::DoNotOptimize(vb::Format(a, pattern));
}
BENCHMARK(FormatControlNumber);

static void FormatDateStamp(benchmark::State &state)
{
    const Variant a = Variant::fromDate(46366.54524);
    const QString pattern = QStringLiteral("yymmdd");
    for (auto _ : state)
        benchmark::DoNotOptimize(vb::Format(a, pattern));
}
BENCHMARK(FormatDateStamp);

static void LikeSegmentPattern(benchmark::State &state)
{
    const QString s = QStringLiteral("GS*PO*SENDER*RECEIVER*20261210*1305*1*X*004010");
    const QString p = QStringLiteral("GS[*]??[*]*[*]######*");
    for (auto _ : state)
        benchmark::DoNotOptimize(vb::Like(s, p));
}
BENCHMARK(LikeSegmentPattern);
