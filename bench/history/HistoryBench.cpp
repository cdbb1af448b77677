// Appending one History entry to a log of 0 and of 200,000 entries: the cost
// of LogHistory must not grow with the table (a validation that logs
// thousands of errors into a large History).
#include "core/modGlobal.h"

#include "ado/Connection.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

void openWithHistory(const QString &folder, int rows)
{
    const QString file = folder + QStringLiteral("/Corvantis.mdb");
    QFile::remove(file);
    QFile::copy(QStringLiteral(CORVANTIS_DATABASE_FILE), file);
    QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner);
    modGlobal::cnDatabase = std::make_shared<ado::Connection>();
    modGlobal::cnDatabase->Open(modGlobal::ConnectionString(folder));
    if (rows > 0) {
        modGlobal::cnDatabase->Execute(QStringLiteral(
            "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
            "INSERT INTO History (Type, Date, Time, [User], Description) "
            "SELECT 'Info', '12/10/2026', '01:05:09 PM', 'Bench', 'entry ' || i FROM n").arg(rows));
    }
}

void BM_LogHistory(benchmark::State &state)
{
    QTemporaryDir folder;
    openWithHistory(folder.path(), static_cast<int>(state.range(0)));
    int n = 0;
    for (auto _ : state)
        modGlobal::LogHistory(QStringLiteral("Error"), QStringLiteral("Segment %1 - Verify Mapping").arg(++n));
    state.SetItemsProcessed(state.iterations());
    modGlobal::cnDatabase->Close();
    modGlobal::cnDatabase.reset();
}
BENCHMARK(BM_LogHistory)->Arg(0)->Arg(200000)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    modGlobal::strCurrentUser = QStringLiteral("Bench");
    QTemporaryDir settings;
    vb::setSettingsRoot(settings.path());
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
