// The send file over a table of Outbox contents (the loader fills the Outbox
// from fixture interchanges; the send file must give them back byte for
// byte), and the move of exactly the sent rows and file to Sent.
#include "communications/SendFile.h"
#include "communications/clsExchange.h"

#include "CoreTestSupport.h"
#include "SyncLog.h"
#include "TestEnvironment.h"

#include "core/loader/InterchangeLoader.h"
#include "vb/Clock.h"
#include "vb/Settings.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {

using coretest::bytesOf;

QString fixture(const char *name)
{
    return QStringLiteral(CORVANTIS_FIXTURES "/sendfile/") + QString::fromLatin1(name);
}

class SendFileTest : public coretest::CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        outbound = corvantis::test::tempDir() + u"/outbound"_s;
        sent = corvantis::test::tempDir() + u"/sent"_s;
        QDir().mkpath(outbound);
        QDir().mkpath(sent);
        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Outbound"_s, outbound);
        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Sent"_s, sent);
        communications::beginSendRun();
    }
    void load(const char *name)
    {
        // Loaded from a copy: the loader's files are not the send files.
        const QString copy = corvantis::test::tempDir() + u'/' + QString::fromLatin1(name);
        QFile::remove(copy);
        ASSERT_TRUE(QFile::copy(fixture(name), copy));
        ASSERT_EQ(core::InterchangeLoader().LoadBox(copy, u"O"_s), QString()) << name;
    }
    QStringList exchangeErrors()
    {
        return column(u"SELECT Description FROM Exchange WHERE Type = 'Error' ORDER BY [Index]"_s, u"Description"_s);
    }
    QString outbound, sent;
};

TEST_F(SendFileTest, TheSendFileGivesBackWhatWasLoaded)
{
    struct Case {
        const char *name;
        std::vector<const char *> files;
    };
    const std::vector<Case> cases = {
        {"one partner", {"acme.OC"}},
        {"two partners, each with its own delimiters", {"acme.OC", "globex.OC"}},
        {"two groups in one interchange, two identifiers in one group", {"two_groups.OC"}},
    };
    for (const Case &c : cases) {
        modGlobal::cnDatabase->Execute(u"DELETE FROM Outbox"_s);
        QByteArray expected;
        for (const char *file : c.files) {
            load(file);
            expected += bytesOf(fixture(file));
        }
        const communications::SendFile file = communications::writeSendFile();
        EXPECT_EQ(bytesOf(file.path), expected) << c.name;
        EXPECT_EQ(long(file.rowids.size()), count(u"Outbox"_s)) << c.name;
        EXPECT_TRUE(QFileInfo(file.path).fileName().endsWith(u"-PM.OC"_s)) << file.path.toStdString();
    }
    EXPECT_TRUE(exchangeErrors().isEmpty());
}

TEST_F(SendFileTest, AnOutboxWithoutItsPartnerOrEnvelopeWritesNoFile)
{
    struct Case {
        const char *name;
        const char *damage;
    };
    const Case cases[] = {
        {"partner row missing", "DELETE FROM Partner"},
        {"ISA row missing", "DELETE FROM ISA"},
        {"GE row missing", "DELETE FROM GE"},
        {"empty Outbox", "DELETE FROM Outbox"},
    };
    for (const Case &c : cases) {
        modGlobal::cnDatabase->Execute(u"DELETE FROM Exchange"_s);
        load("acme.OC");
        modGlobal::cnDatabase->Execute(QString::fromLatin1(c.damage));
        EXPECT_EQ(communications::WriteOutBoxToFile(), QString()) << c.name;
        EXPECT_EQ(exchangeErrors().size(), 1) << c.name;
        EXPECT_TRUE(QDir(outbound).entryList(QDir::Files).isEmpty()) << c.name;
        // Put the database back for the next case.
        database.emplace();
        modGlobal::cnDatabase = database->connectionPtr();
    }
}

TEST_F(SendFileTest, TwoSendFilesInOneSecondGetTwoNames)
{
    load("acme.OC");
    const QString first = communications::writeSendFile().path;
    const QString second = communications::writeSendFile().path;
    EXPECT_NE(first, second);
    EXPECT_EQ(bytesOf(first), bytesOf(second));
    EXPECT_EQ(QDir(outbound).entryList(QDir::Files).size(), 2);
}

