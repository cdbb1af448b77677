// Late-bound calls on a host object: the per-call cost a script pays for a
// property read and write (look-up by name, or by an id cached per class).
#include "com/HostObject.h"

#include <benchmark/benchmark.h>

namespace {

class Host : public com::HostClass<Host> {
public:
    static com::DispatchTable<Host> describe()
    {
        com::DispatchTable<Host> t("Host");
        // A realistic number of members, so look-ups are not trivially short.
        for (const char *name : {"ElementDelimiter", "SegmentTerminator", "SubElementSeparator", "CurrentSegment",
                                 "PreviousSegment", "NextSegment", "PreviousElement", "NextElement", "Segments",
                                 "Head", "Detail", "Tail", "FileName"})
            t.property(name, [](Host &h) { return vb::Variant(h.text); },
                       [](Host &h, const vb::Variant &v) { h.text = v.toString(); });
        t.property("Segment", [](Host &h) { return vb::Variant(h.text); },
                   [](Host &h, const vb::Variant &v) { h.text = v.toString(); });
        t.property("CurrentElement", [](Host &h) { return vb::Variant(h.counter); },
                   [](Host &h, const vb::Variant &v) { h.counter = v.toLong(); });
        return t;
    }
    QString text;
    int32_t counter = 0;
};

void BM_MemberIdLookup(benchmark::State &state)
{
    Host h;
    const QString name = QStringLiteral("currentelement");
    for (auto _ : state)
        benchmark::DoNotOptimize(h.memberId(name));
}
BENCHMARK(BM_MemberIdLookup);

// What a script loop does per iteration with ids cached: x = obj.P; obj.P = x + 1.
void BM_GetAndLetById(benchmark::State &state)
{
    Host h;
    const int id = h.memberId(QStringLiteral("CurrentElement"));
    std::vector<vb::Variant> none;
    std::vector<vb::Variant> value(1);
    for (auto _ : state) {
        const vb::Variant v = h.invoke(id, com::Method | com::Get, none);
        value[0] = vb::Variant(int32_t(v.rawInt() + 1));
        h.invoke(id, com::Let, value);
    }
    benchmark::DoNotOptimize(h.counter);
}
BENCHMARK(BM_GetAndLetById);

// The same by name each time (no id cache).
void BM_GetAndLetByName(benchmark::State &state)
{
    Host h;
    const QString name = QStringLiteral("CurrentElement");
    std::vector<vb::Variant> none;
    std::vector<vb::Variant> value(1);
    for (auto _ : state) {
        const vb::Variant v = h.invoke(name, com::Method | com::Get, none);
        value[0] = vb::Variant(int32_t(v.rawInt() + 1));
        h.invoke(name, com::Let, value);
    }
    benchmark::DoNotOptimize(h.counter);
}
BENCHMARK(BM_GetAndLetByName);

} // namespace
