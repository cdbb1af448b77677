#include "InetTestSupport.h"
#include "SmallFileSystem.h"

using namespace inettest;
using corvantis::test::FtpServer;
using corvantis::test::tempDir;

namespace {

class Ftp : public ::testing::Test {
protected:
    void SetUp() override
    {
        home = tempDir() + "/ftphome";
        ASSERT_TRUE(QDir().mkpath(home));
        writeBytes(home + "/inbound.edi", "ISA*00*inbound~IEA*1*000000001~");
        QString error;
        ASSERT_TRUE(server.start(home, &error)) << error.toStdString();
        base = QString("ftp://127.0.0.1:%1/").arg(server.port());
    }
    void login(Recorder &r, const char *user, const char *password)
    {
        r.inet->setUserName(user);
        r.inet->setPassword(password);
        r.inet->setRequestTimeout(10);
    }

    QString home;
    QString base;
    FtpServer server;
};

const std::vector<int> kFreshConnection = {1, 2, 3, 4, 5, 6, 7, 8, 12};
const std::vector<int> kReusedConnection = {5, 6, 7, 8, 12};

} // namespace

TEST_F(Ftp, EveryOperationOnOneReusedConnection)
{
    Recorder r;
    login(r, FtpServer::kFullUser, FtpServer::kFullPassword);
    const QByteArray payload = pattern(300000);
    writeBytes(tempDir() + "/local/out.edi", payload);
    writeBytes(tempDir() + "/local/second.edi", "second file");

    EXPECT_EQ(r.run(base, "PWD"), kFreshConnection);
    EXPECT_EQ(r.readAll(), "/");
    EXPECT_EQ(r.inet->remoteDirectory(), "/");
    EXPECT_EQ(r.run("", "MKDIR outbox"), kReusedConnection);
    EXPECT_TRUE(QFileInfo(home + "/outbox").isDir());
    EXPECT_EQ(r.run("", "CD outbox"), kReusedConnection);
    EXPECT_EQ(r.inet->remoteDirectory(), "/outbox");

    // Uploads land in the directory the control stands in.
    EXPECT_EQ(r.run("", "PUT \"" + tempDir() + "/local/out.edi\" sent.edi"), kReusedConnection);
    EXPECT_EQ(fileBytes(home + "/outbox/sent.edi"), payload);
    EXPECT_TRUE(r.inet->lastUpload().succeeded);
    EXPECT_EQ(r.inet->lastUpload().operation, "PUT");
    r.run("", "SEND " + tempDir() + "/local/second.edi");
    EXPECT_EQ(fileBytes(home + "/outbox/second.edi"), "second file");
    EXPECT_EQ(r.inet->lastUpload().serial, 2u);

    r.run("", "SIZE sent.edi");
    EXPECT_EQ(r.readAll(), QByteArray::number(payload.size()));
    r.run("", "DIR");
    const QByteArray listing = r.readAll();
    EXPECT_TRUE(listing.contains("sent.edi") && listing.contains("second.edi") && listing.contains("300000")) << listing.toStdString();
    r.run("", "LS");
    QList<QByteArray> names = r.readAll().trimmed().split('\n');
    for (auto &n : names)
        n = n.trimmed();
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (QList<QByteArray>{"second.edi", "sent.edi"}));

    EXPECT_EQ(r.run("", "GET sent.edi " + tempDir() + "/local/back.edi"), kReusedConnection);
    EXPECT_EQ(fileBytes(tempDir() + "/local/back.edi"), payload);
    r.run("", "RECV second.edi " + tempDir() + "/local/back2.edi");
    EXPECT_EQ(fileBytes(tempDir() + "/local/back2.edi"), "second file");
    r.run("", "GET /inbound.edi"); // absolute name, no local file: the bytes come through GetChunk
    EXPECT_EQ(r.readAll(7), "ISA*00*inbound~IEA*1*000000001~");

    r.run("", "RENAME sent.edi renamed.edi");
    EXPECT_TRUE(QFileInfo::exists(home + "/outbox/renamed.edi"));
    EXPECT_FALSE(QFileInfo::exists(home + "/outbox/sent.edi"));
    r.run("", "DELETE renamed.edi");
    r.run("", "DELETE second.edi");
    EXPECT_FALSE(QFileInfo::exists(home + "/outbox/renamed.edi"));
    EXPECT_EQ(r.run("", "CDUP"), kReusedConnection);
    EXPECT_EQ(r.inet->remoteDirectory(), "/");
    r.run("", "RMDIR outbox");
    EXPECT_FALSE(QFileInfo::exists(home + "/outbox"));
    EXPECT_EQ(r.inet->responseCode(), 0);

    // Names with blanks go in double quotes.
    writeBytes(tempDir() + "/local/with blank.edi", "blank");
    r.run("", "MKDIR \"my folder\"");
    r.run("", "CD \"my folder\"");
    EXPECT_EQ(r.inet->remoteDirectory(), "/my folder");
    r.run("", "PUT \"" + tempDir() + "/local/with blank.edi\" \"sent file.edi\"");
    EXPECT_EQ(fileBytes(home + "/my folder/sent file.edi"), "blank");
    r.run("", "GET \"sent file.edi\"");
    EXPECT_EQ(r.readAll(), "blank");
    r.run("", "CD /");
    EXPECT_EQ(r.inet->remoteDirectory(), "/");

    EXPECT_EQ(r.run("", "QUIT"), (std::vector<int>{9, 10}));
    EXPECT_EQ(r.inet->remoteDirectory(), "");
    // A new operation opens a new connection.
    EXPECT_EQ(r.run("", "PWD"), kFreshConnection);
}

