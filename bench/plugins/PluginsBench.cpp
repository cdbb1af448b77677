// Targets: 100,000-line order and stock files read in 1 s or less each; the
// 830 plug-in on 30,000 translated rows of 500 parts with 20,000 order and
// 20,000 stock lines in 2 s or less; the 862 plug-in on 5,000 new against
// 5,000 previous lines in 1 s or less.
#include "ado/Recordset.h"
#include "com/AdoDispatch.h"
#include "com/ClassRegistry.h"
#include "vb/DateTime.h"
#include "vb/Settings.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

using vb::Variant;

namespace {

QTemporaryDir *workDir = nullptr;

QString importFolder() { return workDir->path() + "/import"; }

void writeFile(const QString &name, const QByteArray &bytes)
{
    QFile f(importFolder() + '/' + name);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(f.fileName()));
    f.write(bytes);
}

QByteArray ordersFile(int lines, int parts)
{
    QByteArray out;
    for (int i = 0; i < lines; ++i)
        out += QStringLiteral("P%1,WO%2,%3,12/%4/2026,R%5\r\n").arg(i % parts, 5, 10, QLatin1Char('0')).arg(i).arg(i % 97 + 1).arg(i % 28 + 1).arg(i % 9).toLatin1();
    return out;
}

QByteArray inventoryFile(int lines)
{
    QByteArray out;
    for (int i = 0; i < lines; ++i)
        out += QStringLiteral("P%1,\"Part %2, steel \"\"A\"\"\",%3,%4\r\n").arg(i, 5, 10, QLatin1Char('0')).arg(i).arg(i % 500).arg(i % 7).toLatin1();
    return out;
}

Variant callByName(const com::DispatchPtr &obj, const char *name, std::vector<Variant> &args)
{
    return com::CallByName(obj, name, com::Method, std::span<Variant>(args));
}

void BM_OrdersFile100k(benchmark::State &state)
{
    writeFile("Orders.csv", ordersFile(100000, 500));
    for (auto _ : state) {
        const com::DispatchPtr general = com::CreateObject("Lorvanne.General");
        std::vector<Variant> none;
        if (!callByName(general, "Orders", none).toBool())
            state.SkipWithError("Orders failed");
    }
}
BENCHMARK(BM_OrdersFile100k)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_InventoryFile100k(benchmark::State &state)
{
    writeFile("Inventory.csv", inventoryFile(100000));
    for (auto _ : state) {
        const com::DispatchPtr general = com::CreateObject("Lorvanne.General");
        std::vector<Variant> none;
        if (!callByName(general, "Inventory", none).toBool())
            state.SkipWithError("Inventory failed");
    }
}
BENCHMARK(BM_InventoryFile100k)->Unit(benchmark::kMillisecond)->Iterations(3);

ado::RecordsetPtr translated830(int rows, int parts)
{
    auto rs = std::make_shared<ado::Recordset>();
    const long nullable = ado::adFldUpdatable | ado::adFldIsNullable | ado::adFldMayBeNull;
    for (const char *f : {"1BFR11", "2NTE02", "3NTE02", "6LIN03", "6LIN05", "8J2X03", "13SHP03", "14SHP03", "15SHP03"})
        rs->Fields().Append(f, ado::adVarChar, 80, nullable);
    for (const char *f : {"11FST01", "13SHP02", "14SHP02", "15SHP02"})
        rs->Fields().Append(f, ado::adSingle, 4, nullable);
    for (const char *f : {"11FST04", "13SHP04", "14SHP04", "15SHP04"})
        rs->Fields().Append(f, ado::adDate, 8, nullable);
    rs->Open();
    const double base = vb::toOleDate(QDate(2026, 12, 7));
    for (int i = 0; i < rows; ++i) {
        const int part = (i * 7919) % parts; // parts interleaved, as a sort has work to do
        rs->AddNew();
        (*rs)("1BFR11").setValue(Variant("PO1"));
        (*rs)("2NTE02").setValue(Variant("note "));
        (*rs)("3NTE02").setValue(Variant("two"));
        (*rs)("6LIN03").setValue(Variant(QStringLiteral("P%1").arg(part, 5, 10, QLatin1Char('0'))));
        (*rs)("6LIN05").setValue(Variant("R1"));
        (*rs)("8J2X03").setValue(Variant("from map"));
        (*rs)("11FST01").setValue(Variant(float(i % 50 + 1)));
        (*rs)("11FST04").setValue(Variant::fromDate(base - 3 + i % 70));
        (*rs)("13SHP03").setValue(Variant("ZZ3"));
        (*rs)("13SHP02").setValue(Variant(float(part % 40)));
        (*rs)("14SHP03").setValue(Variant("050"));
        (*rs)("14SHP02").setValue(Variant(float(12)));
        (*rs)("14SHP04").setValue(Variant::fromDate(base - 8));
        rs->Update();
    }
    return rs;
}

