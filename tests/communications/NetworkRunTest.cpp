// Send and receive runs with scripts written the way users write them,
// against real FTP and HTTP servers on 127.0.0.1: what is sent and loaded,
// what moves to Sent, and every Exchange and History text.
#include "communications/NetworkRun.h"
#include "communications/SendFile.h"

#include "CoreTestSupport.h"
#include "LoopbackServers.h"
#include "TestEnvironment.h"

#include "core/loader/InterchangeLoader.h"
#include "inet/InternetTransfer.h"
#include "vb/Dialogs.h"
#include "vb/Settings.h"
#include "zip/Archive.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;
using corvantis::test::dialogs;

namespace {

using coretest::bytesOf;

QString fixture(const char *folder, const char *name)
{
    return QStringLiteral(CORVANTIS_FIXTURES "/") + QString::fromLatin1(folder) + u'/' + QString::fromLatin1(name);
}

class NetworkRunTest : public coretest::CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        for (const char *folder : {"outbound", "inbound", "sent", "server"}) {
            QDir().mkpath(dir(folder));
        }
        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Outbound"_s, dir("outbound"));
        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Inbound"_s, dir("inbound"));
        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Sent"_s, dir("sent"));
        modGlobal::blnSilentMode = true;
    }
    void TearDown() override
    {
        modGlobal::blnSilentMode = false;
        CoreTest::TearDown();
    }
    static QString dir(const char *name) { return corvantis::test::tempDir() + u'/' + QString::fromLatin1(name); }
    void loadOutbox()
    {
        const QString copy = corvantis::test::tempDir() + u"/acme.OC"_s;
        QFile::copy(fixture("sendfile", "acme.OC"), copy);
        ASSERT_EQ(core::InterchangeLoader().LoadBox(copy, u"O"_s), QString());
    }
    void startFtp()
    {
        QString error;
        ASSERT_TRUE(ftp.start(dir("server"), &error)) << error.toStdString();
    }
    communications::NetworkPage ftpPage(const char *user, const char *password)
    {
        communications::NetworkPage page;
        page.name = u"Loopback FTP"_s;
        page.url = u"ftp://127.0.0.1:"_s + QString::number(ftp.port()) + u'/';
        page.userName = QString::fromLatin1(user);
        page.password = QString::fromLatin1(password);
        page.remotePort = QString::number(ftp.port());
        page.timeout = u"10"_s;
        page.accessType = 1; // direct: never a proxy for the loopback server
        return page;
    }
    QStringList exchangeLog()
    {
        return column(u"SELECT Type || ': ' || Description AS Entry FROM Exchange ORDER BY [Index]"_s, u"Entry"_s);
    }
    QStringList ownEntries()
    {
        // The run's own entries, without the transfer's state sentences.
        QStringList own;
        for (const QString &entry : exchangeLog())
            if (!entry.contains(u" the remote server"_s) && !entry.startsWith(u"Info: No state"_s)
                && !entry.startsWith(u"Info: The request was completed"_s))
                own << entry;
        return own;
    }
    void expectNoPasswordLogged(const QString &password)
    {
        for (const QString &entry : exchangeLog())
            EXPECT_FALSE(entry.contains(password)) << entry.toStdString();
        EXPECT_FALSE(communications::CommunicationsState::instance().session().contains(password));
    }
    corvantis::test::FtpServer ftp;
};

