// The speed of the outbound run: (a) 10,000 import records of 20 fields in
// 1,000 groups, a snippet on every one of the 20 elements of each detail
// segment, end to end (read, mapped, enveloped, written and loaded into the
// Outbox); (b) the import reader alone, in bytes per second.
#include "translation/MapScriptHost.h"
#include "translation/OutboundTranslation.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "core/modGlobal.h"
#include "vb/Dialogs.h"
#include "vb/DoEvents.h"
#include "vb/Settings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"

namespace {

using namespace Qt::StringLiterals;

class WindowLikeProgress final : public core::WorkProgress {
public:
    void yield() override { vb::DoEventsIfDue(); }
};

const translation::MapKey kKey{u"BENCH01"_s, u"830"_s, u"004010"_s, u"O"_s};
constexpr int kFields = 20;

struct Workspace {
    QTemporaryDir dir;

    Workspace(int records, int groupSize)
    {
        bench::copyBuiltDatabase(dir.path());
        vb::setSettingsRoot(dir.path() + u"/settings"_s);
        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Import"_s, dir.path());
        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Outbound"_s, dir.path());
        modGlobal::cnDatabase = std::make_shared<ado::Connection>();
        modGlobal::cnDatabase->Open(ado::applicationConnectionString(dir.path()));
        ado::Connection &cn = *modGlobal::cnDatabase;
        cn.BeginTrans();
        cn.Execute(u"INSERT INTO Partner (Partner, Segment, element, sub, ISAVersion, ISA01, ISA02, ISA03, ISA04, "
                   "ISA05, ISA06, ISA07, ISA08, ISA11, ISA12, ISA13, ISA14, ISA15, GS02, GS03, GS06, GS07) VALUES "
                   "('BENCH01', 126, 42, 62, '004010', '00', '          ', '00', '          ', 'ZZ', "
                   "'OURID          ', '01', 'THEIRID        ', 'U', '00401', 1, '0', 'T', 'OURAPP', 'THEIRAPP', 1, 'X')"_s);
        cn.Execute(u"INSERT INTO Transactions (Partner, [Transaction], Version, Direction, [Group], Versionoverride) "
                   "VALUES ('BENCH01', '830', '004010', 'O', 'SS', '004010')"_s);
        auto segment = [&](int index, const QString &id, const QString &level) {
            cn.Execute(u"INSERT INTO Segment (Partner, [Transaction], Version, Direction, Segment, SegmentIndex, "
                       "Level) VALUES ('BENCH01', '830', '004010', 'O', '%1', %2, '%3')"_s.arg(id).arg(index).arg(level));
        };
        auto element = [&](int segmentIndex, const QString &id, int index, const QString &script) {
            cn.Execute(u"INSERT INTO Element (Partner, [Transaction], Version, Direction, Segment, SegmentIndex, "
                       "ElementIndex, Type, Maximum, ElementScript) VALUES ('BENCH01', '830', '004010', 'O', '%1', "
                       "%2, %3, 'AN', 30, '%4')"_s.arg(id).arg(segmentIndex).arg(index).arg(script));
        };
        segment(1, u"BSN"_s, u"H"_s);
        element(1, u"BSN"_s, 1, u"objScript.CurrentElement = Record(\"F1\")"_s);
        segment(2, u"LIN"_s, u"D"_s);
        for (int e = 1; e <= kFields; ++e)
            element(2, u"LIN"_s, e, u"objScript.CurrentElement = Trim(Record(\"F%1\"))"_s.arg(e));
        segment(3, u"CTT"_s, u"S"_s);
        element(3, u"CTT"_s, 1, u"objScript.CurrentElement = \"1\""_s);
        cn.CommitTrans();

        QFile definition(translation::OutboundTranslation::ImportDefinitionPath(kKey));
        definition.open(QIODevice::WriteOnly);
        for (int f = 1; f <= kFields; ++f)
            definition.write(QStringLiteral("F%1\t200\t30\n").arg(f).toLatin1());
        QFile data(translation::OutboundTranslation::ImportDataPath(kKey));
        data.open(QIODevice::WriteOnly);
        for (int r = 0; r < records; ++r) {
            QByteArray line = "G" + QByteArray::number(r / groupSize);
            for (int f = 2; f <= kFields; ++f)
                line += "\tV" + QByteArray::number(r) + "-" + QByteArray::number(f);
            data.write(line + "\r\n");
        }
    }
    ~Workspace()
    {
        modGlobal::cnDatabase->Close();
        modGlobal::cnDatabase.reset();
    }
};

void OutboundRunEndToEnd(benchmark::State &state)
{
    Workspace ws(10000, 10);
    translation::HiddenMapHost host;
    WindowLikeProgress progress;
    for (auto _ : state) {
        translation::OutboundTranslation run(host, &progress);
        const QString file = run.ProcessOutbound(translation::OutboundSet::forKey(kKey), true);
        if (file.isEmpty()) {
            state.SkipWithError("the run wrote nothing");
            break;
        }
    }
    state.counters["records/s"] = benchmark::Counter(double(state.iterations()) * 10000, benchmark::Counter::kIsRate);
}
BENCHMARK(OutboundRunEndToEnd)->Unit(benchmark::kMillisecond)->Iterations(3);

void ImportReader(benchmark::State &state)
{
    Workspace ws(100000, 10);
    const QString data = translation::OutboundTranslation::ImportDataPath(kKey);
    const double bytes = double(QFileInfo(data).size());
    for (auto _ : state) {
        const ado::RecordsetPtr rs = translation::OutboundTranslation::ReadImportRecords(
            translation::OutboundTranslation::ImportDefinitionPath(kKey), data);
        benchmark::DoNotOptimize(rs->RecordCount());
    }
    state.counters["bytes/s"] = benchmark::Counter(double(state.iterations()) * bytes, benchmark::Counter::kIsRate);
}
BENCHMARK(ImportReader)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    return bench::runWindowBenchmarks(argc, argv);
}
