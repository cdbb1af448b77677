// Loop turns per second of typical script work: arithmetic, text building,
// a function call and a host property read and write per turn.

#include "com/HostObject.h"
#include "vbscript/ScriptControl.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

namespace {

class Holder : public com::HostClass<Holder> {
public:
    static com::DispatchTable<Holder> describe()
    {
        com::DispatchTable<Holder> t("Holder");
        t.property("Value", [](Holder &h) { return vb::Variant(h.value); },
                   [](Holder &h, const vb::Variant &v) { h.value = v.toLong(); });
        return t;
    }
    int32_t value = 0;
};

void runLoop(benchmark::State &state, const char *body)
{
    vbs::ScriptControl sc; // default time-out on, as hosts run scripts
    sc.AddObject("objScript", std::make_shared<Holder>());
    sc.AddCode(QStringLiteral("Function Add(a, b)\n Add = a + b\nEnd Function\n"
                              "Sub Work(n)\n Dim i, x, s, t\n For i = 1 To n\n%1\n Next\nEnd Sub\n")
                   .arg(QString::fromUtf8(body)));
    const int n = int(state.range(0));
    for (auto _ : state)
        sc.AddCode(QStringLiteral("Work %1").arg(n));
    state.counters["turns/s"] = benchmark::Counter(double(n) * state.iterations(), benchmark::Counter::kIsRate);
}

void EmptyLoop(benchmark::State &state) { runLoop(state, ""); }
void Arithmetic(benchmark::State &state) { runLoop(state, "  x = x + i * 2 - 1"); }
void Concatenation(benchmark::State &state) { runLoop(state, "  s = s & \"x\""); }
void FunctionCall(benchmark::State &state) { runLoop(state, "  t = Add(i, 1)"); }
void HostPropertyGetSet(benchmark::State &state) { runLoop(state, "  objScript.Value = objScript.Value + 1"); }
void TypicalTurn(benchmark::State &state)
{
    runLoop(state, "  x = x + i * 2 - 1\n  s = s & \"x\"\n  t = Add(x, i)\n  objScript.Value = objScript.Value + 1");
}

} // namespace

BENCHMARK(EmptyLoop)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(Arithmetic)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(Concatenation)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(FunctionCall)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(HostPropertyGetSet)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(TypicalTurn)->Arg(1000000)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
