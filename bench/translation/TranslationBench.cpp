// The speed of inbound translation, on an 830-like planning schedule:
//  (a) AddCode of one repeated two-line snippet, per second;
//  (b) one set of 1,000 data segments of 6 elements, a snippet on every
//      element and segment snippets that write the lines and the records;
//  (c) 100 selected sets of (b) through TranslateAll, yields included.
#include "translation/InboundTranslation.h"
#include "translation/MapScriptHost.h"
#include "translation/RecordLayout.h"
#include "translation/clsScript.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "core/modGlobal.h"
#include "vb/Dialogs.h"
#include "vb/DoEvents.h"
#include "vb/Settings.h"
#include "vbscript/ScriptControl.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"

namespace {

using namespace Qt::StringLiterals;

// What the main window does at a yield: let messages run, at most every 10 ms.
class WindowLikeProgress final : public core::WorkProgress {
public:
    void yield() override { vb::DoEventsIfDue(); }
};

const translation::MapKey kKey{u"BENCH01"_s, u"830"_s, u"004010"_s, u"I"_s};
constexpr int kSegments = 1000;

QString planningSet(int number)
{
    QString set = u"ST*830*%1~"_s.arg(number, 4, 10, QLatin1Char('0'));
    for (int i = 0; i < kSegments - 1; ++i)
        set += u"LIN*%1*BP*PART%2*EA*%3*20261210~"_s.arg(i).arg(number).arg(i * 10);
    set += u"CTT*1~SE*%1*%2~"_s.arg(kSegments + 2).arg(number, 4, 10, QLatin1Char('0'));
    return set;
}

// A database copy with the planning schedule's map, the partner and `sets` Inbox rows.
struct Workspace {
    QTemporaryDir dir;
    core::MailboxSelection inbox; // every row selected

    explicit Workspace(int sets)
    {
        const QString target = QDir(dir.path()).filePath(u"Corvantis.mdb"_s);
        QFile::copy(QStringLiteral(CORVANTIS_DATABASE_FILE), target);
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        vb::setSettingsRoot(dir.path() + u"/settings"_s);
        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"ActiveX"_s, dir.path());
        modGlobal::cnDatabase = std::make_shared<ado::Connection>();
        modGlobal::cnDatabase->Open(ado::applicationConnectionString(dir.path()));
        ado::Connection &cn = *modGlobal::cnDatabase;
        cn.BeginTrans();
        add(u"Partner"_s, {{u"Partner"_s, kKey.partner}, {u"Segment"_s, int32_t('~')}, {u"element"_s, int32_t('*')},
                           {u"sub"_s, int32_t('>')}});
        // LIN writes the line of the previous LIN before starting its own;
        // CTT writes the last one and puts every line into the record set.
        add(u"Segment"_s, segment(1, u"LIN"_s,
                                  u"If objScript.Segment <> \"\" Then\n"
                                  "  objScript.SegmentToSegments\n"
                                  "  objScript.WriteToLines\n"
                                  "End If"_s));
        for (int e = 1; e <= 6; ++e)
            add(u"Element"_s, element(1, u"LIN"_s, e, u"objScript.ElementToSegment"_s));
        add(u"Segment"_s, segment(2, u"CTT"_s,
                                  u"objScript.SegmentToSegments\n"
                                  "objScript.WriteToLines\n"
                                  "objScript.LinesToRecord Record"_s));
        add(u"Element"_s, element(2, u"CTT"_s, 1, QString()));
        ado::Recordset rows;
        rows.Open(u"Inbox"_s, cn, ado::adOpenKeyset, ado::adLockOptimistic);
        for (int n = 1; n <= sets; ++n) {
            rows.AddNew();
            rows(u"Partner"_s) = kKey.partner;
            rows(u"Transaction"_s) = kKey.transaction;
            rows(u"Version"_s) = kKey.version;
            rows(u"Direction"_s) = kKey.direction;
            rows(u"Time"_s) = u"%1"_s.arg(n, 4, 10, QLatin1Char('0'));
            rows(u"TSet"_s) = planningSet(n);
            rows.Update();
        }
        rows.Close();
        cn.CommitTrans();
        translation::CreateRecordDefinition(kKey, false);

        inbox.table = u"Inbox"_s;
        inbox.statement = modGlobal::BuildSortedSelect(modGlobal::ListQuery{u"Inbox"_s, {u"Time"_s}, 0, 0});
        ado::Recordset rs;
        rs.Open(inbox.statement, cn, ado::adOpenKeyset, ado::adLockReadOnly);
        while (!rs.Eof()) {
            inbox.order << rs.rowid();
            rs.MoveNext();
        }
        rs.Close();
        inbox.rowids = inbox.order;
    }
    ~Workspace()
    {
        modGlobal::cnDatabase->Close();
        modGlobal::cnDatabase.reset();
    }

