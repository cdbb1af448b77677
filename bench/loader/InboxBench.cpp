// Working on a day's received planning schedules: validating the 20,000
// generated sets against a map they pass, and answering all of them with
// one 997 (written, then loaded into the Outbox). Reports sets per second.
#include "BenchSupport.h"

#include "core/loader/AcknowledgementWriter.h"
#include "core/loader/InterchangeLoader.h"
#include "core/loader/TransactionValidator.h"
#include "core/modGlobal.h"

#include "ado/Recordset.h"
#include "vb/Settings.h"

#include <benchmark/benchmark.h>

namespace {

// The generated sets' map: the N1 and LIN loops nest their segments
// (Node 2), so every loop exercises the step back; FST repeats 20 times.
void addMap(const QString &partner)
{
    struct Row {
        const char *segment;
        int node, maxUsage;
    };
    const Row rows[] = {{"BFR", 1, 1}, {"N1", 1, 200}, {"N3", 2, 2},  {"N4", 2, 1},   {"LIN", 1, 10000},
                        {"UIT", 2, 1}, {"ATH", 2, 20}, {"FST", 2, 260}, {"SDP", 2, 260}, {"CTT", 1, 1}};
    ado::Connection &db = *modGlobal::cnDatabase;
    db.Execute(QStringLiteral("DELETE FROM Segment"));
    db.Execute(QStringLiteral("DELETE FROM Element"));
    db.BeginTrans();
    int index = 0;
    for (const Row &row : rows) {
        ++index;
        const QString key = QStringLiteral("'%1', '830', '004010', 'I', '%2', %3").arg(partner, QLatin1String(row.segment)).arg(index);
        db.Execute(QStringLiteral("INSERT INTO Segment (Partner, \"Transaction\", Version, Direction, Segment, SegmentIndex, Node, MaxUsageLoop) VALUES (%1, %2, %3)")
                       .arg(key).arg(row.node).arg(row.maxUsage));
        for (int element = 1; element <= 10; ++element)
            db.Execute(QStringLiteral("INSERT INTO Element (Partner, \"Transaction\", Version, Direction, Segment, SegmentIndex, ElementIndex, Minimum, Maximum) VALUES (%1, %2, 1, 80)")
                           .arg(key).arg(element));
    }
    db.CommitTrans();
}

struct Inbox {
    QTemporaryDir folder;
    QString partner;
    core::MailboxSelection selection;
    int sets = 0;

    explicit Inbox(int count)
        : sets(count)
    {
        const QString file = writeGeneratedFile(folder.path(), count);
        openFreshDatabase(folder.filePath(QStringLiteral("db")));
        core::InterchangeLoader loader;
        const QString result = loader.LoadBox(file, QStringLiteral("I"));
        if (!result.isEmpty())
            qFatal("load failed: %s", qPrintable(result));
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM Partner"), modGlobal::cnDatabase);
        partner = rs(QStringLiteral("Partner")).Value().toString();
        rs.Close();
        addMap(partner);
        selection.table = QStringLiteral("Inbox");
        selection.statement = QStringLiteral("SELECT * FROM Inbox");
        for (qint64 rowid = 1; rowid <= count; ++rowid)
            selection.rowids << rowid;
        const QString outbound = folder.filePath(QStringLiteral("Outbound"));
        QDir().mkpath(outbound);
        vb::SaveSetting(QStringLiteral("Corvantis"), QStringLiteral("Folders"), QStringLiteral("Outbound"), outbound);
    }
    ~Inbox() { closeDatabase(); }
    QString key() const { return partner + QStringLiteral(",830,004010,I"); }
};

void BM_ValidateBox(benchmark::State &state)
{
    Inbox inbox(int(state.range(0)));
    YieldingProgress progress;
    for (auto _ : state) {
        core::TransactionValidator validator(&progress);
        validator.ValidateBox(inbox.selection, [&] { return inbox.key(); });
    }
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT COUNT(*) AS n FROM Inbox WHERE Status = 'Validated'"), modGlobal::cnDatabase);
    const qint64 validated = rs(QStringLiteral("n")).Value().toLong();
    rs.Close();
    if (validated != inbox.sets)
        state.SkipWithError("not every set passed its map");
    state.SetItemsProcessed(state.iterations() * inbox.sets);
    state.counters["sets"] = inbox.sets;
}
BENCHMARK(BM_ValidateBox)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_GenerateAcknowledgement(benchmark::State &state)
{
    Inbox inbox(int(state.range(0)));
    YieldingProgress progress;
    for (auto _ : state) {
        core::AcknowledgementWriter writer(&progress);
        if (writer.GenerateAcknowledgement(inbox.selection, [&] { return inbox.key(); }).isEmpty())
            state.SkipWithError("no acknowledgement written");
    }
    state.SetItemsProcessed(state.iterations() * inbox.sets);
    state.counters["sets"] = inbox.sets;
}
BENCHMARK(BM_GenerateAcknowledgement)->Arg(20000)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

} // namespace