TEST_F(NetworkRunTest, AnFtpSendPutsTheSendFileAndMovesTheSentRows)
{
    loadOutbox();
    startFtp();
    communications::NetworkPage page = ftpPage(corvantis::test::FtpServer::kFullUser,
                                               corvantis::test::FtpServer::kFullPassword);
    page.sendScript = u"CreateOutboundEDI\n"
                      "Inet.Execute Exchange.URL, \"PUT \"\"\" & Exchange.LocaleFile & \"\"\" sent.OC\"\n"
                      "WaitForResponse\n"
                      "LogSession \"sent\" & vbCrLf & \"ok\"\n"_s;
    EXPECT_TRUE(communications::RunSendScript(page));
    EXPECT_EQ(bytesOf(dir("server") + u"/sent.OC"_s), bytesOf(fixture("sendfile", "acme.OC")));
    EXPECT_EQ(count(u"Outbox"_s), 0);
    EXPECT_EQ(count(u"Sent"_s), 2);
    EXPECT_EQ(QDir(dir("outbound")).entryList(QDir::Files).size(), 0);
    EXPECT_EQ(QDir(dir("sent")).entryList(QDir::Files).size(), 1);
    EXPECT_EQ(ownEntries(), (QStringList{u"Info: Running send script"_s, u"Info: sent  ok"_s,
                                         u"Info: Send script execution complete"_s}));
    EXPECT_TRUE(exchangeLog().contains(u"Info: Connecting to the remote server."_s));
    EXPECT_TRUE(communications::CommunicationsState::instance().session().endsWith(u"sent  ok\r\n"_s));
    EXPECT_FALSE(communications::CommunicationsState::instance().busy());
    expectNoPasswordLogged(page.password);
}

TEST_F(NetworkRunTest, ARefusedUploadLeavesTheOutboxAndRecordsTheReply)
{
    loadOutbox();
    startFtp();
    communications::NetworkPage page = ftpPage(corvantis::test::FtpServer::kReadOnlyUser,
                                               corvantis::test::FtpServer::kReadOnlyPassword);
    page.sendScript = u"CreateOutboundEDI\n"
                      "Inet.Execute Exchange.URL, \"PUT \"\"\" & Exchange.LocaleFile & \"\"\" sent.OC\"\n"
                      "WaitForResponse\n"_s;
    EXPECT_FALSE(communications::RunSendScript(page));
    EXPECT_EQ(count(u"Outbox"_s), 2);
    EXPECT_EQ(count(u"Sent"_s), 0);
    EXPECT_EQ(QDir(dir("outbound")).entryList(QDir::Files).size(), 0) << "the send file is removed";
    const QStringList own = ownEntries();
    ASSERT_EQ(own.size(), 3) << own.join(u" | "_s).toStdString();
    EXPECT_EQ(own[0], u"Info: Running send script"_s);
    EXPECT_TRUE(own[1].startsWith(u"Error: The upload failed (PUT "_s)) << own[1].toStdString();
    EXPECT_TRUE(own[1].contains(u"550"_s)) << own[1].toStdString();
    EXPECT_TRUE(own[2].startsWith(u"Info: The send file "_s + dir("outbound")) && own[2].endsWith(u" was removed; its sets stay in the Outbox"_s))
        << own[2].toStdString();
    expectNoPasswordLogged(page.password);
}

TEST_F(NetworkRunTest, AnFtpReceiveFetchesAndLoadsIntoTheInbox)
{
    startFtp();
    QFile::copy(fixture("loader", "multi.IC"), dir("server") + u"/in.IC"_s);
    communications::NetworkPage page = ftpPage(corvantis::test::FtpServer::kFullUser,
                                               corvantis::test::FtpServer::kFullPassword);
    page.receiveScript = u"Inet.Execute Exchange.URL, \"LS\"\n"
                         "WaitForResponse\n"
                         "listing = Inet.GetChunk(1024)\n"
                         "For Each name In Split(Replace(listing, vbCr, \"\"), vbLf)\n"
                         "  If name <> \"\" Then\n"
                         "    Inet.Execute , \"GET \" & name & \" \" & GetInboundPath() & name\n"
                         "    WaitForResponse\n"
                         "    Exchange.LocaleFile = GetInboundPath() & name\n"
                         "    LoadInBox Exchange.LocaleFile\n"
                         "  End If\n"
                         "Next\n"_s;
    EXPECT_TRUE(communications::RunReceiveScript(page)) << exchangeLog().join(u" | "_s).toStdString();
    EXPECT_GT(count(u"Inbox"_s), 0) << communications::CommunicationsState::instance().session().toStdString()
                                    << column(u"SELECT Description FROM History"_s, u"Description"_s).join(u" | "_s).toStdString()
                                    << QDir(dir("inbound")).entryList(QDir::Files).join(u","_s).toStdString();
    EXPECT_EQ(ownEntries(), (QStringList{u"Info: Running receive script"_s, u"Info: Receive script execution complete"_s}));
}

