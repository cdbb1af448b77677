// A failed fold of the database's log is recorded in History as one
// "Warning" with the database's reason, however many commits try it again.
#include "CoreTestSupport.h"

#include "FailingWrites.h"
#include "core/DatabaseLogWarning.h"

#include "ado/Connection.h"

#include <QCoreApplication>
#include <QElapsedTimer>

using namespace modGlobal;
using namespace coretest;
using corvantis::test::FailingWrites;

namespace {

class LogFoldWarningTest : public CoreTest {};

constexpr int kWaitMs = 20000;

QString warnings(const std::vector<std::map<QString, QString>> &rows)
{
    QString all;
    for (const auto &row : rows)
        all += row.at("Description") + '\n';
    return all;
}

} // namespace

TEST_F(LogFoldWarningTest, OneWarningPerCauseWithTheReason)
{
    FailingWrites::install();
    ado::Connection &cn = *cnDatabase;
    WatchLogFolding(cn);
    const QString path = cn.databasePath();
    const auto warningRows = [&] { return rows("SELECT Description FROM History WHERE Type = 'Warning'"); };
    {
        FailingWrites full(path);
        cn.setBulkWriting(true);
        cn.BeginTrans();
        for (int i = 0; i < 300; ++i)
            cn.Execute("INSERT INTO Exchange (Description) VALUES (?)", {vb::Variant(QString(2000, QLatin1Char('x')))});
        cn.CommitTrans();
        cn.setBulkWriting(false);
        QElapsedTimer waited;
        waited.start();
        while (warningRows().empty() && waited.elapsed() < kWaitMs)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        ASSERT_EQ(warningRows().size(), 1u);
        EXPECT_EQ(warningRows().front().at("Description"),
                  LogFoldWarningText(path, QStringLiteral("database or disk is full")));
        EXPECT_EQ(LogFoldWarningText(path, QStringLiteral("database or disk is full")),
                  "The changes kept in the log of the database Corvantis.mdb could not be written into it: "
                  "database or disk is full. They are safe in the log; writing them is tried again at the next "
                  "change.");
        // Every History entry is a commit that tries the fold again.
        for (int i = 0; i < 3; ++i) {
            LogHistory("Info", QStringLiteral("entry %1").arg(i));
            cn.waitForLogFolded(kWaitMs);
            QCoreApplication::processEvents();
        }
        EXPECT_EQ(warningRows().size(), 1u) << warnings(warningRows()).toStdString();
    }
    LogHistory("Info", "room again");
    EXPECT_TRUE(cn.waitForLogFolded(kWaitMs));
    QCoreApplication::processEvents();
    EXPECT_EQ(warningRows().size(), 1u);
    EXPECT_EQ(count("Exchange"), 300);
}
