// A load killed (SIGKILL) at any point leaves the database with none of the
// file's sets or with all of them, never part: the one transaction decides,
// whatever the page size, the log's folding after the load has returned or
// the pages spilled to the log before the commit. The load runs in a child process (this test
// program again, running the disabled case below), which stops at a chosen
// point and is killed there.
#include "LoaderTestSupport.h"

#include "core/loader/InterchangeLoader.h"
#include "core/modGlobal.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

#include <gtest/gtest.h>

#include <cstdio>

using namespace loadertest;

namespace {

// Large enough (about 18 MB) that the load's pages spill into the log
// before the commit, and that the commit leaves the log long enough to be
// folded in.
constexpr int kSets = 3000;
constexpr int kNames = 15;   // N1 segments of 400 characters per set

QString writeManySets(const QString &folder)
{
    QByteArray text = "ISA*00*          *00*          *ZZ*ACMEPARTS      *ZZ*CORVANTIS      *261210*1200*U*00401*000000601*0*P*>~"
                      "GS*PS*ACMEAPP*CORVAPP*20261210*0915*61*X*004010~";
    for (int i = 1; i <= kSets; ++i)
        text += QStringLiteral("ST*830*%1~BFR*05*REL%1**DL*A*20261201*20270301*20261210~%2SE*%3*%1~")
                    .arg(i)
                    .arg((QStringLiteral("N1*ST*") + QString(400, QLatin1Char('X')) + QStringLiteral("~")).repeated(kNames))
                    .arg(kNames + 3)
                    .toLatin1();
    text += QStringLiteral("GE*%1*61~IEA*1*000000601~").arg(kSets).toLatin1();
    const QString file = folder + "/many.IC";
    QFile out(file);
    out.open(QIODevice::WriteOnly);
    out.write(text);
    return file;
}

// Stops the child at its point: says so on stdout, then waits to be killed.
struct StoppingProgress : core::WorkProgress {
    QString at;     // "yield:<n>", "committed" or "folding"
    int yields = 0;

    [[noreturn]] void stop()
    {
        std::fputs("stopped\n", stdout);
        std::fflush(stdout);
        for (int i = 0; i < 6000; ++i)
            QThread::msleep(10);
        std::_Exit(3); // never killed: the parent fails on its own deadline
    }
    void yield() override
    {
        ++yields;
        if (at == QStringLiteral("yield:%1").arg(yields))
            stop();
    }
    void refreshList(const QString &) override
    {
        if (at == "committed")
            stop();
    }
};

TEST(LoaderKilled, DISABLED_Child)
{
    const QString folder = qEnvironmentVariable("CORVANTIS_KILL_DB");
    if (folder.isEmpty())
        GTEST_SKIP();
    modGlobal::strCurrentUser = "Tester";
    modGlobal::cnDatabase = std::make_shared<ado::Connection>();
    modGlobal::cnDatabase->Open(modGlobal::ConnectionString(folder));
    StoppingProgress progress;
    progress.at = qEnvironmentVariable("CORVANTIS_KILL_AT");
    core::InterchangeLoader loader(&progress);
    const QString refused = loader.LoadBox(qEnvironmentVariable("CORVANTIS_KILL_FILE"), "I");
    // The load has returned; its log is being folded in on another thread.
    if (refused.isEmpty() && progress.at == "folding")
        progress.stop();
    std::_Exit(4); // the point was never reached
}

struct KillCase {
    const char *at;
    int inbox; // sets found afterwards
};

class LoaderKilled : public ::testing::TestWithParam<KillCase> {};

TEST_P(LoaderKilled, LeavesNoneOrAllOfTheSets)
{
    const KillCase &c = GetParam();
    const QString folder = corvantis::test::tempDir() + "/db";
    QDir().mkpath(folder);
    corvantis::test::copyFreshDatabase(folder);
    const QString file = writeManySets(corvantis::test::tempDir());

    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("CORVANTIS_KILL_DB", folder);
    env.insert("CORVANTIS_KILL_FILE", file);
    env.insert("CORVANTIS_KILL_AT", QLatin1String(c.at));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::SeparateChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_also_run_disabled_tests", "--gtest_filter=LoaderKilled.DISABLED_Child"});
    ASSERT_TRUE(child.waitForStarted(10000)) << "the child did not start";
    QByteArray said;
    while (!said.contains("stopped\n")) {
        ASSERT_TRUE(child.waitForReadyRead(40000) || child.bytesAvailable() > 0)
            << "the child never reached its point; exit code " << child.exitCode() << "; said: "
            << said.toStdString() << child.readAllStandardError().toStdString();
        said += child.readAllStandardOutput();
    }
    child.kill(); // SIGKILL
    ASSERT_TRUE(child.waitForFinished(10000)) << "the killed child did not end";

    ado::Connection cn;
    cn.Open(modGlobal::ConnectionString(folder));
    const auto count = [&](const char *sql) {
        ado::Recordset rs;
        rs.Open(QLatin1String(sql), cn, ado::adOpenForwardOnly, ado::adLockReadOnly);
        const int n = rs.Eof() ? -1 : int(rs.Fields(0).Value().rawInt());
        rs.Close();
        return n;
    };
    EXPECT_EQ(count("SELECT count(*) FROM Inbox"), c.inbox);
    EXPECT_EQ(count("SELECT count(*) FROM ISA"), c.inbox ? 1 : 0);
    EXPECT_EQ(count("SELECT count(*) FROM Partner"), c.inbox ? 1 : 0);
    if (c.inbox) {
        EXPECT_EQ(count("SELECT count(*) FROM Inbox WHERE TSet LIKE 'ST*830*%~SE*18*%~'"), kSets);
    }
    cn.Close();
}

INSTANTIATE_TEST_SUITE_P(
    Points, LoaderKilled,
    ::testing::Values(KillCase{"yield:50", 0},          // early: nothing written yet
                      KillCase{"yield:2500", 0},        // late (a yield per set): pages spilled into the log
                      KillCase{"committed", kSets},     // the commit is the load
                      KillCase{"folding", kSets}),      // returned, the log being folded into the file
    [](const ::testing::TestParamInfo<KillCase> &info) {
        return QString::fromLatin1(info.param.at).replace(':', '_').toStdString();
    });

} // namespace