TEST_F(SendFileTest, TheMoveTakesExactlyTheSentRowsAndTheFile)
{
    load("acme.OC");
    communications::clsExchange exchange;
    communications::CreateOutboundEDI(exchange);
    ASSERT_TRUE(QFileInfo(exchange.LocaleFile).isFile()) << exchange.LocaleFile.toStdString();
    const QString sendName = QFileInfo(exchange.LocaleFile).fileName();

    // A load during the run's yields: its rows were not sent and stay.
    load("globex.OC");
    const long waiting = count(u"Outbox"_s);
    EXPECT_TRUE(communications::MoveOutToSent(exchange));
    EXPECT_EQ(column(u"SELECT Partner FROM Outbox"_s, u"Partner"_s).size(), waiting - 2);
    EXPECT_EQ(count(u"Sent"_s), 2);
    // Every column travels, the direction included.
    const auto moved = rows(u"SELECT * FROM Sent"_s);
    EXPECT_EQ(moved.at(0).at(u"Direction"_s), u"O"_s);
    EXPECT_TRUE(moved.at(0).at(u"TSet"_s).startsWith(u"ST*830*000000007"_s));
    EXPECT_EQ(refreshed, (QStringList{u"Outbox"_s, u"Sent"_s}));
    // The file is in Sent under an upper-case name; the folder's letters are kept.
    EXPECT_FALSE(QFile::exists(outbound + u'/' + sendName));
    const QStringList inSent = QDir(sent).entryList(QDir::Files);
    ASSERT_EQ(inSent.size(), 1);
    EXPECT_EQ(inSent[0], inSent[0].toUpper());
    EXPECT_EQ(bytesOf(sent + u'/' + inSent[0]), bytesOf(fixture("acme.OC")));
    EXPECT_TRUE(exchangeErrors().isEmpty());
}

TEST_F(SendFileTest, ARowDeletedAndANewRowUnderItsIdStayOutOfSent)
{
    load("acme.OC");
    communications::clsExchange exchange;
    communications::CreateOutboundEDI(exchange);
    ASSERT_TRUE(QFileInfo(exchange.LocaleFile).isFile());
    const QStringList written = column(u"SELECT rowid AS Id FROM Outbox ORDER BY rowid"_s, u"Id"_s);
    ASSERT_EQ(written.size(), 2);

    // Between writing and moving: the file's last set is deleted and another
    // set is stored, which SQLite gives the freed id.
    modGlobal::cnDatabase->Execute(u"DELETE FROM Outbox WHERE rowid = "_s + written[1]);
    modGlobal::cnDatabase->Execute(
        u"INSERT INTO Outbox (Partner, [Transaction], Version, InterchangeControlNumber, GroupControlNumber, "
        "Direction, Status, TSet) SELECT Partner, [Transaction], Version, InterchangeControlNumber, "
        "GroupControlNumber, Direction, Status, 'ST*830*000000099~SE*2*000000099~' FROM Outbox WHERE rowid = "_s
        + written[0]);
    ASSERT_EQ(column(u"SELECT rowid AS Id FROM Outbox ORDER BY rowid"_s, u"Id"_s), written)
        << "the new row must take the freed id for this test to mean anything";

    EXPECT_TRUE(communications::MoveOutToSent(exchange));
    EXPECT_EQ(column(u"SELECT TSet FROM Outbox"_s, u"TSet"_s), QStringList{u"ST*830*000000099~SE*2*000000099~"_s})
        << "the set stored after the file was written was never sent";
    const QStringList inSent = column(u"SELECT TSet FROM Sent"_s, u"TSet"_s);
    ASSERT_EQ(inSent.size(), 1);
    EXPECT_TRUE(inSent[0].startsWith(u"ST*830*000000007"_s)) << inSent[0].toStdString();
    EXPECT_TRUE(communications::sendRunMovedRows());
}

TEST_F(SendFileTest, NothingMovesWithoutASendFile)
{
    load("acme.OC");
    communications::clsExchange exchange;
    // No send file written in this run.
    EXPECT_FALSE(communications::MoveOutToSent(exchange));
    EXPECT_EQ(count(u"Sent"_s), 0);
    ASSERT_EQ(exchangeErrors().size(), 1);

    // The send file vanished before the move: no row moves.
    communications::CreateOutboundEDI(exchange);
    QFile::remove(exchange.LocaleFile);
    communications::MoveOutToSent(exchange);
    EXPECT_EQ(count(u"Sent"_s), 0);
    EXPECT_EQ(count(u"Outbox"_s), 2);
    EXPECT_EQ(exchangeErrors().size(), 2);

    // An empty Outbox: False and nothing recorded.
    modGlobal::cnDatabase->Execute(u"DELETE FROM Outbox"_s);
    EXPECT_FALSE(communications::MoveOutToSent(exchange));
    EXPECT_EQ(exchangeErrors().size(), 2);
}