TEST_F(Ftp, ReadOnlyUserIsRefusedWith550ThroughStateElevenAndResponseInfo)
{
    Recorder r;
    login(r, FtpServer::kReadOnlyUser, FtpServer::kReadOnlyPassword);
    writeBytes(tempDir() + "/local/out.edi", "ISA*refused~");

    const auto states = r.run(base, "PUT " + tempDir() + "/local/out.edi out.edi");
    ASSERT_FALSE(states.empty());
    EXPECT_EQ(states.back(), inet::StateError);
    EXPECT_EQ(std::count(states.begin(), states.end(), 12), 0);
    EXPECT_EQ(r.inet->responseCode(), 550);
    EXPECT_TRUE(r.inet->responseInfo().startsWith("550")) << r.inet->responseInfo().toStdString();
    EXPECT_FALSE(QFileInfo::exists(home + "/out.edi"));
    const auto upload = r.inet->lastUpload();
    EXPECT_FALSE(upload.succeeded);
    EXPECT_EQ(upload.responseCode, 550);
    EXPECT_FALSE(upload.target.contains(FtpServer::kReadOnlyPassword));

    for (const QString &op : {QString("MKDIR x"), QString("DELETE inbound.edi"), QString("RENAME inbound.edi x.edi")}) {
        SCOPED_TRACE(op.toStdString());
        EXPECT_EQ(r.run("", op).back(), inet::StateError);
        EXPECT_EQ(r.inet->responseCode(), 550);
    }
    EXPECT_TRUE(QFileInfo::exists(home + "/inbound.edi"));
    // Reading is allowed, on the same session.
    EXPECT_EQ(r.run("", "GET inbound.edi").back(), inet::StateResponseCompleted);
    EXPECT_EQ(r.readAll(), "ISA*00*inbound~IEA*1*000000001~");
}

TEST_F(Ftp, FailuresNameNoPasswordAndKeepTheDirectory)
{
    Recorder r;
    login(r, FtpServer::kFullUser, "Wrong-Secret-Pw");
    EXPECT_EQ(r.run(base, "DIR").back(), inet::StateError);
    EXPECT_EQ(r.inet->responseCode(), 530);
    EXPECT_FALSE(r.inet->responseInfo().contains("Wrong-Secret-Pw"));
    EXPECT_FALSE(r.inet->responseInfo().isEmpty());

    login(r, FtpServer::kFullUser, FtpServer::kFullPassword);
    r.run("", "PWD");
    EXPECT_EQ(r.run("", "CD missing-folder").back(), inet::StateError);
    EXPECT_EQ(r.inet->responseCode(), 550);
    EXPECT_EQ(r.inet->remoteDirectory(), "/");
    // A GET that fails leaves no local file behind.
    EXPECT_EQ(r.run("", "GET absent.edi " + tempDir() + "/absent.edi").back(), inet::StateError);
    EXPECT_FALSE(QFileInfo::exists(tempDir() + "/absent.edi"));
    // Unknown operations and missing names are refused before anything starts.
    for (const QString &op : {QString("FETCH x"), QString("CD"), QString("RENAME one"), QString("PUT")}) {
        try {
            r.inet->execute(vb::Variant::missing(), vb::Variant(op), vb::Variant::missing(), vb::Variant::missing());
            ADD_FAILURE() << "accepted " << op.toStdString();
        } catch (const vb::VbError &e) {
            EXPECT_EQ(e.number, inet::ErrUnknownOperation) << op.toStdString();
        }
    }
    EXPECT_FALSE(r.inet->stillExecuting());
    // A local file that is not there: refused at once, and recorded as a failed upload.
    const quint64 serial = r.inet->lastUpload().serial;
    try {
        r.inet->execute(vb::Variant::missing(), vb::Variant("PUT " + tempDir() + "/no-such.edi"), vb::Variant::missing(),
                        vb::Variant::missing());
        ADD_FAILURE() << "missing local file accepted";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, inet::ErrLocalFile);
    }
    EXPECT_EQ(r.inet->lastUpload().serial, serial + 1);
    EXPECT_FALSE(r.inet->lastUpload().succeeded);
}

