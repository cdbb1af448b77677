// Loop turns per second of typical script work: arithmetic, text building,
// a function call and a host property read and write per turn; and the cost
// of AddCode for short texts run again and again, as map snippets are.

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

// The map-script object as snippets see it: the element's text and the
// record's fields.
class MapObject : public com::HostClass<MapObject> {
public:
    static com::DispatchTable<MapObject> describe()
    {
        com::DispatchTable<MapObject> t("MapObject");
        t.property("Element", [](MapObject &m) { return vb::Variant(m.element); },
                   [](MapObject &m, const vb::Variant &v) { m.element = v.toString(); });
        t.indexedProperty("Record", 1, 1, [](MapObject &m, com::Args &a) { return m.fields.value(a.string(0)); },
                          [](MapObject &m, com::Args &a, const vb::Variant &v) { m.fields.insert(a.string(0), v); });
        return t;
    }
    QString element = QStringLiteral("  ACME-4711 widget ");
    QHash<QString, vb::Variant> fields;
};

// A typical element snippet: a few text functions and a record field.
const char *kMapSnippet =
    "s = Trim(objScript.Element)\n"
    "If InStr(s, \"-\") > 0 Then s = Mid(s, InStr(s, \"-\") + 1)\n"
    "objScript.Record(\"11FST04\") = UCase(Left(s, 10))";

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
// Comparisons as map scripts make them: numbers, text, and text against a number literal.
void Comparisons(benchmark::State &state)
{
    runLoop(state, "  If i > 5 Then t = i\n  s = \"7\"\n  If s = \"x\" Then t = 0\n  If s > 0 Then t = t + 1");
}
void TypicalTurn(benchmark::State &state)
{
    runLoop(state, "  x = x + i * 2 - 1\n  s = s & \"x\"\n  t = Add(x, i)\n  objScript.Value = objScript.Value + 1");
}

// The same two-line snippet added again and again.
void RepeatedSnippet(benchmark::State &state)
{
    vbs::ScriptControl sc;
    sc.AddObject("objScript", std::make_shared<Holder>());
    const QString snippet = QStringLiteral("x = objScript.Value + 1\nobjScript.Value = x");
    for (auto _ : state)
        sc.AddCode(snippet);
    state.counters["AddCode/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}

// The map snippet run by one AddCode per element, as translation runs it.
void MapSnippetPerElement(benchmark::State &state)
{
    vbs::ScriptControl sc;
    sc.AddObject("objScript", std::make_shared<MapObject>());
    const QString snippet = QString::fromUtf8(kMapSnippet);
    const int n = int(state.range(0));
    for (auto _ : state)
        for (int i = 0; i < n; ++i)
            sc.AddCode(snippet);
    state.counters["ms/million elements"] =
        benchmark::Counter(double(n) * state.iterations() / 1e9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The same body inside one loop: what the script itself costs.
void MapSnippetInOneLoop(benchmark::State &state)
{
    vbs::ScriptControl sc;
    sc.AddObject("objScript", std::make_shared<MapObject>());
    QString body = QString::fromUtf8(kMapSnippet);
    body.replace(QLatin1String("\n"), QLatin1String("\n  "));
    sc.AddCode(QStringLiteral("Sub Work(n)\n For i = 1 To n\n  %1\n Next\nEnd Sub").arg(body));
    const int n = int(state.range(0));
    for (auto _ : state)
        sc.AddCode(QStringLiteral("Work %1").arg(n));
    state.counters["ms/million elements"] =
        benchmark::Counter(double(n) * state.iterations() / 1e9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

} // namespace

BENCHMARK(RepeatedSnippet);
BENCHMARK(MapSnippetPerElement)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(MapSnippetInOneLoop)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(EmptyLoop)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(Arithmetic)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(Concatenation)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(FunctionCall)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(HostPropertyGetSet)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(Comparisons)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(TypicalTurn)->Arg(1000000)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
