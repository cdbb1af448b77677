// A database of the old 1 KB pages is converted by compaction, which first
// takes the file out of write-ahead mode under a rollback journal. Killed
// (SIGKILL) at any write or removal of the file, its journal or its log, the
// next open neither crashes nor loses a row, and a later compaction finishes
// the conversion. The compaction runs in a child process (this test program
// again, running the disabled case below) that kills itself at its point:
// the file layer of SQLite routes its writes and removals through hooks set
// here.
#include "AdoTestSupport.h"
#include "TestDatabase.h"
#include "TestEnvironment.h"
#include "ado/Connection.h"
#include "ado/Recordset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <map>
#include <sqlite3.h>
#include <string>
#include <unistd.h>

using namespace ado;

namespace {

const QString kPassword = QStringLiteral("quarrytone7");

// --- the child: SQLite's system calls, watched ---------------------------

std::string g_database;  // canonical path of the database file
std::string g_killAt;    // "journal-removed" or "step:<n>"
int g_steps = 0;         // writes and removals of the database's files so far

using Pwrite64 = ssize_t (*)(int, const void *, size_t, off64_t);
using Pwrite = ssize_t (*)(int, const void *, size_t, off_t);
using Write = ssize_t (*)(int, const void *, size_t);
using Ftruncate = int (*)(int, off_t);
using Unlink = int (*)(const char *);
Pwrite64 realPwrite64 = nullptr;
Pwrite realPwrite = nullptr;
Write realWrite = nullptr;
Ftruncate realFtruncate = nullptr;
Unlink realUnlink = nullptr;

// The database file itself, its rollback journal or its log: the files
// whose state an open after a crash must cope with.
bool isDatabaseFile(const std::string &path)
{
    return path == g_database || path == g_database + "-journal" || path == g_database + "-wal";
}

std::string pathOf(int fd)
{
    char link[64];
    std::snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
    char target[4096];
    const ssize_t n = ::readlink(link, target, sizeof target - 1);
    return n > 0 ? std::string(target, size_t(n)) : std::string();
}

void step(const std::string &path)
{
    if (!isDatabaseFile(path))
        return;
    ++g_steps;
    if (g_killAt == "step:" + std::to_string(g_steps))
        std::raise(SIGKILL);
}

ssize_t watchedPwrite64(int fd, const void *data, size_t size, off64_t at)
{
    step(pathOf(fd));
    return realPwrite64(fd, data, size, at);
}

ssize_t watchedPwrite(int fd, const void *data, size_t size, off_t at)
{
    step(pathOf(fd));
    return realPwrite(fd, data, size, at);
}

ssize_t watchedWrite(int fd, const void *data, size_t size)
{
    step(pathOf(fd));
    return realWrite(fd, data, size);
}

int watchedFtruncate(int fd, off_t size)
{
    step(pathOf(fd));
    return realFtruncate(fd, size);
}

int watchedUnlink(const char *path)
{
    // The file's first page has been rewritten and synced; the journal that
    // can undo it is about to go.
    if (g_killAt == "journal-removed" && path == g_database + "-journal")
        std::raise(SIGKILL);
    step(path);
    return realUnlink(path);
}

// Routes SQLite's system call `name` through `watched`; false when this
// build of SQLite does not use it.
template <typename F>
bool watch(sqlite3_vfs *vfs, const char *name, F &real, F watched)
{
    real = reinterpret_cast<F>(vfs->xGetSystemCall(vfs, name));
    return real && vfs->xSetSystemCall(vfs, name, reinterpret_cast<sqlite3_syscall_ptr>(watched)) == SQLITE_OK;
}

TEST(ConversionKilled, DISABLED_Child)
{
    const QString path = qEnvironmentVariable("CORVANTIS_CONVERT_DB");
    if (path.isEmpty())
        GTEST_SKIP();
    g_database = QFileInfo(path).canonicalFilePath().toStdString();
    g_killAt = qEnvironmentVariable("CORVANTIS_CONVERT_KILL").toStdString();
    sqlite3_vfs *vfs = sqlite3_vfs_find(nullptr);
    ASSERT_NE(vfs, nullptr);
    // SQLite writes pages with one of the three, as it was built.
    const bool pwrite64 = watch<Pwrite64>(vfs, "pwrite64", realPwrite64, watchedPwrite64);
    const bool pwrite = watch<Pwrite>(vfs, "pwrite", realPwrite, watchedPwrite);
    const bool write = watch<Write>(vfs, "write", realWrite, watchedWrite);
    ASSERT_TRUE(pwrite64 || pwrite || write);
    ASSERT_TRUE(watch<Ftruncate>(vfs, "ftruncate", realFtruncate, watchedFtruncate));
    ASSERT_TRUE(watch<Unlink>(vfs, "unlink", realUnlink, watchedUnlink));
    CompactDatabase(path, kPassword);
    std::printf("converted\n%d steps\n", g_steps);
    std::fflush(stdout);
    std::_Exit(0);
}

// --- the parent -----------------------------------------------------------

// The row count of every table.
std::map<QString, long> rowCounts(Connection &cn)
{
    std::map<QString, long> counts;
    for (const QString &table : cn.tableNames())
        counts[table] = adotest::countRows(cn, QStringLiteral("SELECT * FROM [%1]").arg(table));
    return counts;
}

// A database of the old page size in write-ahead mode, as the program
// leaves it, with a row of its own; its row counts go to `counts`.
QString oldDatabase(const QString &folder, std::map<QString, long> &counts)
{
    QDir().mkpath(folder);
    const QString path = corvantis::test::copyFreshDatabase(folder);
    CompactDatabase(path, kPassword, kLegacyCipherPageSize);
    Connection cn;
    cn.Open(applicationConnectionString(folder));
    EXPECT_EQ(cn.cipherPageSize(), kLegacyCipherPageSize);
    cn.Execute(QStringLiteral("INSERT INTO History (Type, Description) VALUES ('Info', 'before the conversion')"));
    counts = rowCounts(cn);
    cn.Close();
    return path;
}

struct Outcome {
    bool killed = false;
    bool converted = false;
};

// Runs the conversion of `path` in a child killed at `killAt`.
Outcome convertInChild(const QString &path, const QString &killAt)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("CORVANTIS_CONVERT_DB"), path);
    env.insert(QStringLiteral("CORVANTIS_CONVERT_KILL"), killAt);
    child.setProcessEnvironment(env);
    Outcome outcome;
    if (!adotest::runToEnd(child, QCoreApplication::applicationFilePath(),
                           {QStringLiteral("--gtest_also_run_disabled_tests"), QStringLiteral("--gtest_filter=ConversionKilled.DISABLED_Child")},
                           "the child"))
        return outcome;
    const QByteArray said = child.readAllStandardOutput();
    outcome.killed = child.exitStatus() == QProcess::CrashExit;
    outcome.converted = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0 && said.contains("converted\n");
    if (!outcome.killed && !outcome.converted)
        ADD_FAILURE() << "the child failed: exit code " << child.exitCode() << "; said: " << said.toStdString()
                      << child.readAllStandardError().toStdString();
    return outcome;
}

