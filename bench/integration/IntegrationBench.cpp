// The integration jobs' heavy paths: a query of 100,000 rows x 10 columns
// through the SQLite ODBC driver into both import files with the results
// grid filled; 5,000 Inbox rows moved to Recycled in one transaction; and a
// scheduler tick over 1,000 jobs of which none is due.
#include "integration/JobQuery.h"
#include "integration/JobRunner.h"
#include "integration/JobScheduler.h"
#include "integration/JobStore.h"
#include "integration/ResultsModel.h"
#include "integration/window/ResultsGrid.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "core/modGlobal.h"
#include "odbc/Odbc.h"
#include "vb/Settings.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"

using namespace Qt::StringLiterals;

namespace {

QString sqliteDriverLibrary()
{
    QSettings system(u"/etc/odbcinst.ini"_s, QSettings::IniFormat);
    const QString driver = system.value(u"SQLite3/Driver"_s).toString();
    return driver.isEmpty() ? u"libsqlite3odbc.so"_s : driver;
}

// A copy of the application database as cnDatabase, settings in the same folder.
struct Workspace {
    QTemporaryDir dir;
    Workspace()
    {
        vb::setSettingsRoot(dir.path() + u"/settings"_s);
        bench::copyBuiltDatabase(dir.path());
        modGlobal::cnDatabase = std::make_shared<ado::Connection>();
        modGlobal::cnDatabase->Open(ado::applicationConnectionString(dir.path()));
        QDir().mkpath(dir.path() + u"/import"_s);
        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Import"_s, dir.path() + u"/import"_s);
    }
    ~Workspace()
    {
        modGlobal::cnDatabase->Close();
        modGlobal::cnDatabase.reset();
        vb::setSettingsRoot({});
    }
};

void QueryToImportFilesWithGrid(benchmark::State &state)
{
    const int rows = static_cast<int>(state.range(0));
    Workspace ws;
    const QString source = ws.dir.path() + u"/source.db"_s;
    {
        odbc::Connection cn;
        cn.open(u"DRIVER="_s + sqliteDriverLibrary() + u";Database="_s + source + u';');
        cn.execute(u"CREATE TABLE orders (po VARCHAR(12), line INTEGER, item VARCHAR(20), qty INTEGER, "
                   "price NUMERIC(10,2), due VARCHAR(10), uom VARCHAR(2), note VARCHAR(30), plant VARCHAR(4), "
                   "status VARCHAR(2))"_s);
        cn.execute(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < "_s
                   + QString::number(rows)
                   + u") INSERT INTO orders SELECT 'PO-' || i, i % 50, 'ITEM-' || (i * 7 % 1000), i % 500, "
                     "(i % 1000) / 4.0, '12/' || (i % 28 + 1) || '/2026', 'EA', CASE WHEN i % 10 = 0 THEN NULL "
                     "ELSE 'note ' || i END, 'P' || (i % 9), 'IA' FROM n"_s);
        cn.close();
    }
    integration::JobRow job;
    job.partner = u"ACME"_s;
    job.transaction = u"850"_s;
    job.version = u"004010"_s;
    job.direction = u"O"_s;
    job.driver = sqliteDriverLibrary();
    job.database = source;
    job.sql = u"SELECT * FROM orders"_s;
    integration::ResultsModel model;
    integration::ResultsGrid grid;
    grid.setResultsModel(&model);
    for (auto _ : state) {
        integration::DataSourceSession session;
        session.connect(job, false);
        integration::QueryResult result = session.execute(job, {});
        model.setResult(std::move(result), job.key(), u"stem"_s);
        grid.fitColumns();
        session.disconnect();
    }
    state.SetItemsProcessed(state.iterations() * rows);
    state.counters["rows"] = rows;
}
BENCHMARK(QueryToImportFilesWithGrid)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void MoveInboxRowsToRecycled(benchmark::State &state)
{
    const int rows = static_cast<int>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto ws = std::make_unique<Workspace>();
        ado::Connection &cn = *modGlobal::cnDatabase;
        cn.BeginTrans();
        ado::Recordset rs;
        rs.Open(u"Inbox"_s, cn, ado::adOpenKeyset, ado::adLockOptimistic);
        std::vector<qint64> rowids;
        for (int n = 0; n < rows; ++n) {
            rs.AddNew();
            rs(u"Partner"_s) = vb::Variant(u"ACME"_s);
            rs(u"Transaction"_s) = vb::Variant(u"830"_s);
            rs(u"Version"_s) = vb::Variant(u"004010"_s);
            rs(u"Direction"_s) = vb::Variant(u"I"_s);
            rs(u"InterchangeControlNumber"_s) = vb::Variant(QString::number(n));
            rs(u"TSet"_s) = vb::Variant(u"ST*830*%1~BFR*00*%1~LIN*1~SE*4*%1~"_s.arg(n));
            rs.Update();
            rowids.push_back(rs.rowid());
        }
        rs.Close();
        cn.CommitTrans();
        state.ResumeTiming();
        const int moved = integration::JobRunner::MoveRowsToRecycled(rowids);
        state.PauseTiming();
        if (moved != rows)
            state.SkipWithError("not every row moved");
        ws.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * rows);
}
BENCHMARK(MoveInboxRowsToRecycled)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime();

void TickWithNoJobDue(benchmark::State &state)
{
    const int jobs = static_cast<int>(state.range(0));
    std::vector<integration::JobRow> rows(static_cast<std::size_t>(jobs));
    for (int i = 0; i < jobs; ++i) {
        integration::JobRow &job = rows[std::size_t(i)];
        job.partner = u"P"_s + QString::number(i);
        job.transaction = u"850"_s;
        job.version = u"004010"_s;
        job.direction = u"O"_s;
        if (i % 2 == 0) {
            job.checkTime = true;
            job.time = QDateTime(QDate(1899, 12, 30), QTime(3, i % 60));
            job.days = {true, true, true, true, true, true, true};
        } else {
            job.checkInterval = true;
            job.interval = 5;
        }
    }
    const QDateTime now(QDate(2026, 12, 10), QTime(13, 5, 9));
    auto scheduler = std::make_unique<integration::JobScheduler>();
    int ticks = 0;
    for (auto _ : state) {
        // The 90-minute counter must not come due: a fresh scheduler before it would.
        if (++ticks % 80 == 0)
            scheduler = std::make_unique<integration::JobScheduler>();
        std::vector<integration::JobSchedule> schedules;
        schedules.reserve(rows.size());
        for (const integration::JobRow &job : rows)
            schedules.push_back(integration::ScheduleOf(job));
        const auto due = scheduler->tick(now, schedules, false);
        if (!due.empty())
            state.SkipWithError("a job came due");
        benchmark::DoNotOptimize(due);
    }
}
BENCHMARK(TickWithNoJobDue)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    return bench::runWindowBenchmarks(argc, argv);
}