TEST_F(NetworkRunTest, AnHttpPostAndAZippedReceive)
{
    QString error;
    corvantis::test::HttpServer http;
    QDir().mkpath(dir("server") + u"/files"_s);
    // The partner's interchange, zipped, waits on the server.
    const QString plain = corvantis::test::tempDir() + u"/in.IC"_s;
    QFile::copy(fixture("loader", "multi.IC"), plain);
    zipfile::Zipper zipper;
    ASSERT_EQ(zipper.zipFile(plain), 0) << zipper.lastMessage().toStdString();
    QFile::copy(zipper.archivePath(), dir("server") + u"/files/in.zip"_s);
    ASSERT_TRUE(http.start(dir("server"), &error)) << error.toStdString();

    communications::NetworkPage page;
    page.name = u"Loopback HTTP"_s;
    page.url = http.baseUrl();
    page.protocol = u"HTTP"_s;
    page.protocolIndex = 4;
    page.remotePort = QString::number(http.port());
    page.timeout = u"10"_s;
    page.accessType = 1;
    page.receiveScript = u"Exchange.LocaleFile = GetInboundPath() & \"in.zip\"\n"
                         "SaveChunk Exchange.URL & \"/files/in.zip\", Exchange.LocaleFile\n"
                         "UnZip \"\"\n"
                         "LoadInBox GetInboundPath() & \"in.IC\"\n"_s;
    EXPECT_TRUE(communications::RunReceiveScript(page)) << exchangeLog().join(u" | "_s).toStdString();
    EXPECT_GT(count(u"Inbox"_s), 0);

    loadOutbox();
    page.sendScript = u"data = GetOutboundEDI()\n"
                      "Inet.Execute Exchange.URL & \"/upload/out.OC\", \"POST\", data, \"Content-Type: application/EDI-X12\"\n"
                      "WaitForResponse\n"_s;
    EXPECT_TRUE(communications::RunSendScript(page)) << exchangeLog().join(u" | "_s).toStdString();
    EXPECT_EQ(bytesOf(dir("server") + u"/uploads/out.OC"_s), bytesOf(fixture("sendfile", "acme.OC")));
    EXPECT_EQ(count(u"Outbox"_s), 0);
    EXPECT_EQ(count(u"Sent"_s), 2);

    // A stalled download ends by the time-out and is recorded; the script goes on.
    page.timeout = u"2"_s;
    page.receiveScript = u"SaveChunk Exchange.URL & \"/stall\", GetInboundPath() & \"stall.txt\"\n"_s;
    EXPECT_TRUE(communications::RunReceiveScript(page));
    EXPECT_FALSE(QFile::exists(dir("inbound") + u"/stall.txt"_s));
    const QStringList own = ownEntries();
    ASSERT_GE(own.size(), 2);
    EXPECT_TRUE(own[own.size() - 2].startsWith(u"Error: "_s)) << own.join(u" | "_s).toStdString();
}

TEST_F(NetworkRunTest, ScriptErrorsAndBadPagesEndTheRunRecorded)
{
    loadOutbox();
    communications::NetworkPage page;
    page.name = u"Broken"_s;
    page.protocol = u"SFTP"_s; // no transfer control
    page.sendScript = u"CreateOutboundEDI\nx = 1 / 0\n"_s;
    modGlobal::cnDatabase->Execute(u"DELETE FROM History"_s);
    // Silent: five History entries and no box.
    EXPECT_FALSE(communications::RunSendScript(page));
    EXPECT_EQ(count(u"Outbox"_s), 2) << "a script error keeps the Outbox";
    EXPECT_EQ(ownEntries().mid(0, 2), (QStringList{u"Info: Running send script"_s, u"Error: Division by zero"_s}));
    EXPECT_EQ(QDir(dir("outbound")).entryList(QDir::Files), QStringList()) << "and leaves no send file";
    const QStringList history = column(u"SELECT Description FROM History ORDER BY [Index]"_s, u"Description"_s);
    ASSERT_EQ(history.size(), 5);
    EXPECT_EQ(history[0], u"Description: Division by zero"_s);
    EXPECT_EQ(history[2], u"Error Number: 11"_s);

    // Not silent: one "Script Error" box.
    modGlobal::blnSilentMode = false;
    dialogs().answer(vb::vbOK);
    page.receiveScript = u"Inet.Execute \"x\", \"DIR\"\n"_s; // no Inet on an SFTP page
    EXPECT_FALSE(communications::RunReceiveScript(page));
    ASSERT_EQ(dialogs().boxes().size(), 1u);
    EXPECT_EQ(dialogs().boxes()[0].caption, u"Script Error"_s);

    // A port that is no port fails before the script runs.
    modGlobal::cnDatabase->Execute(u"DELETE FROM Exchange"_s);
    page.protocol = u"FTP"_s;
    page.remotePort = u"70000"_s;
    page.receiveScript = u"LogSession \"never\"\n"_s;
    EXPECT_FALSE(communications::RunReceiveScript(page));
    const QStringList own = ownEntries();
    ASSERT_EQ(own.size(), 2);
    EXPECT_TRUE(own[1].contains(u"must be a number from 1 to 65535"_s)) << own[1].toStdString();
}

