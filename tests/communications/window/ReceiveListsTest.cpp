// A receive run started from the communications window against a real FTP
// server on 127.0.0.1: its sets and its Exchange entries are in the main
// window's lists and folder counts as soon as the run ends, and everything
// it stored is committed (another connection reads it).
#include "MainWindowFixture.h"

#include "LoopbackServers.h"
#include "TestEnvironment.h"

#include "communications/NetworkRun.h"
#include "communications/frmExchange.h"

#include "ado/Recordset.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTextEdit>

using namespace Qt::StringLiterals;

namespace {

using communications::frmExchange;
using mainwindow::test::MainWindowTest;

class ReceiveListsTest : public MainWindowTest {
protected:
    ~ReceiveListsTest() override { controls::unload<frmExchange>(); }

    // A network whose receive script fetches in.IC and loads it.
    void addNetwork(int port)
    {
        ado::Recordset net;
        net.Open(u"SELECT * FROM Internet"_s, db.connection(), ado::adOpenKeyset, ado::adLockOptimistic);
        net.AddNew();
        net(u"Network"_s) = u"LOOPBACK"_s;
        net(u"URL"_s) = u"ftp://127.0.0.1:"_s + QString::number(port) + u'/';
        net(u"protocol"_s) = int16_t(2);
        net(u"AccessType"_s) = int16_t(1);
        net(u"RemotePort"_s) = QString::number(port);
        net(u"timeout"_s) = u"10"_s;
        net(u"UserName"_s) = QString::fromLatin1(corvantis::test::FtpServer::kFullUser);
        net(u"Password"_s) = QString::fromLatin1(corvantis::test::FtpServer::kFullPassword);
        net(u"ReceiveScript"_s) = u"Inet.Execute Exchange.URL, \"GET in.IC \" & GetInboundPath() & \"in.IC\"\n"
                                  "WaitForResponse\n"
                                  "Exchange.LocaleFile = GetInboundPath() & \"in.IC\"\n"
                                  "LoadInBox Exchange.LocaleFile\n"_s;
        net.Update();
        net.Close();
    }

    // What another connection to the same file reads.
    static long countElsewhere(const QString &folder, const QString &statement)
    {
        ado::Connection other;
        other.Open(ado::applicationConnectionString(folder));
        ado::Recordset rs;
        rs.Open(statement, other, ado::adOpenForwardOnly, ado::adLockReadOnly);
        return rs(u"n"_s).Value().toLong();
    }
};

TEST_F(ReceiveListsTest, AReceiveRunShowsItsSetsAndEntriesAtOnceAndLeavesNothingUncommitted)
{
    const QString server = corvantis::test::tempDir() + u"/server"_s;
    const QString inbound = corvantis::test::tempDir() + u"/inbound"_s;
    QDir().mkpath(server);
    QDir().mkpath(inbound);
    mainwindow::test::saveSetting("Folders", "Inbound", inbound);
    ASSERT_TRUE(QFile::copy(QStringLiteral(CORVANTIS_FIXTURES "/loader/multi.IC"), server + u"/in.IC"_s));
    corvantis::test::FtpServer ftp;
    QString error;
    ASSERT_TRUE(ftp.start(server, &error)) << error.toStdString();
    addNetwork(ftp.port());
    insertLog(u"Exchange"_s, u"Info"_s, u"an entry of an earlier run"_s);

    mainwindow::frmMain &main = load();
    main.tvwFolderList_NodeClick(3); // Inbox
    ASSERT_EQ(main.lvwInbox->itemCount(), 0);
    ASSERT_EQ(main.lvwExchange->itemCount(), 1);

    main.menuItem(u"mnuExchange"_s)->trigger();
    frmExchange &exchange = controls::form<frmExchange>();
    exchange.cmdReceive->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !exchange.blnBusy(); }, 30000)) << "the run did not end within 30 s";

    const long stored = countElsewhere(db.folder(), u"SELECT count(*) AS n FROM Inbox"_s);
    ASSERT_GT(stored, 0) << "another connection reads the received sets";
    EXPECT_EQ(modGlobal::cnDatabase->transactionLevel(), 0);
    const long entries = countElsewhere(db.folder(), u"SELECT count(*) AS n FROM Exchange"_s);
    EXPECT_GT(entries, 2);

    // No F5, no folder click, no restart.
    EXPECT_EQ(main.lvwInbox->itemCount(), stored);
    EXPECT_EQ(main.tvwFolderList->nodeText(3), u"Inbox ("_s + QString::number(stored) + u')');
    EXPECT_EQ(main.lvwExchange->itemCount(), entries);
    EXPECT_EQ(main.tvwFolderList->nodeText(8), u"Exchange ("_s + QString::number(entries) + u')');
    QStringList descriptions;
    for (int i = 1; i <= main.lvwExchange->itemCount(); ++i)
        descriptions << main.lvwExchange->item(i)->subItem(5);
    EXPECT_TRUE(descriptions.contains(u"Running receive script"_s)) << descriptions.join(u" | "_s).toStdString();
    EXPECT_TRUE(descriptions.contains(u"Receive script execution complete"_s))
        << descriptions.join(u" | "_s).toStdString();
    EXPECT_TRUE(main.rtfTSet->toPlainText().startsWith(u"ST"_s)) << "the preview shows the received set";
}

} // namespace
