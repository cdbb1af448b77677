// Leaving the program without closing the database while its log is being
// folded in: the folding thread is stopped and joined before the static
// objects and the libraries' own clean-up go, so the program ends with exit
// code 0, and nothing committed is lost. The program is a child process
// (this test program again, running the disabled case below).
#include "AdoTestSupport.h"
#include "TestDatabase.h"
#include "TestEnvironment.h"
#include "ado/Connection.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

using namespace ado;
using adotest::addRows;

namespace {

// Enough for a fold that takes a while: about 18 MB of log.
constexpr int kRows = 9000;

// The program's shared connection is a static object too: left open, it
// is closed by the static objects' end, after everything registered later.
std::shared_ptr<Connection> g_leftOpen;

} // namespace

TEST(LogFoldingExit, DISABLED_Child)
{
    const QString folder = qEnvironmentVariable("CORVANTIS_EXIT_DB");
    if (folder.isEmpty())
        GTEST_SKIP();
    const QString how = qEnvironmentVariable("CORVANTIS_EXIT_HOW");
    g_leftOpen = std::make_shared<Connection>();
    g_leftOpen->Open(applicationConnectionString(folder));
    const QString path = g_leftOpen->databasePath();
    const qint64 before = QFileInfo(path).size();
    g_leftOpen->setBulkWriting(true);
    addRows(*g_leftOpen, kRows, QStringLiteral("Big"));
    g_leftOpen->setBulkWriting(false);   // asks for the fold: its thread derives its key first
    if (how.startsWith(QLatin1String("copying"))) {
        // The fold has begun to write into the file.
        QElapsedTimer waited;
        waited.start();
        while (QFileInfo(path).size() == before && waited.elapsed() < 20000)
            QThread::msleep(1);
        // Said, so that a fold never seen writing fails the case instead of
        // passing it as one left while the key was derived.
        if (QFileInfo(path).size() == before)
            std::fputs("the fold did not begin writing within 20 s\n", stdout);
    }
    std::fputs("leaving\n", stdout);
    std::fflush(stdout);
    if (how.endsWith(QLatin1String("exit")))
        std::exit(0);
    // Otherwise the test ends and main returns, the connection still open.
}

class LogFoldingExit : public ::testing::TestWithParam<const char *> {};

TEST_P(LogFoldingExit, EndsCleanlyAndLosesNothing)
{
    const QString folder = corvantis::test::tempDir() + "/db";
    QDir().mkpath(folder);
    corvantis::test::copyFreshDatabase(folder);

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("CORVANTIS_EXIT_DB", folder);
    env.insert("CORVANTIS_EXIT_HOW", QLatin1String(GetParam()));
    child.setProcessEnvironment(env);
    if (!adotest::runToEnd(child, QCoreApplication::applicationFilePath(),
                           {"--gtest_also_run_disabled_tests", "--gtest_filter=LogFoldingExit.DISABLED_Child"},
                           "the child", 45))
        return;
    const QByteArray said = child.readAllStandardOutput();
    ASSERT_TRUE(said.contains("leaving\n")) << "the child never got to leave: " << said.toStdString()
                                            << child.readAllStandardError().toStdString();
    EXPECT_EQ(child.exitStatus(), QProcess::NormalExit)
        << "the child crashed on its way out: " << child.readAllStandardError().toStdString();
    EXPECT_EQ(child.exitCode(), 0) << said.toStdString();
    EXPECT_FALSE(said.contains("did not begin writing")) << said.toStdString();

    Connection cn;
    cn.Open(applicationConnectionString(folder));
    EXPECT_EQ(adotest::countRows(cn, "SELECT * FROM History WHERE Type = 'Big'"), kRows);
    cn.Close();
}

INSTANTIATE_TEST_SUITE_P(Ways, LogFoldingExit,
                         ::testing::Values("deriving-exit",     // exit() while the fold derives its key
                                           "copying-exit",      // exit() while the fold copies pages
                                           "deriving-return",   // main returns while the fold derives its key
                                           "copying-return"),   // main returns while the fold copies pages
                         [](const ::testing::TestParamInfo<const char *> &info) {
                             return QString::fromLatin1(info.param).replace('-', '_').toStdString();
                         });
