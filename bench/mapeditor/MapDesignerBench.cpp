// The map designer on a 99-segment, 2,000-element map among 200 other maps:
// selecting the map (tree built, first segment shown) and one editing
// command with its commit and reload (a segment moved down and back up).
#include "mapeditor/frmMap.h"

#include "ado/Connection.h"
#include "controls/Forms.h"
#include "controls/ListView.h"
#include "controls/TreeView.h"
#include "core/modGlobal.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"

namespace {

using namespace Qt::StringLiterals;

struct Workspace {
    QTemporaryDir dir;

    Workspace()
    {
        bench::copyBuiltDatabase(dir.path());
        vb::setSettingsRoot(dir.path() + u"/settings"_s);
        for (const char *folder : {"ActiveX", "Import", "Reports"})
            vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, QString::fromLatin1(folder), dir.path());
        modGlobal::cnDatabase = std::make_shared<ado::Connection>();
        modGlobal::cnDatabase->Open(ado::applicationConnectionString(dir.path()));
        ado::Connection &cn = *modGlobal::cnDatabase;
        cn.BeginTrans();
        // 200 small maps, then the large one (last in partner order).
        for (int m = 0; m < 200; ++m)
            addMap(cn, u"P%1"_s.arg(m, 5, 10, QChar(u'0')), 10, 5);
        addMap(cn, u"ZLARGE"_s, 99, 2000);
        cn.CommitTrans();
    }
    ~Workspace()
    {
        controls::unload<mapeditor::frmMap>();
        modGlobal::cnDatabase->Close();
        modGlobal::cnDatabase.reset();
    }

    static void addMap(ado::Connection &cn, const QString &partner, int segments, int elements)
    {
        cn.Execute(u"INSERT INTO Transactions (Partner, [Transaction], Version, Direction, [Group]) "
                   "VALUES ('%1', '830', '004010', 'I', 'PS')"_s.arg(partner));
        int left = elements;
        for (int s = 1; s <= segments; ++s) {
            const int count = s == segments ? left : std::max(1, elements / segments);
            left -= count;
            cn.Execute(u"INSERT INTO Segment (Partner, [Transaction], Version, Direction, Segment, SegmentIndex, Node) "
                       "VALUES ('%1', '830', '004010', 'I', 'S%2', %2, %3)"_s.arg(partner).arg(s).arg(s % 3 == 0 ? 2 : 1));
            for (int e = 1; e <= count; ++e)
                cn.Execute(u"INSERT INTO Element (Partner, [Transaction], Version, Direction, Segment, SegmentIndex, "
                           "ElementIndex, ElementName, Maximum) VALUES ('%1', '830', '004010', 'I', 'S%2', %2, %3, "
                           "'Element %3', 10)"_s.arg(partner).arg(s).arg(e));
        }
    }
};

void SelectLargeMap(benchmark::State &state)
{
    Workspace ws;
    mapeditor::frmMap &w = controls::form<mapeditor::frmMap>();
    const int large = w.lvwTSets->itemCount();
    int nodes = 0;
    for (auto _ : state) {
        w.lvwTSets->setSelectedItem(large);
        emit w.lvwTSets->ItemClick(large);
        state.PauseTiming();
        nodes = w.tvwTSets->nodeCount();
        w.lvwTSets->setSelectedItem(1);
        emit w.lvwTSets->ItemClick(1);
        state.ResumeTiming();
    }
    state.counters["nodes"] = nodes; // the root, 99 segments, 2,000 elements
}
BENCHMARK(SelectLargeMap)->Unit(benchmark::kMillisecond)->UseRealTime();

void MoveSegmentDownAndUp(benchmark::State &state)
{
    Workspace ws;
    mapeditor::frmMap &w = controls::form<mapeditor::frmMap>();
    const int large = w.lvwTSets->itemCount();
    w.lvwTSets->setSelectedItem(large);
    emit w.lvwTSets->ItemClick(large);
    const int node = w.tvwTSets->nodeIndex(u"Segment0110"_s);
    w.tvwTSets->setSelectedNode(node);
    emit w.tvwTSets->NodeClick(node);
    for (auto _ : state) {
        w.cmdSegmentDown->click(); // one command: commit and reload
        w.cmdSegmentUp->click();
    }
    if (w.tvwTSets->nodeCount() != 2100)
        state.SkipWithError("the large map is not the one loaded");
    state.counters["commands"] = benchmark::Counter(2, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(MoveSegmentDownAndUp)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char **argv)
{
    return bench::runWindowBenchmarks(argc, argv, vb::vbYes);
}
