// Rows per second of the two heavy paths of the data layer: the loader adding
// mailbox rows inside one transaction, and the keyset walk of the mailbox
// commands that changes one field per row and lets the move store it.
#include "ado/Connection.h"
#include "ado/Recordset.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

struct Database {
    QTemporaryDir dir;
    ado::Connection cn;
    Database()
    {
        const QString target = QDir(dir.path()).filePath(QStringLiteral("Corvantis.mdb"));
        QFile::copy(QStringLiteral(CORVANTIS_DATABASE_FILE), target);
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        cn.Open(ado::applicationConnectionString(dir.path()));
    }
};

void fillRow(ado::Recordset &rs, int n)
{
    rs("Partner") = n % 2 ? "ACME01" : "BETA02";
    rs("Transaction") = "850";
    rs("Version") = "004010";
    rs("Date") = "12/10/2026";
    rs("Time") = "01:05 PM";
    rs("Used") = "P";
    rs("InterchangeControlNumber") = QStringLiteral("%1").arg(n, 9, 10, QLatin1Char('0'));
    rs("GroupControlNumber") = QString::number(n);
    rs("FunctionalGroup") = "PO";
    rs("SenderID") = "ACMEID         ";
    rs("SenderDivision") = "ACME";
    rs("ReceiverID") = "OURID          ";
    rs("ReceiverDivision") = "OURS";
    rs("Direction") = "I";
    rs("Acknowledged") = "No";
    rs("Status") = "Closed";
    rs("TSet") = QStringLiteral("ST*850*0001~BEG*00*SA*PO%1**20261210~PO1*1*10*EA*9.99**BP*WIDGET~CTT*1~SE*5*0001~").arg(n);
}

void addRows(ado::Connection &cn, int rows)
{
    cn.BeginTrans();
    ado::Recordset rs;
    rs.Open(QStringLiteral("Inbox"), cn, ado::adOpenKeyset, ado::adLockPessimistic);
    for (int n = 0; n < rows; ++n) {
        rs.AddNew();
        fillRow(rs, n);
        rs.Update();
    }
    rs.Close();
    cn.CommitTrans();
}

void AddMailboxRowsInOneTransaction(benchmark::State &state)
{
    const int rows = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto db = std::make_unique<Database>();
        state.ResumeTiming();
        addRows(db->cn, rows);
        state.PauseTiming();
        db.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["rows/s"] = benchmark::Counter(static_cast<double>(state.iterations() * rows), benchmark::Counter::kIsRate);
}
BENCHMARK(AddMailboxRowsInOneTransaction)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

void KeysetWalkChangingOneFieldPerRow(benchmark::State &state)
{
    const int rows = static_cast<int>(state.range(0));
    Database db;
    addRows(db.cn, rows);
    bool flip = false;
    for (auto _ : state) {
        flip = !flip;
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM Inbox ORDER BY Partner ASC"), db.cn, ado::adOpenKeyset, ado::adLockOptimistic);
        while (!rs.Eof()) {
            rs("Status") = flip ? "Validated" : "Closed";
            rs.MoveNext();
        }
        rs.Close();
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["rows/s"] = benchmark::Counter(static_cast<double>(state.iterations() * rows), benchmark::Counter::kIsRate);
}
BENCHMARK(KeysetWalkChangingOneFieldPerRow)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The list fill's share of the data layer: a read-only set over the mailbox
// rows, reading the fields a list row shows, inside one read transaction.
// Arg 1 only opens the set (the keys), arg 0 reads every row as well.
void ReadOnlySetReadingSevenFields(benchmark::State &state)
{
    static Database *db = [] {
        auto *created = new Database;
        addRows(created->cn, 100000);
        return created;
    }();
    const bool openOnly = state.range(0) == 1;
    const QString fields[] = {QStringLiteral("Acknowledged"), QStringLiteral("Partner"), QStringLiteral("Transaction"),
                              QStringLiteral("Version"), QStringLiteral("Date"), QStringLiteral("Time"),
                              QStringLiteral("Status")};
    long rows = 0;
    for (auto _ : state) {
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT * FROM Inbox ORDER BY Partner ASC"), db->cn, ado::adOpenKeyset, ado::adLockReadOnly);
        if (openOnly) {
            rows += rs.RecordCount();
            continue;
        }
        db->cn.BeginTrans();
        while (!rs.Eof()) {
            for (const QString &f : fields)
                benchmark::DoNotOptimize(rs.Fields(f).Value());
            ++rows;
            rs.MoveNext();
        }
        db->cn.CommitTrans();
    }
    state.counters["rows/s"] = benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kIsRate);
}
BENCHMARK(ReadOnlySetReadingSevenFields)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