    using Values = std::vector<std::pair<QString, vb::Variant>>;
    static void add(const QString &table, const Values &values)
    {
        ado::Recordset rs;
        rs.Open(table, *modGlobal::cnDatabase, ado::adOpenKeyset, ado::adLockOptimistic);
        rs.AddNew();
        for (const auto &[name, value] : values)
            rs(name) = value;
        rs.Update();
        rs.Close();
    }
    static Values keyValues()
    {
        return {{u"Partner"_s, kKey.partner}, {u"Transaction"_s, kKey.transaction}, {u"Version"_s, kKey.version},
                {u"Direction"_s, kKey.direction}};
    }
    static Values segment(int index, const QString &id, const QString &script)
    {
        Values v = keyValues();
        v.insert(v.end(), {{u"Segment"_s, id}, {u"SegmentIndex"_s, int32_t(index)}, {u"SegmentScript"_s, script}});
        return v;
    }
    static Values element(int segmentIndex, const QString &id, int index, const QString &script)
    {
        Values v = keyValues();
        v.insert(v.end(), {{u"Segment"_s, id}, {u"SegmentIndex"_s, int32_t(segmentIndex)},
                           {u"ElementIndex"_s, int32_t(index)}, {u"Type"_s, u"AN"_s}, {u"Maximum"_s, int32_t(30)},
                           {u"ElementScript"_s, script}});
        return v;
    }
};

void RepeatedTwoLineSnippet(benchmark::State &state)
{
    vbs::ScriptControl sc;
    auto script = std::make_shared<clsScript>();
    sc.AddObject(u"objScript"_s, script);
    const QString snippet = u"objScript.CurrentElement = objScript.NextElement\nobjScript.ElementToSegment"_s;
    int64_t n = 0;
    for (auto _ : state) {
        sc.AddCode(snippet);
        if (++n % 4096 == 0)
            script->Segment.clear();
    }
    state.counters["AddCode/s"] = benchmark::Counter(double(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(RepeatedTwoLineSnippet);

void OnePlanningSet(benchmark::State &state)
{
    Workspace ws(1);
    translation::HiddenMapHost host;
    WindowLikeProgress progress;
    translation::InboundTranslation run(host, &progress);
    modGlobal::blnSilentMode = true;
    const QString set = planningSet(1);
    for (auto _ : state) {
        state.PauseTiming();
        ado::RecordsetPtr rs = modGlobal::OpenRecordsetDefinition(translation::RecordDefinitionPath(kKey));
        state.ResumeTiming();
        if (!run.TranslateTransaction(rs, kKey.partner, kKey.transaction, kKey.version, kKey.direction, set,
                                      u"~"_s, u"*"_s, u">"_s)
            || rs->RecordCount() != kSegments - 1)
        {
            ado::Recordset h;
            h.Open(u"SELECT * FROM History"_s, *modGlobal::cnDatabase, ado::adOpenForwardOnly, ado::adLockReadOnly);
            while (!h.Eof()) {
                qWarning("%s", qPrintable(h(u"Description"_s).Value().toString()));
                h.MoveNext();
            }
            state.SkipWithError("the set did not translate");
            break;
        }
    }
    state.counters["element snippets/s"] =
        benchmark::Counter(double(state.iterations()) * (kSegments - 1) * 6, benchmark::Counter::kIsRate);
}
BENCHMARK(OnePlanningSet)->Unit(benchmark::kMillisecond)->UseRealTime();

void HundredSetsThroughTranslateAll(benchmark::State &state)
{
    Workspace ws(100);
    translation::HiddenMapHost host;
    WindowLikeProgress progress;
    for (auto _ : state) {
        translation::InboundTranslation run(host, &progress);
        ado::RecordsetPtr rs = run.TranslateAll(ws.inbox, kKey.partner, kKey.transaction, kKey.version,
                                                kKey.direction, false, true);
        ado::Recordset opened;
        opened.Open(u"SELECT * FROM Inbox WHERE Status = 'Opened'"_s, *modGlobal::cnDatabase, ado::adOpenKeyset,
                    ado::adLockReadOnly);
        if (!rs || rs->RecordCount() != 100 * (kSegments - 1) || opened.RecordCount() != 100)
            state.SkipWithError("the run did not translate every set");
    }
}
BENCHMARK(HundredSetsThroughTranslateAll)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

} // namespace

int main(int argc, char **argv)
{
    return bench::runWindowBenchmarks(argc, argv, vb::vbOK);
}