TEST_F(NetworkRunTest, AnFtpUploadTheScriptLeavesRunningDecidesTheMove)
{
    loadOutbox();
    startFtp();
    inet::InternetTransfer &control = communications::CommunicationsState::instance().inet();
    // No WaitForResponse: the script ends before the transfer has even connected.
    const QString script = u"CreateOutboundEDI\n"
                           "Inet.Execute Exchange.URL, \"PUT \"\"\" & Exchange.LocaleFile & \"\"\" x.OC\"\n"_s;

    // A user who may not write: the server refuses (550); nothing moves and
    // the send file is gone, so nothing can send its sets twice.
    communications::NetworkPage page = ftpPage(corvantis::test::FtpServer::kReadOnlyUser,
                                               corvantis::test::FtpServer::kReadOnlyPassword);
    page.sendScript = script;
    EXPECT_FALSE(communications::RunSendScript(page));
    EXPECT_FALSE(control.stillExecuting());
    EXPECT_EQ(count(u"Outbox"_s), 2);
    EXPECT_EQ(count(u"Sent"_s), 0);
    EXPECT_EQ(QDir(dir("outbound")).entryList(QDir::Files), QStringList());
    EXPECT_EQ(QDir(dir("sent")).entryList(QDir::Files), QStringList());
    EXPECT_FALSE(QFile::exists(dir("server") + u"/x.OC"_s));
    const QStringList own = ownEntries();
    ASSERT_EQ(own.size(), 3) << own.join(u" | "_s).toStdString();
    EXPECT_TRUE(own[1].startsWith(u"Error: The upload failed (PUT "_s) && own[1].contains(u"550"_s))
        << own[1].toStdString();
    EXPECT_TRUE(own[2].startsWith(u"Info: The send file "_s)) << own[2].toStdString();
    // The state event says where and why, as an error.
    const QString where = u"Error: An error has occurred while communicating with the remote server. (127.0.0.1 port "_s
        + QString::number(ftp.port()) + u": 550"_s;
    EXPECT_TRUE(exchangeLog().filter(where).size() == 1) << exchangeLog().join(u" | "_s).toStdString();

    // The control is free for the next run; a user who may write: the upload
    // the script leaves running is waited for and the rows move.
    modGlobal::cnDatabase->Execute(u"DELETE FROM Exchange"_s);
    page = ftpPage(corvantis::test::FtpServer::kFullUser, corvantis::test::FtpServer::kFullPassword);
    page.sendScript = script;
    EXPECT_TRUE(communications::RunSendScript(page)) << exchangeLog().join(u" | "_s).toStdString();
    EXPECT_FALSE(control.stillExecuting());
    EXPECT_EQ(bytesOf(dir("server") + u"/x.OC"_s), bytesOf(fixture("sendfile", "acme.OC")));
    EXPECT_EQ(count(u"Outbox"_s), 0);
    EXPECT_EQ(count(u"Sent"_s), 2);
    EXPECT_EQ(QDir(dir("outbound")).entryList(QDir::Files), QStringList());
    EXPECT_EQ(QDir(dir("sent")).entryList(QDir::Files).size(), 1);
    expectNoPasswordLogged(corvantis::test::FtpServer::kReadOnlyPassword);
}

