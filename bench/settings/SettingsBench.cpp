// Clearing a large History log, and reading the properties sheet's values of
// one row of a large Inbox (found by its rowid, so the list's length should
// not matter).
#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "core/modGlobal.h"
#include "settings/LogClearing.h"
#include "settings/PropertiesSheet.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

struct Database {
    QTemporaryDir dir;
    std::shared_ptr<ado::Connection> cn = std::make_shared<ado::Connection>();
    Database()
    {
        const QString target = QDir(dir.path()).filePath(QStringLiteral("Corvantis.mdb"));
        QFile::copy(QStringLiteral(CORVANTIS_DATABASE_FILE), target);
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        cn->Open(ado::applicationConnectionString(dir.path()));
        modGlobal::cnDatabase = cn;
    }
    ~Database() { modGlobal::cnDatabase.reset(); }
    void addRows(const QString &table, int rows, const std::function<void(ado::Recordset &, int)> &fill)
    {
        cn->BeginTrans();
        ado::Recordset rs;
        rs.Open(table, *cn, ado::adOpenKeyset, ado::adLockOptimistic);
        for (int i = 0; i < rows; ++i) {
            rs.AddNew();
            fill(rs, i);
            rs.Update();
        }
        rs.Close();
        cn->CommitTrans();
    }
};

void ClearHistory(benchmark::State &state)
{
    const int rows = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        Database db;
        db.addRows(QStringLiteral("History"), rows, [](ado::Recordset &rs, int i) {
            rs("Type") = "Info";
            rs("Description") = QStringLiteral("Selected [File] - [Open] %1").arg(i);
        });
        state.ResumeTiming();
        benchmark::DoNotOptimize(settings::ClearLog(*db.cn, QStringLiteral("History")));
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(ClearHistory)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(1);

void PropertiesOfOneRow(benchmark::State &state)
{
    const int rows = static_cast<int>(state.range(0));
    Database db;
    db.addRows(QStringLiteral("Partner"), 1, [](ado::Recordset &rs, int) {
        rs("Partner") = "ACME01";
        rs("Segment") = 126;
        rs("element") = 42;
        rs("sub") = 62;
    });
    db.addRows(QStringLiteral("ISA"), 1, [](ado::Recordset &rs, int) {
        rs("Partner") = "ACME01";
        rs("ISA13") = "000000001";
    });
    db.addRows(QStringLiteral("GS"), 1, [](ado::Recordset &rs, int) {
        rs("Partner") = "ACME01";
        rs("GS06") = "1";
    });
    db.addRows(QStringLiteral("Inbox"), rows, [](ado::Recordset &rs, int) {
        rs("Partner") = "ACME01";
        rs("Direction") = "I";
        rs("Status") = "Closed";
        rs("Acknowledged") = "No";
        rs("InterchangeControlNumber") = "000000001";
        rs("GroupControlNumber") = "1";
        rs("TSet") = "ST*850*0001~BEG*00*SA*1~SE*3*0001~";
    });
    for (auto _ : state) {
        settings::PropertiesData data;
        settings::readProperties(*db.cn, QStringLiteral("Inbox"), rows / 2, data);
        benchmark::DoNotOptimize(data.size);
    }
}
BENCHMARK(PropertiesOfOneRow)->Arg(100000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
