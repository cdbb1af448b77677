// The partner's 8-bit text on the way out: the send file gives back the bytes
// 0x80-0x9F that were loaded (or that an earlier version stored as U+0080-
// U+009F), and a network script's text files keep every byte.
#include "communications/NetworkRun.h"
#include "communications/SendFile.h"

#include "CoreTestSupport.h"
#include "TestEnvironment.h"

#include "core/loader/InterchangeLoader.h"
#include "vb/Settings.h"
#include "vb/VbError.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace {

using coretest::bytesOf;

QString fixture(const char *name)
{
    return QStringLiteral(CORVANTIS_FIXTURES "/sendfile/") + QString::fromLatin1(name);
}

// NW“4711” € as a partner's Windows tool writes it, then all of 0x80-0x9F.
QByteArray partnerBytes()
{
    QByteArray bytes = QByteArray::fromHex("4E5793343731319420" "80");
    for (int b = 0x80; b < 0xA0; ++b)
        bytes += char(b);
    return bytes;
}

class OutgoingCodePage : public coretest::CoreTest {
protected:
    void SetUp() override
    {
        CoreTest::SetUp();
        outbound = corvantis::test::tempDir() + u"/outbound"_s;
        QDir().mkpath(outbound);
        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Outbound"_s, outbound);
        vb::SaveSetting(u"Corvantis"_s, u"Folders"_s, u"Sent"_s, corvantis::test::tempDir());
        communications::beginSendRun();
        modGlobal::blnSilentMode = true;
    }
    void TearDown() override
    {
        modGlobal::blnSilentMode = false;
        CoreTest::TearDown();
    }
    void load(const char *name)
    {
        const QString copy = corvantis::test::tempDir() + u'/' + QString::fromLatin1(name);
        ASSERT_TRUE(QFile::copy(fixture(name), copy));
        ASSERT_EQ(core::InterchangeLoader().LoadBox(copy, u"O"_s), QString()) << name;
    }
    QString outbound;
};

TEST_F(OutgoingCodePage, TheSendFileGivesBackTheLoadedBytes)
{
    load("windows_1252.OC");
    const communications::SendFile file = communications::writeSendFile();
    EXPECT_EQ(bytesOf(file.path), bytesOf(fixture("windows_1252.OC")));
}

// Rows stored by the earlier loader hold U+0080-U+009F for the bytes.
TEST_F(OutgoingCodePage, ARowOfTheEarlierLoaderIsSentAsItsBytes)
{
    load("acme.OC");
    modGlobal::cnDatabase->Execute(u"UPDATE Outbox SET TSet = replace(TSet, 'RELEASE 1', 'NW' || char(147) || "
                                   "'4711' || char(148) || ' ' || char(128))"_s);
    const communications::SendFile file = communications::writeSendFile();
    EXPECT_EQ(bytesOf(file.path), bytesOf(fixture("acme.OC")).replace("RELEASE 1", "NW\x93" "4711\x94 \x80"));
}

TEST_F(OutgoingCodePage, ACharacterWithoutAByteNamesItsRowAndWritesNoFile)
{
    load("acme.OC");
    const QString rowid = column(u"SELECT min(rowid) AS id FROM Outbox"_s, u"id"_s).value(0);
    modGlobal::cnDatabase->Execute(u"UPDATE Outbox SET TSet = replace(TSet, 'RELEASE', 'RE' || char(20013)) "
                                   "WHERE rowid = "_s + rowid);
    try {
        communications::writeSendFile();
        ADD_FAILURE() << "U+4E2D has no byte";
    } catch (const vb::VbError &error) {
        EXPECT_EQ(error.number, 5);
        EXPECT_EQ(error.description, u"Invalid procedure call or argument: Outbox row "_s + rowid
                                         + u", field TSet: the character U+4E2D is not in the Windows code page "
                                           "1252; the send file was not written"_s);
    }
    EXPECT_TRUE(QDir(outbound).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

// A send script reads a partner's file and writes it out again through the
// file system object, adding a curly quote by its code and by its character.
TEST_F(OutgoingCodePage, ANetworkScriptsTextFilesKeepEveryByte)
{
    const QString in = corvantis::test::tempDir() + u"/in.txt"_s;
    const QString out = corvantis::test::tempDir() + u"/out.txt"_s;
    const QString refused = corvantis::test::tempDir() + u"/refused.txt"_s;
    QFile file(in);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(partnerBytes() + "\r\nsecond line");
    file.close();

    communications::NetworkPage page;
    page.name = u"Script files"_s;
    page.url = u"http://127.0.0.1:9/"_s;
    page.timeout = u"10"_s;
    page.sendScript = u"Set fso = CreateObject(\"Scripting.FileSystemObject\")\n"
                      "Set f = fso.OpenTextFile(\""_s + in + u"\", 1)\n"
                      "first = f.ReadLine\n"
                      "rest = f.ReadAll\n"
                      "f.Close\n"
                      "Set o = fso.CreateTextFile(\""_s + out + u"\", True)\n"
                      "o.WriteLine first\n"
                      "o.Write rest & Chr(147) & ChrW(&H201D)\n"
                      "o.Close\n"
                      "LogSession Asc(Mid(first, 3, 1)) & \" \" & AscW(Mid(first, 3, 1))\n"
                      "Set r = fso.CreateTextFile(\""_s + refused + u"\", True)\n"
                      "r.Write \"kept\"\n"
                      "On Error Resume Next\n"
                      "r.Write \"NW\" & ChrW(&H4E2D)\n"
                      "LogSession Err.Number & \" \" & Err.Description\n"
                      "On Error GoTo 0\n"
                      "r.Close\n"_s;
    communications::RunSendScript(page);
    EXPECT_EQ(bytesOf(out), partnerBytes() + "\r\nsecond line\x93\x94");
    EXPECT_TRUE(communications::CommunicationsState::instance().session().contains(u"147 8220"_s))
        << communications::CommunicationsState::instance().session().toStdString();
    EXPECT_EQ(bytesOf(refused), "kept") << "nothing of the refused text is written";
    EXPECT_TRUE(communications::CommunicationsState::instance().session().contains(
        u"5 Invalid procedure call or argument: "_s + refused
        + u": the character U+4E2D is not in the Windows code page 1252 (position 3)"_s))
        << communications::CommunicationsState::instance().session().toStdString();
}

} // namespace