TEST_F(NetworkRunTest, AnHttpPostWithoutAnAnswerOrCancelledMovesNothing)
{
    loadOutbox();
    QString error;
    corvantis::test::HttpServer http;
    ASSERT_TRUE(http.start(dir("server"), &error)) << error.toStdString();
    inet::InternetTransfer &control = communications::CommunicationsState::instance().inet();
    communications::NetworkPage page;
    page.name = u"Loopback HTTP"_s;
    page.url = http.baseUrl();
    page.protocol = u"HTTP"_s;
    page.protocolIndex = 4;
    page.remotePort = QString::number(http.port());
    page.timeout = u"2"_s; // the stall limit ends the wait
    page.accessType = 1;
    const QString post = u"data = GetOutboundEDI()\n"
                         "Inet.Execute Exchange.URL & \"/%1/out.OC\", \"POST\", data, \"Content-Type: application/EDI-X12\"\n"_s;
    struct Case {
        const char *name;
        QString script;
        int code;
    };
    const std::vector<Case> cases = {
        {"the server reads the body and never answers", post.arg(u"silent"_s), inet::ErrTimedOut},
        {"the script cancels its upload", post.arg(u"silent"_s) + u"Inet.Cancel\n"_s, inet::ErrCancelled},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        modGlobal::cnDatabase->Execute(u"DELETE FROM Exchange"_s);
        page.sendScript = c.script;
        EXPECT_FALSE(communications::RunSendScript(page));
        EXPECT_FALSE(control.stillExecuting());
        EXPECT_EQ(count(u"Outbox"_s), 2);
        EXPECT_EQ(count(u"Sent"_s), 0);
        EXPECT_EQ(QDir(dir("outbound")).entryList(QDir::Files), QStringList());
        const QStringList failed = ownEntries().filter(u"Error: The upload failed (POST "_s);
        ASSERT_EQ(failed.size(), 1) << ownEntries().join(u" | "_s).toStdString();
        EXPECT_TRUE(failed[0].contains(QString::number(c.code))) << failed[0].toStdString();
    }

    // A script that moves the rows itself while its upload is unanswered moves nothing either.
    page.sendScript = post.arg(u"silent"_s) + u"MoveOutToSent\n"_s;
    EXPECT_FALSE(communications::RunSendScript(page));
    EXPECT_EQ(count(u"Sent"_s), 0);

    // The next run finds the control free and sends.
    page.sendScript = post.arg(u"upload"_s);
    EXPECT_TRUE(communications::RunSendScript(page)) << exchangeLog().join(u" | "_s).toStdString();
    EXPECT_EQ(bytesOf(dir("server") + u"/uploads/out.OC"_s), bytesOf(fixture("sendfile", "acme.OC")));
    EXPECT_EQ(count(u"Outbox"_s), 0);
    EXPECT_EQ(count(u"Sent"_s), 2);
}

TEST_F(NetworkRunTest, PagesAndScriptsThatLoadNothingSayWhy)
{
    communications::NetworkPage page;
    page.name = u"Loopback FTP"_s;
    page.timeout = u"5"_s;
    page.accessType = 1;
    // An empty port box is the protocol's default port, not a failure; a
    // transfer that cannot connect names host and port.
    page.remotePort = u"     "_s;
    const int closed = corvantis::test::closedLoopbackPort();
    page.receiveScript = u"Inet.Execute \"ftp://127.0.0.1:"_s + QString::number(closed)
        + u"/\", \"DIR\"\n"
          "WaitForResponse\n"
          "LoadInBox \"in.IC\"\n"_s;
    EXPECT_TRUE(communications::RunReceiveScript(page)) << exchangeLog().join(u" | "_s).toStdString();
    const QStringList errors = exchangeLog().filter(u"Error: "_s);
    ASSERT_EQ(errors.size(), 2) << exchangeLog().join(u" | "_s).toStdString();
    EXPECT_TRUE(errors[0].startsWith(u"Error: An error has occurred while communicating with the remote server. "
                                     "(127.0.0.1 port "_s
                                     + QString::number(closed) + u": Unable to connect to the remote host"_s))
        << errors[0].toStdString();
    EXPECT_EQ(errors[1], u"Error: LoadInBox: LocaleFile is empty, nothing loaded"_s);

    // A value the control refuses names the property.
    modGlobal::cnDatabase->Execute(u"DELETE FROM Exchange"_s);
    page.accessType = -1;
    EXPECT_FALSE(communications::RunReceiveScript(page));
    const QStringList own = ownEntries();
    ASSERT_EQ(own.size(), 2);
    EXPECT_TRUE(own[1].startsWith(u"Error: Invalid property value"_s) && own[1].contains(u"Inet.AccessType"_s))
        << own[1].toStdString();
}