// After the kill: the file opens (in this process: a crash fails the whole
// test program), every row is there, and the next compaction converts it.
void expectWholeAndConvertible(const QString &folder, const QString &path, const std::map<QString, long> &counts)
{
    {
        Connection cn;
        cn.Open(applicationConnectionString(folder));
        EXPECT_EQ(rowCounts(cn), counts);
        cn.Close();
    }
    CompactDatabase(path, kPassword);
    // A journal killed before its header was written is no journal to SQLite
    // and stays until the next one replaces it.
    EXPECT_FALSE(QFile::exists(path + QStringLiteral("-journal")));
    Connection cn;
    cn.Open(applicationConnectionString(folder));
    EXPECT_EQ(cn.cipherPageSize(), kCipherPageSize);
    EXPECT_EQ(rowCounts(cn), counts);
    cn.Close();
}

// Killed when the file's first page has been rewritten and the journal that
// undoes it is still there: the journal of 1 KB pages lies beside the file.
TEST(ConversionKilled, WithTheJournalBesideTheOldFileOpensWholeAndConvertsLater)
{
    std::map<QString, long> counts;
    const QString folder = corvantis::test::tempDir() + QStringLiteral("/db");
    const QString path = oldDatabase(folder, counts);
    const Outcome outcome = convertInChild(path, QStringLiteral("journal-removed"));
    ASSERT_TRUE(outcome.killed) << "the child was not killed at its point";
    ASSERT_TRUE(QFile::exists(path + QStringLiteral("-journal")));
    {
        Connection cn;
        cn.Open(applicationConnectionString(folder));
        EXPECT_EQ(cn.cipherPageSize(), kLegacyCipherPageSize);
        cn.Close();
        EXPECT_FALSE(QFile::exists(path + QStringLiteral("-journal"))) << "the journal was played back";
    }
    expectWholeAndConvertible(folder, path, counts);
}

// Killed before each write or removal of the file, its journal or its log in
// turn, until the conversion runs to its end: the odd steps in one case, the
// even ones in the other.
class ConversionKilledAtEveryStep : public ::testing::TestWithParam<int> {};

TEST_P(ConversionKilledAtEveryStep, OpensWholeAndConvertsLater)
{
    std::map<QString, long> counts;
    const QString original = oldDatabase(corvantis::test::tempDir() + QStringLiteral("/original"), counts);
    bool converted = false;
    int killed = 0;
    for (int at = GetParam(); at <= 200 && !converted && !::testing::Test::HasFailure(); at += 2) {
        SCOPED_TRACE(at);
        const QString folder = corvantis::test::tempDir() + QStringLiteral("/%1").arg(at);
        QDir().mkpath(folder);
        const QString path = folder + QLatin1Char('/') + QLatin1String(kDatabaseFileName);
        ASSERT_TRUE(QFile::copy(original, path));
        const Outcome outcome = convertInChild(path, QStringLiteral("step:%1").arg(at));
        converted = outcome.converted;
        killed += outcome.killed ? 1 : 0;
        if (outcome.killed)
            expectWholeAndConvertible(folder, path, counts);
        QDir(folder).removeRecursively();
    }
    EXPECT_TRUE(converted) << "the conversion never ran to its end";
    EXPECT_GT(killed, 2) << "the conversion was hardly interrupted";
}

INSTANTIATE_TEST_SUITE_P(Steps, ConversionKilledAtEveryStep, ::testing::Values(1, 2),
                         [](const ::testing::TestParamInfo<int> &info) {
                             return std::string(info.param == 1 ? "Odd" : "Even");
                         });

} // namespace