void BM_Schedule830(benchmark::State &state)
{
    writeFile("Orders.csv", ordersFile(20000, 500));
    writeFile("Inventory.csv", inventoryFile(20000));
    for (auto _ : state) {
        state.PauseTiming();
        Variant record = com::toVariant(translated830(30000, 500));
        const com::DispatchPtr plugin = com::CreateObject("Lorvanne.Freightliner_830_002000_I");
        std::vector<Variant> args{record, Variant::nothing(), Variant("Freightliner"), Variant("830"), Variant("002000"), Variant("I")};
        state.ResumeTiming();
        if (!callByName(plugin, "ActiveX", args).toBool())
            state.SkipWithError("ActiveX failed");
        else if (com::recordsetOf(args[0])->RecordCount() != 500)
            state.SkipWithError("not one row per part");
    }
}
BENCHMARK(BM_Schedule830)->Unit(benchmark::kMillisecond)->Iterations(3);

ado::RecordsetPtr schedule862(int lines, int variant)
{
    static const char *fields[] = {"1BSS01", "1BSS02", "1BSS03", "1BSS04", "1BSS05", "1BSS06", "1BSS07", "1BSS11",
                                   "2N101", "2N102", "3N101", "3N102", "4N101", "4N102", "4N103", "4N104",
                                   "5LIN02", "5LIN03", "5LIN04", "5LIN05", "5LIN06", "5LIN07", "5LIN08", "5LIN09",
                                   "6UIT01", "7FST01", "7FST02", "7FST03", "7FST04", "8CTT01", "8CTT02", "9EXCE01"};
    auto rs = std::make_shared<ado::Recordset>();
    const long nullable = ado::adFldUpdatable | ado::adFldIsNullable | ado::adFldMayBeNull;
    for (const char *f : fields) {
        const QString name = QString::fromLatin1(f);
        const int type = name == "7FST01" ? ado::adSingle : (name == "1BSS03" || name == "1BSS05" || name == "1BSS06" || name == "7FST04") ? ado::adDate : ado::adVarChar;
        rs->Fields().Append(name, type, type == ado::adVarChar ? 40 : 0, nullable);
    }
    rs->Open();
    const double base = vb::toOleDate(QDate(2026, 12, 7));
    for (int i = 0; i < lines; ++i) {
        rs->AddNew();
        for (const char *f : fields)
            if ((*rs)(QString::fromLatin1(f)).Type() == ado::adVarChar)
                (*rs)(QString::fromLatin1(f)).setValue(Variant("x"));
        (*rs)("1BSS03").setValue(Variant::fromDate(base));
        (*rs)("1BSS05").setValue(Variant::fromDate(base));
        (*rs)("1BSS06").setValue(Variant::fromDate(base + 90));
        (*rs)("4N104").setValue(Variant(QStringLiteral("DC%1").arg(i % 5)));
        // Every tenth line of the new schedule is a part the old one lacks.
        const int part = (variant == 1 && i % 10 == 9) ? i + 100000 : i / 5;
        (*rs)("5LIN03").setValue(Variant(QStringLiteral("P%1").arg(part)));
        (*rs)("7FST01").setValue(Variant(float(variant == 1 && i % 10 == 3 ? 999 : 10 + i % 5)));
        (*rs)("7FST04").setValue(Variant::fromDate(base + i % 20));
        rs->Update();
    }
    return rs;
}

void BM_Exceptions862(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        const ado::RecordsetPtr fresh = schedule862(5000, 1);
        const ado::RecordsetPtr previous = schedule862(5000, 0);
        const com::DispatchPtr plugin = com::CreateObject("Lorvanne.Freightliner_862_003020_I");
        std::vector<Variant> args{com::toVariant(fresh), com::toVariant(previous), Variant(""), Variant(""), Variant(""), Variant("")};
        state.ResumeTiming();
        if (!callByName(plugin, "ActiveX", args).toBool())
            state.SkipWithError("ActiveX failed");
        else if (fresh->RecordCount() != 1500)
            state.SkipWithError(qPrintable(QStringLiteral("%1 exception lines, 1500 expected").arg(fresh->RecordCount())));
    }
}
BENCHMARK(BM_Exceptions862)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    workDir = &dir;
    vb::setSettingsRoot(dir.path() + "/settings");
    QDir().mkpath(importFolder());
    vb::SaveSetting("Corvantis", "Folders", "Import", importFolder());
    com::registerLibrary(LORVANNE_LIBRARY);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