TEST_F(NetworkRunTest, UnZipRefusesAnArchiveBeyondTheLimitTheSettingsGive)
{
    // 2 MiB that pack poorly, zipped: within the default limits.
    const QString plain = corvantis::test::tempDir() + u"/big.IC"_s;
    {
        QFile file(plain);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        QByteArray bytes(2 << 20, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = char((i * 7919) >> 3);
        file.write(bytes);
    }
    zipfile::Zipper zipper;
    ASSERT_EQ(zipper.zipFile(plain), 0) << zipper.lastMessage().toStdString();
    communications::NetworkPage page;
    page.name = u"Zip"_s;
    page.protocol = u"SFTP"_s;
    page.receiveScript = u"Exchange.LocaleFile = \""_s + zipper.archivePath() + u"\"\nUnZip \"\"\n"_s;

    vb::SaveSetting(u"Corvantis"_s, u"Exchange"_s, u"UnzipLimitMB"_s, u"1"_s);
    EXPECT_TRUE(communications::RunReceiveScript(page));
    const QStringList errors = exchangeLog().filter(u"Error: "_s);
    ASSERT_EQ(errors.size(), 1) << exchangeLog().join(u" | "_s).toStdString();
    EXPECT_TRUE(errors[0].contains(u"\"big.IC\""_s) && errors[0].contains(u"nothing was extracted"_s))
        << errors[0].toStdString();
    EXPECT_EQ(QDir(dir("inbound")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());

    vb::SaveSetting(u"Corvantis"_s, u"Exchange"_s, u"UnzipLimitMB"_s, u"3"_s);
    modGlobal::cnDatabase->Execute(u"DELETE FROM Exchange"_s);
    EXPECT_TRUE(communications::RunReceiveScript(page));
    EXPECT_EQ(exchangeLog().filter(u"Error: "_s), QStringList());
    EXPECT_EQ(bytesOf(dir("inbound") + u"/big.IC"_s), bytesOf(plain));

    // The whole archive's limits come from the settings too: a margin of free
    // space no disk has, then the default again.
    QFile::remove(dir("inbound") + u"/big.IC"_s);
    vb::SaveSetting(u"Corvantis"_s, u"Exchange"_s, u"UnzipFreeSpaceMB"_s, u"1000000000000"_s);
    modGlobal::cnDatabase->Execute(u"DELETE FROM Exchange"_s);
    EXPECT_TRUE(communications::RunReceiveScript(page));
    const QStringList refused = exchangeLog().filter(u"Error: "_s);
    ASSERT_EQ(refused.size(), 1) << exchangeLog().join(u" | "_s).toStdString();
    EXPECT_TRUE(refused[0].contains(u"leave less than the margin of 1048576000000000000 bytes free"_s))
        << refused[0].toStdString();
    EXPECT_EQ(QDir(dir("inbound")).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    vb::SaveSetting(u"Corvantis"_s, u"Exchange"_s, u"UnzipFreeSpaceMB"_s, u"none"_s);
    modGlobal::cnDatabase->Execute(u"DELETE FROM Exchange"_s);
    EXPECT_TRUE(communications::RunReceiveScript(page));
    EXPECT_EQ(exchangeLog().filter(u"Error: "_s), QStringList());
    EXPECT_EQ(bytesOf(dir("inbound") + u"/big.IC"_s), bytesOf(plain));
}

// SendAS2 writes the send file to sign it, and a script that then asks for
// the file's text writes it again: the run moves one to Sent and leaves no
// copy of its own in the Outbound folder, where a script that sends the
// folder's files would send it twice.
TEST_F(NetworkRunTest, ASendFileWrittenTwiceLeavesNoCopyBehind)
{
    loadOutbox();
    startFtp();
    communications::CommunicationsState &st = communications::CommunicationsState::instance();
    // As the window's SendAS2 does before it signs: the send file's text.
    st.sendAS2 = [&st](int16_t) {
        communications::GetOutboundEDI(st.exchange());
        return vb::Variant(u"signature"_s);
    };
    struct Restore {
        ~Restore() { communications::CommunicationsState::instance().sendAS2 = nullptr; }
    } restore;
    communications::NetworkPage page = ftpPage(corvantis::test::FtpServer::kFullUser,
                                               corvantis::test::FtpServer::kFullPassword);
    page.sendScript = u"signature = SendAS2(0)\n"
                      "text = GetOutboundEDI\n"
                      "Inet.Execute Exchange.URL, \"PUT \"\"\" & Exchange.LocaleFile & \"\"\" sent.OC\"\n"
                      "WaitForResponse\n"_s;
    EXPECT_TRUE(communications::RunSendScript(page));
    EXPECT_EQ(bytesOf(dir("server") + u"/sent.OC"_s), bytesOf(fixture("sendfile", "acme.OC")));
    EXPECT_EQ(count(u"Outbox"_s), 0);
    EXPECT_EQ(count(u"Sent"_s), 2);
    EXPECT_EQ(QDir(dir("outbound")).entryList(QDir::Files | QDir::Hidden), QStringList());
    const QStringList inSent = QDir(dir("sent")).entryList(QDir::Files);
    ASSERT_EQ(inSent.size(), 1);
    EXPECT_EQ(bytesOf(dir("sent") + u'/' + inSent[0]), bytesOf(fixture("sendfile", "acme.OC")));
    const QStringList own = ownEntries();
    ASSERT_EQ(own.size(), 3) << own.join(u" | "_s).toStdString();
    EXPECT_EQ(own[1], u"Info: Send script execution complete"_s);
    EXPECT_TRUE(own[2].startsWith(u"Info: The send file "_s + dir("outbound") + u'/')) << own[2].toStdString();
    EXPECT_TRUE(own[2].endsWith(u" was removed; the sets the run sent are in Sent, any other stays in the Outbox"_s))
        << own[2].toStdString();
}

// The transfer's state goes to the session and the Exchange log; an error
// there is reported, never thrown on into the event loop.
TEST_F(NetworkRunTest, AnErrorWhileAStateIsLoggedIsReportedNotThrown)
{
    communications::CommunicationsState &st = communications::CommunicationsState::instance();
    QObject context;
    int calls = 0;
    QObject::connect(&st, &communications::CommunicationsState::sessionChanged, &context, [&] {
        if (++calls == 1)
            vb::raise(5, u"The session view failed"_s);
    });
    dialogs().answer(vb::vbOK);
    EXPECT_NO_THROW(emit st.inet().StateChanged(short(3)));
    EXPECT_EQ(calls, 1);
    ASSERT_EQ(dialogs().boxes().size(), 1u);
    EXPECT_EQ(dialogs().boxes()[0].text, u"The session view failed"_s);
    EXPECT_EQ(column(u"SELECT Type || ': ' || Description AS Entry FROM History"_s, u"Entry"_s).last(),
              u"Error: 5 The session view failed"_s);
    // The next state is logged as ever.
    emit st.inet().StateChanged(short(4));
    EXPECT_EQ(exchangeLog().last(), u"Info: Connected to the remote server."_s);
}

TEST(ExchangeTexts, StateSentences)
{
    EXPECT_EQ(communications::StateText(0), u"No state information is available."_s);
    EXPECT_EQ(communications::StateText(8), u"The response was received successfully from the remote server."_s);
    EXPECT_EQ(communications::StateText(11), u"An error has occurred while communicating with the remote server."_s);
    EXPECT_EQ(communications::StateText(12), u"The request was completed, all data has been received."_s);
    EXPECT_EQ(communications::StateText(13), u"Unknown state: 13"_s);
}

} // namespace
