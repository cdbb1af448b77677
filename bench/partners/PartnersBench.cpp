// Opening the partner window over 500 partners (each with a few sets), and
// removing a partner whose 40 sets carry 2,000 element rows each.
#include "partners/PartnerStore.h"
#include "partners/frmPartners.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "core/modGlobal.h"
#include "vb/Dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include "bench/BenchSupport.h"

namespace {

struct Database {
    QTemporaryDir dir;

    Database()
    {
        const QString target = QDir(dir.path()).filePath(QStringLiteral("Corvantis.mdb"));
        QFile::copy(QStringLiteral(CORVANTIS_DATABASE_FILE), target);
        QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
        modGlobal::cnDatabase = std::make_shared<ado::Connection>();
        modGlobal::cnDatabase->Open(ado::applicationConnectionString(dir.path()));
    }
    ~Database()
    {
        modGlobal::cnDatabase->Close();
        modGlobal::cnDatabase.reset();
    }

    void addPartners(int count, int setsEach, int elementsEach)
    {
        ado::Connection &cn = *modGlobal::cnDatabase;
        cn.BeginTrans();
        ado::Recordset partners, sets, elements;
        partners.Open(QStringLiteral("Partner"), cn, ado::adOpenKeyset, ado::adLockOptimistic);
        sets.Open(QStringLiteral("Transactions"), cn, ado::adOpenKeyset, ado::adLockOptimistic);
        elements.Open(QStringLiteral("Element"), cn, ado::adOpenKeyset, ado::adLockOptimistic);
        for (int p = 0; p < count; ++p) {
            const QString name = QStringLiteral("PARTNER%1").arg(p, 4, 10, QLatin1Char('0'));
            partners.AddNew();
            partners("Partner") = name;
            partners("Segment") = vb::Variant(int16_t('~'));
            partners("element") = vb::Variant(int16_t('*'));
            partners("sub") = vb::Variant(int16_t('>'));
            partners.Update();
            for (int s = 0; s < setsEach; ++s) {
                const QString transaction = QString::number(800 + s);
                sets.AddNew();
                sets("Partner") = name;
                sets("Transaction") = transaction;
                sets("Version") = "004010";
                sets("Direction") = s % 2 ? "O" : "I";
                sets.Update();
                for (int e = 0; e < elementsEach; ++e) {
                    elements.AddNew();
                    elements("Partner") = name;
                    elements("Transaction") = transaction;
                    elements("Version") = "004010";
                    elements("Direction") = s % 2 ? "O" : "I";
                    elements("SegmentIndex") = vb::Variant(int16_t(e / 20 + 1));
                    elements("ElementIndex") = vb::Variant(int16_t(e % 20 + 1));
                    elements.Update();
                }
            }
        }
        partners.Close();
        sets.Close();
        elements.Close();
        cn.CommitTrans();
    }
};

void OpenWindowWith500Partners(benchmark::State &state)
{
    Database db;
    db.addPartners(500, 4, 0);
    for (auto _ : state) {
        auto window = std::make_unique<partners::frmPartners>();
        benchmark::DoNotOptimize(window.get());
        state.PauseTiming();
        window.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(OpenWindowWith500Partners)->Unit(benchmark::kMillisecond)->UseRealTime();

void RemovePartnerWith40SetsOf2000Elements(benchmark::State &state)
{
    for (auto _ : state) {
        state.PauseTiming();
        auto db = std::make_unique<Database>();
        db->addPartners(1, 40, 2000);
        partners::PartnerStore store(modGlobal::cnDatabase);
        store.open();
        state.ResumeTiming();
        store.remove();
        state.PauseTiming();
        store.close();
        db.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(RemovePartnerWith40SetsOf2000Elements)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

} // namespace

int main(int argc, char **argv)
{
    return bench::runWindowBenchmarks(argc, argv, vb::vbYes);
}