TEST_F(Ftp, SecondExecuteWhileRunningIsRefusedAndCancelFreesTheControl)
{
    Recorder r;
    login(r, FtpServer::kFullUser, FtpServer::kFullPassword);
    r.inet->execute(vb::Variant(base), vb::Variant("DIR"), vb::Variant::missing(), vb::Variant::missing());
    EXPECT_TRUE(r.inet->stillExecuting());
    try {
        r.inet->execute(vb::Variant::missing(), vb::Variant("PWD"), vb::Variant::missing(), vb::Variant::missing());
        ADD_FAILURE() << "second operation accepted";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, inet::ErrStillExecuting);
        EXPECT_EQ(e.description, "Still executing last request");
    }
    r.inet->cancel();
    EXPECT_FALSE(r.inet->stillExecuting());
    EXPECT_EQ(r.run("", "PWD").back(), inet::StateResponseCompleted);
    EXPECT_EQ(r.readAll(), "/");
}

// Set up as a network run does: protocol and port from the page, the address
// without a scheme from the script.
TEST_F(Ftp, BareAddressUsesTheProtocolAndPortOfThePage)
{
    Recorder r;
    login(r, FtpServer::kFullUser, FtpServer::kFullPassword);
    r.inet->setProtocol(inet::ProtocolFtp);
    r.inet->setRemotePort(vb::Variant(QString::number(server.port())));
    EXPECT_EQ(r.run("127.0.0.1", "LS").back(), inet::StateResponseCompleted) << r.inet->responseInfo().toStdString();
    EXPECT_EQ(r.readAll().trimmed(), "inbound.edi");
}

TEST_F(Ftp, SaveChunkFromFtpReplacesOnlyOnACompleteTransfer)
{
    Recorder r;
    login(r, FtpServer::kFullUser, FtpServer::kFullPassword);
    const QString target = tempDir() + "/in/fetched.edi";
    writeBytes(target, "earlier file");
    r.run(base, "MKDIR sub");
    r.run("", "CD sub"); // URLs still start at the login directory
    QString error;
    EXPECT_FALSE(r.inet->saveUrlToFile(base + "absent.edi", target, &error));
    EXPECT_TRUE(error.startsWith("550")) << error.toStdString();
    EXPECT_EQ(fileBytes(target), "earlier file");
    EXPECT_TRUE(r.inet->saveUrlToFile(base + "inbound.edi", target, &error)) << error.toStdString();
    EXPECT_EQ(fileBytes(target), "ISA*00*inbound~IEA*1*000000001~");
    EXPECT_EQ(QDir(tempDir() + "/in").entryList(QDir::Files | QDir::Hidden), QStringList{"fetched.edi"});
}

// A local file that cannot be written gives the system's cause, not the
// cancel that drops the partial file; the control knows where it went.
TEST_F(Ftp, ALocalWriteFailureSaysItsRealCause)
{
    writeBytes(home + "/big.edi", pattern(3 << 20));
    Recorder r;
    login(r, FtpServer::kFullUser, FtpServer::kFullPassword);
    const QString local = tempDir() + "/local/big.edi";
    QDir().mkpath(tempDir() + "/local");

    const auto states = [&] {
        corvantis::test::FileSizeLimit limit(1 << 20);
        return r.run(base, "GET big.edi " + local);
    }();

    ASSERT_FALSE(states.empty());
    EXPECT_EQ(states.back(), inet::StateError);
    EXPECT_EQ(r.inet->responseCode(), inet::ErrLocalFile);
    EXPECT_TRUE(r.inet->responseInfo().contains("File too large")) << r.inet->responseInfo().toStdString();
    EXPECT_FALSE(r.inet->responseInfo().contains("cancel", Qt::CaseInsensitive)) << r.inet->responseInfo().toStdString();
    EXPECT_FALSE(QFileInfo::exists(local));
    EXPECT_EQ(r.inet->lastHost(), "127.0.0.1");
    EXPECT_EQ(r.inet->lastPort(), server.port());
}
