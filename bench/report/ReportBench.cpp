// Export and pagination speed of the report engine over in-memory record
// sets: 100,000 rows x 20 fields to CSV and TSV, 10,000 rows (about 200
// pages) to PDF, the first page of a 100,000-row report, and 65,535 rows x 20
// fields to an Excel 8.0 workbook.
#include "report/DefaultReport.h"
#include "report/Export.h"
#include "report/Paginator.h"
#include "report/Renderer.h"

#include "ado/Recordset.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <map>

namespace {

// 20 fields: 10 text, 5 whole numbers, 3 reals, 2 dates.
ado::RecordsetPtr makeRows(int n)
{
    auto rs = std::make_shared<ado::Recordset>();
    for (int i = 0; i < 10; ++i)
        rs->Fields().Append(QStringLiteral("Text%1").arg(i), ado::adVarChar, 20, ado::adFldUpdatable);
    for (int i = 0; i < 5; ++i)
        rs->Fields().Append(QStringLiteral("Whole%1").arg(i), ado::adInteger, 4, ado::adFldUpdatable);
    for (int i = 0; i < 3; ++i)
        rs->Fields().Append(QStringLiteral("Real%1").arg(i), ado::adDouble, 8, ado::adFldUpdatable);
    for (int i = 0; i < 2; ++i)
        rs->Fields().Append(QStringLiteral("Date%1").arg(i), ado::adDate, 8, ado::adFldUpdatable);
    rs->Open();
    for (int r = 0; r < n; ++r) {
        rs->AddNew();
        for (int i = 0; i < 10; ++i)
            rs->Fields(i).setValue(vb::Variant(QStringLiteral("Value %1-%2").arg(r).arg(i)));
        for (int i = 0; i < 5; ++i)
            rs->Fields(10 + i).setValue(vb::Variant::fromLong(r * 7 + i));
        for (int i = 0; i < 3; ++i)
            rs->Fields(15 + i).setValue(vb::Variant(r * 1.25 + i));
        for (int i = 0; i < 2; ++i)
            rs->Fields(18 + i).setValue(vb::Variant::fromDate(46000 + r % 1000 + i));
        rs->Update();
    }
    return rs;
}

ado::RecordsetPtr rowsOf(int n)
{
    static std::map<int, ado::RecordsetPtr> cache;
    auto &rs = cache[n];
    if (!rs)
        rs = makeRows(n);
    return rs;
}

QTemporaryDir &scratch()
{
    static QTemporaryDir dir;
    return dir;
}

void exportRows(benchmark::State &state, int type, int n, const char *name)
{
    auto rs = rowsOf(n);
    report::RecordsetSource rows(rs);
    const report::Report layout = report::defaultReport(rows.fields(), QStringLiteral("Bench"));
    const QString path = QDir(scratch().path()).filePath(QString::fromLatin1(name));
    for (auto _ : state)
        report::exportReport(layout, rows, type, path);
    state.SetItemsProcessed(state.iterations() * n);
    state.counters["bytes"] = double(QFileInfo(path).size());
}

// What reading the rows alone costs, for comparison with the exports.
void BM_ReadRows100k(benchmark::State &state)
{
    report::RecordsetSource rows(rowsOf(100000));
    std::vector<vb::Variant> values;
    for (auto _ : state) {
        for (long r = 0; r < rows.rowCount(); ++r)
            rows.readRow(r, values);
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}

void BM_Csv100k(benchmark::State &state) { exportRows(state, report::ExportCsv, 100000, "out.csv"); }
void BM_Tsv100k(benchmark::State &state) { exportRows(state, report::ExportTsv, 100000, "out.tsv"); }
void BM_Biff8_65535(benchmark::State &state) { exportRows(state, report::ExportExcel8Extended, 65535, "out.xls"); }

// A five-column report: with 20 fields the lines would wrap and the pages count differently.
report::Report narrowReport(report::RowSource &rows)
{
    const auto &f = rows.fields();
    const std::vector<report::FieldDef> five = {f[0], f[1], f[10], f[15], f[18]};
    return report::defaultReport(five, QStringLiteral("Bench"));
}

void BM_Pdf10k(benchmark::State &state)
{
    report::RecordsetSource rows(rowsOf(10000));
    const report::Report layout = narrowReport(rows);
    const QString path = QDir(scratch().path()).filePath(QStringLiteral("out.pdf"));
    int pages = 0;
    for (auto _ : state) {
        report::Paginator paginator(layout, rows);
        pages = paginator.pageCount();
        report::writePdf(paginator, path);
    }
    state.counters["pages"] = pages;
}

void BM_FirstPageOf100k(benchmark::State &state)
{
    report::RecordsetSource rows(rowsOf(100000));
    const report::Report layout = narrowReport(rows);
    int pages = 0;
    for (auto _ : state) {
        report::Paginator paginator(layout, rows);
        pages = paginator.pageCount();
        benchmark::DoNotOptimize(report::renderPageImage(paginator, 0));
    }
    state.counters["pages"] = pages;
}

} // namespace

BENCHMARK(BM_ReadRows100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Csv100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Tsv100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Pdf10k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstPageOf100k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Biff8_65535)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
