// The envelope builders against golden segments at a fixed clock
// (the harness clock reads 10 Dec 2026 13:05:09).
#include "CoreTestSupport.h"

#include "TestEnvironment.h"

#include "vb/Dialogs.h"

using namespace modGlobal;
using namespace coretest;
using corvantis::test::dialogs;

namespace {

class EnvelopeTest : public CoreTest {
protected:
    QString stored(const QString &partner, const QString &column)
    {
        return this->column("SELECT * FROM Partner WHERE Partner = '" + partner + "'", column).value(0);
    }
};

} // namespace

TEST_F(EnvelopeTest, ISAFromThePartnerRow)
{
    addPartner("PARTNER1");
    EXPECT_EQ(BuildISA("PARTNER1"),
              "ISA*00*          *00*          *ZZ*OURID          *01*THEIRID        *261210*1305*U*00401*000000042*0*T*>~");
    EXPECT_EQ(stored("PARTNER1", "ISA13"), "42");
    // Same second, next number; the group counter is not touched.
    EXPECT_EQ(BuildISA("PARTNER1"),
              "ISA*00*          *00*          *ZZ*OURID          *01*THEIRID        *261210*1305*U*00401*000000043*0*T*>~");
    EXPECT_EQ(stored("PARTNER1", "GS06"), "7");

    corvantis::test::setClock(QDateTime(QDate(2027, 7, 3), QTime(9, 4, 5)));
    EXPECT_EQ(BuildISA("PARTNER1"),
              "ISA*00*          *00*          *ZZ*OURID          *01*THEIRID        *270703*0904*U*00401*000000044*0*T*>~");
    EXPECT_EQ(boxCount(), 0u);
}

TEST_F(EnvelopeTest, GSDateAndTimeFormsByVersion)
{
    struct Case {
        const char *version;
        const char *expected;
    };
    const Case cases[] = {
        {"002040", "GS*SH*OURAPP*THEIRAPP*261210*1305*000000008*X*002040~"},
        {"003020", "GS*SH*OURAPP*THEIRAPP*261210*1305*000000009*X*003020~"},
        {"004010", "GS*SH*OURAPP*THEIRAPP*20261210*130509*000000010*X*004010~"},
        {"004030", "GS*SH*OURAPP*THEIRAPP*20261210*130509*000000011*X*004030~"},
        {"005010", "GS*SH*OURAPP*THEIRAPP*20261210*130509*000000012*X*005010~"},
        {"006020", "GS*SH*OURAPP*THEIRAPP*20261210*130509*000000013*X*006020~"},
    };
    addPartner("PARTNER1");
    for (const Case &c : cases) {
        SCOPED_TRACE(c.version);
        EXPECT_EQ(BuildGS("PARTNER1", "SH", c.version), c.expected);
    }
    EXPECT_EQ(stored("PARTNER1", "GS06"), "13");
    EXPECT_EQ(stored("PARTNER1", "ISA13"), "41");

    corvantis::test::setClock(QDateTime(QDate(2027, 7, 3), QTime(9, 4, 5)));
    EXPECT_EQ(BuildGS("PARTNER1", "FA", "004010"), "GS*FA*OURAPP*THEIRAPP*20270703*090405*000000014*X*004010~");
    EXPECT_EQ(BuildGS("PARTNER1", "FA", "003020"), "GS*FA*OURAPP*THEIRAPP*270703*0904*000000015*X*003020~");
    EXPECT_EQ(boxCount(), 0u);
}

TEST_F(EnvelopeTest, TerminatorCodeZeroEndsWithCrLf)
{
    addPartner("CRLFPARTNER", 0, '|', ':');
    EXPECT_EQ(BuildISA("CRLFPARTNER"),
              "ISA|00|          |00|          |ZZ|OURID          |01|THEIRID        |261210|1305|U|00401|000000042|0|T|:\r\n");
    EXPECT_EQ(BuildGS("CRLFPARTNER", "PS", "004010"),
              "GS|PS|OURAPP|THEIRAPP|20261210|130509|000000008|X|004010\r\n");
}

TEST_F(EnvelopeTest, RegisteredPartnerStartsAtOneWithEachIdBesideItsQualifier)
{
    const QString key = RegisterPartner(
        "ISA*00*          *00*          *ZZ*THEIRID        *01*OURID          *260710*0904*U*00401*000000123*0*T*>",
        "GS*SH*THEIRAPP*OURAPP*20260710*0904*55*X*004010", "~", "*", ">", "I");
    ASSERT_EQ(key, "THEIRIDTHEIRAPPOURIDOURAPP");
    EXPECT_EQ(BuildISA(key),
              "ISA*00*          *00*          *01*OURID          *ZZ*THEIRID        *261210*1305*U*00401*000000001*0*T*>~");
    EXPECT_EQ(BuildGS(key, "FA", "004010"), "GS*FA*OURAPP*THEIRAPP*20261210*130509*000000001*X*004010~");
    EXPECT_EQ(stored(key, "ISA13"), "1");
    EXPECT_EQ(stored(key, "GS06"), "1");
    EXPECT_EQ(BuildISA(key).mid(90, 9), "000000002");
    EXPECT_EQ(boxCount(), 0u);
}

TEST_F(EnvelopeTest, CountersWrapAfterTheLastNumber)
{
    addPartner("PARTNER1");
    cnDatabase->Execute("UPDATE Partner SET ISA13 = 999999999, GS06 = 999999999");
    EXPECT_EQ(BuildISA("PARTNER1").section('*', 13, 13), "000000001");
    EXPECT_EQ(BuildGS("PARTNER1", "SH", "003020").section('*', 6, 6), "000000001");
    EXPECT_EQ(stored("PARTNER1", "ISA13"), "1");
    EXPECT_EQ(stored("PARTNER1", "GS06"), "1");
}

TEST_F(EnvelopeTest, UnknownPartnerGivesNothingWithoutReport)
{
    EXPECT_EQ(BuildISA("NOSUCH"), "");
    EXPECT_EQ(BuildGS("NOSUCH", "SH", "004010"), "");
    EXPECT_EQ(boxCount(), 0u);
    EXPECT_EQ(count("History"), 0);
}

TEST_F(EnvelopeTest, VersionWithoutDigitInThirdPlaceIsReportedAndCostsNoNumber)
{
    addPartner("PARTNER1");
    for (const char *version : {"00X010", "00", ""}) {
        SCOPED_TRACE(version);
        dialogs().answer(vb::vbOK);
        EXPECT_EQ(BuildGS("PARTNER1", "SH", version), "");
        EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
    }
    EXPECT_EQ(stored("PARTNER1", "GS06"), "7");
}

TEST_F(EnvelopeTest, PartnerWithUnusableDelimiterBuildsNothing)
{
    addPartner("PARTNER1");
    cnDatabase->Execute("UPDATE Partner SET element = 300");
    dialogs().answer(vb::vbOK).answer(vb::vbOK);
    EXPECT_EQ(BuildISA("PARTNER1"), "");
    EXPECT_EQ(BuildGS("PARTNER1", "SH", "004010"), "");
    EXPECT_EQ(boxCount(), 2u); // the failed look-up reports, the builder does not
    EXPECT_EQ(stored("PARTNER1", "ISA13"), "41");
    EXPECT_EQ(stored("PARTNER1", "GS06"), "7");
}