TEST_F(SendFileTest, AFileThatCannotBeMovedLeavesTheRowsMovedAndIsRecorded)
{
    load("acme.OC");
    communications::clsExchange exchange;
    communications::CreateOutboundEDI(exchange);
    // The Sent folder cannot be made: a file stands in its place.
    QDir(sent).removeRecursively();
    QFile blocker(sent);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_TRUE(communications::MoveOutToSent(exchange));
    EXPECT_EQ(count(u"Sent"_s), 2);
    EXPECT_EQ(count(u"Outbox"_s), 0);
    EXPECT_TRUE(QFile::exists(exchange.LocaleFile)) << "the send file stays in Outbound";
    ASSERT_EQ(exchangeErrors().size(), 1);
    EXPECT_TRUE(exchangeErrors()[0].contains(u"the sets are in Sent"_s)) << exchangeErrors()[0].toStdString();
}

// After a power cut the sets are never back in the Outbox while their file
// is in Sent: the move's commit is on the disk before the file moves.
TEST_F(SendFileTest, TheMoveIsOnTheDiskBeforeTheFileMoves)
{
    load("acme.OC");
    communications::clsExchange exchange;
    communications::CreateOutboundEDI(exchange);
    const QString sendFile = exchange.LocaleFile;
    QStringList syncs;
    corvantis::test::SyncLog log([&](const QString &file) {
        if (file.endsWith(u"-wal"_s))
            syncs << (QFile::exists(sendFile) ? u"file in Outbound"_s : u"file moved"_s)
                    + u", "_s + QString::number(QDir(sent).entryList(QDir::Files).size()) + u" in Sent"_s;
    });
    // Watched from its next opening on.
    modGlobal::cnDatabase->Close();
    modGlobal::cnDatabase->Open(modGlobal::cnDatabase->ConnectionString());
    // The log begun: its first header may be synced whatever the level.
    modGlobal::LogHistory(u"Info"_s, u"before the move"_s);
    syncs.clear();

    EXPECT_TRUE(communications::MoveOutToSent(exchange));
    ASSERT_FALSE(syncs.isEmpty()) << "the move's commit was not synced";
    for (const QString &at : std::as_const(syncs))
        EXPECT_EQ(at, u"file in Outbound, 0 in Sent"_s);
    EXPECT_EQ(count(u"Sent"_s), 2);
    EXPECT_EQ(QDir(sent).entryList(QDir::Files).size(), 1);
    EXPECT_EQ(modGlobal::cnDatabase->synchronous(), 1) << "everyday commits again after the move";
}

// A row whose value went from empty text to Null (or back) since the file
// was written is another row: it stays in the Outbox.
TEST_F(SendFileTest, ANullAndAnEmptyTextAreDifferentValues)
{
    struct Case {
        const char *name;
        const char *before, *after;
    };
    const std::vector<Case> cases = {
        {"empty text, then Null", "''", "NULL"},
        {"Null, then empty text", "NULL", "''"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        modGlobal::cnDatabase->Execute(u"DELETE FROM Outbox"_s);
        modGlobal::cnDatabase->Execute(u"DELETE FROM Sent"_s);
        communications::beginSendRun();
        load("acme.OC");
        const QString first = column(u"SELECT min(rowid) AS Id FROM Outbox"_s, u"Id"_s).at(0);
        modGlobal::cnDatabase->Execute(u"UPDATE Outbox SET Used = "_s + QString::fromLatin1(c.before));
        communications::clsExchange exchange;
        communications::CreateOutboundEDI(exchange);
        modGlobal::cnDatabase->Execute(u"UPDATE Outbox SET Used = "_s + QString::fromLatin1(c.after)
                                       + u" WHERE rowid = "_s + first);
        EXPECT_TRUE(communications::MoveOutToSent(exchange));
        EXPECT_EQ(column(u"SELECT rowid AS Id FROM Outbox"_s, u"Id"_s), QStringList{first});
        EXPECT_EQ(count(u"Sent"_s), 1);
    }
}

} // namespace
