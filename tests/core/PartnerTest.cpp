// Partner and transaction-set records: delimiters, partner look-up and
// registration, transaction-set registration, control numbers, the
// acknowledgement flag, the Sent marking of a received 997 and the plug-in class.
#include "CoreTestSupport.h"

#include "TestEnvironment.h"

#include "vb/Dialogs.h"

using namespace modGlobal;
using namespace coretest;
using corvantis::test::dialogs;

namespace {

class PartnerTest : public CoreTest {};

const QString kCrLf = QStringLiteral("\r\n");

// An interchange header as the partner sends it to us (direction "I") and as
// we send it (direction "O"), ids padded to 15 with a blank inside the partner's.
const QString kInboundISA = QStringLiteral(
    "ISA*00*          *00*          *ZZ*THEIR ID       *01*OURID          *260710*0904*U*00401*000000123*0*T*>");
const QString kInboundGS = QStringLiteral("GS*SH*THEIRAPP*OURAPP*20260710*0904*55*X*004010");
const QString kOutboundISA = QStringLiteral(
    "ISA*00*          *00*          *01*OURID          *ZZ*THEIR ID       *260710*0904*U*00401*000000123*1*P*>");
const QString kOutboundGS = QStringLiteral("GS*SH*OURAPP*THEIRAPP*20260710*0904*55*X*004010");

} // namespace

TEST_F(PartnerTest, DelimiterLookUps)
{
    struct Case {
        const char *partner;
        int segment, element, sub;
        QString terminator, separator, subSeparator;
    };
    const Case cases[] = {
        {"TILDE1", '~', '*', '>', "~", "*", ">"},
        {"CRLF01", 0, '|', ':', kCrLf, "|", ":"},
        {"ZERO01", 0, 0, 0, kCrLf, QString(QChar(0)), QString(QChar(0))},
        {"HIGH01", 0xA7, 0xFF, 0x1D, QString(QChar(0xA7)), QString(QChar(0xFF)), QString(QChar(0x1D))},
    };
    for (const Case &c : cases)
        addPartner(c.partner, c.segment, c.element, c.sub);
    for (const Case &c : cases) {
        SCOPED_TRACE(c.partner);
        EXPECT_EQ(GetSegmentTerminator(c.partner), c.terminator);
        EXPECT_EQ(GetElementSeparator(c.partner), c.separator);
        EXPECT_EQ(GetSubElementSeparator(c.partner), c.subSeparator);
    }
    // No row: empty text, nothing reported.
    EXPECT_EQ(GetSegmentTerminator("NOSUCH"), "");
    EXPECT_EQ(GetElementSeparator("NOSUCH"), "");
    EXPECT_EQ(GetSubElementSeparator("NOSUCH"), "");
    EXPECT_EQ(GetSegmentTerminator("O'Neil"), "");
    EXPECT_EQ(boxCount(), 0u);
}

TEST_F(PartnerTest, DelimiterThatIsNoCharacterIsReported)
{
    addPartner("BROKEN", 256, 300, -1);
    dialogs().answer(vb::vbOK).answer(vb::vbOK).answer(vb::vbOK);
    EXPECT_EQ(GetSegmentTerminator("BROKEN"), "");
    EXPECT_EQ(GetElementSeparator("BROKEN"), "");
    EXPECT_EQ(GetSubElementSeparator("BROKEN"), "");
    ASSERT_EQ(boxCount(), 3u);
    for (const auto &box : dialogs().boxes())
        EXPECT_EQ(box.icon, vb::vbCritical);
    EXPECT_EQ(count("History"), 3);
}

TEST_F(PartnerTest, FindPartnerByISAMatchesBothIdsBlanksIncluded)
{
    addPartner("PARTNER1");
    EXPECT_EQ(FindPartnerByISA("THEIRID        ", "OURID          "), "PARTNER1");
    EXPECT_EQ(FindPartnerByISA("THEIRID", "OURID"), "");                     // trailing blanks count
    EXPECT_EQ(FindPartnerByISA("OURID          ", "THEIRID        "), "");   // ids the other way round
    EXPECT_EQ(FindPartnerByISA("THEIRID        ", "OTHER          "), "");
    EXPECT_EQ(FindPartnerByISA("O'NEIL         ", "OURID          "), "");
    EXPECT_EQ(boxCount(), 0u);
}

TEST_F(PartnerTest, RegisterPartnerStoresEachIdWithItsQualifier)
{
    struct Case {
        const char *direction;
        QString isa, gs;
        QString terminator;
        int segmentCode;
        const char *isa14, *isa15;
    };
    const Case cases[] = {
        {"I", kInboundISA, kInboundGS, "~", '~', "0", "T"},
        {"O", kOutboundISA, kOutboundGS, kCrLf, 0, "1", "P"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.direction);
        const QString key = RegisterPartner(c.isa, c.gs, c.terminator, "*", ">", c.direction);
        // Partner's id and code, then ours, every blank removed.
        EXPECT_EQ(key, "THEIRIDTHEIRAPPOURIDOURAPP");

        const auto stored = rows("SELECT * FROM Partner WHERE Partner = '" + key + "'");
        ASSERT_EQ(stored.size(), 1u);
        const auto &row = stored.front();
        EXPECT_EQ(row.at("Segment"), QString::number(c.segmentCode));
        EXPECT_EQ(row.at("element"), "42");
        EXPECT_EQ(row.at("sub"), "62");
        EXPECT_EQ(row.at("ISA01"), "00");
        EXPECT_EQ(row.at("ISA02"), "          ");
        EXPECT_EQ(row.at("ISA03"), "00");
        EXPECT_EQ(row.at("ISA04"), "          ");
        EXPECT_EQ(row.at("ISA05"), "01");              // our qualifier ...
        EXPECT_EQ(row.at("ISA06"), "OURID          "); // ... with our id
        EXPECT_EQ(row.at("ISA07"), "ZZ");              // the partner's qualifier ...
        EXPECT_EQ(row.at("ISA08"), "THEIR ID       "); // ... with the partner's id
        EXPECT_EQ(row.at("ISA11"), "U");
        EXPECT_EQ(row.at("ISA12"), "00401");
        EXPECT_EQ(row.at("ISAVersion"), "004010");
        EXPECT_EQ(row.at("ISA14"), c.isa14);
        EXPECT_EQ(row.at("ISA15"), c.isa15);
        EXPECT_EQ(row.at("GS02"), "OURAPP");
        EXPECT_EQ(row.at("GS03"), "THEIRAPP");
        EXPECT_EQ(row.at("GS07"), "X");
        EXPECT_EQ(FindPartnerByISA("THEIR ID       ", "OURID          "), key);

        // The next file of the other direction finds the same partner.
        ASSERT_NO_FATAL_FAILURE(cnDatabase->Execute("DELETE FROM Partner"));
    }
    EXPECT_EQ(boxCount(), 0u);
}

TEST_F(PartnerTest, RegisterPartnerRefusesShortSegmentsAndUnknownDirection)
{
    dialogs().answer(vb::vbOK).answer(vb::vbOK).answer(vb::vbOK);
    EXPECT_EQ(RegisterPartner("ISA*00*          *00", kInboundGS, "~", "*", ">", "I"), "");
    EXPECT_EQ(RegisterPartner(kInboundISA, "GS*SH*THEIRAPP", "~", "*", ">", "I"), "");
    EXPECT_EQ(RegisterPartner(kInboundISA, kInboundGS, "~", "*", ">", "X"), "");
    EXPECT_EQ(boxCount(), 3u);
    EXPECT_EQ(count("Partner"), 0);
}

TEST_F(PartnerTest, ControlNumberStoredOnlyForAnExistingKey)
{
    addRow("Transactions", {{"Partner", "PARTNER1"}, {"Transaction", "830"}, {"Version", "004010"},
                            {"Direction", "I"}, {"ControlNumber", vb::Variant::fromLong(3)}});
    EXPECT_TRUE(SetControlNumber("PARTNER1", "830", "004010", "I", "0042"));
    EXPECT_EQ(column("SELECT * FROM Transactions", "ControlNumber"), QStringList{"42"});
    EXPECT_FALSE(SetControlNumber("PARTNER1", "830", "004010", "O", "0043"));
    EXPECT_FALSE(SetControlNumber("PARTNER1", "862", "004010", "I", "0043"));
    EXPECT_EQ(column("SELECT * FROM Transactions", "ControlNumber"), QStringList{"42"});
    EXPECT_EQ(boxCount(), 0u);

    dialogs().answer(vb::vbOK);
    EXPECT_FALSE(SetControlNumber("PARTNER1", "830", "004010", "I", "12AB"));
    EXPECT_EQ(boxCount(), 1u);
    EXPECT_EQ(column("SELECT * FROM Transactions", "ControlNumber"), QStringList{"42"});
}

TEST_F(PartnerTest, RegisterTransactionAddsTheRowAndTheTwoSeedRows)
{
    addRow("Standard", {{"Transaction", "T01"}, {"Group", "ZZ"}, {"Description", "Test Schedule"}});
    ASSERT_TRUE(RegisterTransaction("PARTNER1", "T01", "SH", "004010", "I"));

    const auto sets = rows("SELECT * FROM Transactions WHERE Partner = 'PARTNER1'");
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].at("Transaction"), "T01");
    EXPECT_EQ(sets[0].at("Description"), "Test Schedule");
    EXPECT_EQ(sets[0].at("Group"), "SH");
    EXPECT_EQ(sets[0].at("Version"), "004010");
    EXPECT_EQ(sets[0].at("Versionoverride"), "004010");
    EXPECT_EQ(sets[0].at("Direction"), "I");

    const auto segments = rows("SELECT * FROM Segment WHERE Partner = 'PARTNER1'");
    ASSERT_EQ(segments.size(), 1u);
    EXPECT_EQ(segments[0].at("Transaction"), "T01");
    EXPECT_EQ(segments[0].at("Version"), "004010");
    EXPECT_EQ(segments[0].at("Direction"), "I");
    EXPECT_EQ(segments[0].at("Segment"), "XX");
    EXPECT_EQ(segments[0].at("SegmentIndex"), "1");
    EXPECT_EQ(segments[0].at("Node"), "1");

    const auto elements = rows("SELECT * FROM Element WHERE Partner = 'PARTNER1'");
    ASSERT_EQ(elements.size(), 1u);
    EXPECT_EQ(elements[0].at("Transaction"), "T01");
    EXPECT_EQ(elements[0].at("Version"), "004010");
    EXPECT_EQ(elements[0].at("Direction"), "I");
    EXPECT_EQ(elements[0].at("Segment"), "XX");
    EXPECT_EQ(elements[0].at("SegmentIndex"), "1");
    EXPECT_EQ(elements[0].at("ElementIndex"), "1");
    EXPECT_EQ(boxCount(), 0u);
}

TEST_F(PartnerTest, RegisterTransactionWithoutStandardRowAddsNothing)
{
    const long sets = count("Transactions"), segments = count("Segment"), elements = count("Element");
    dialogs().answer(vb::vbOK);
    EXPECT_FALSE(RegisterTransaction("PARTNER1", "T99", "SH", "004010", "I"));
    EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
    EXPECT_EQ(count("Transactions"), sets);
    EXPECT_EQ(count("Segment"), segments);
    EXPECT_EQ(count("Element"), elements);
    EXPECT_EQ(column("SELECT * FROM History", "Type"), QStringList{"Error"});
}

TEST_F(PartnerTest, AcknowledgeFlagTrueOnlyForAStoredTrue)
{
    addRow("Transactions", {{"Partner", "P1"}, {"Transaction", "830"}, {"Version", "004010"},
                            {"Direction", "I"}, {"Acknowledge", true}});
    addRow("Transactions", {{"Partner", "P1"}, {"Transaction", "862"}, {"Version", "004010"},
                            {"Direction", "I"}, {"Acknowledge", false}});
    addRow("Transactions", {{"Partner", "P1"}, {"Transaction", "856"}, {"Version", "004010"},
                            {"Direction", "I"}});
    EXPECT_TRUE(IsAcknowledgeRequired("P1", "830", "004010", "I"));
    EXPECT_FALSE(IsAcknowledgeRequired("P1", "862", "004010", "I"));
    EXPECT_FALSE(IsAcknowledgeRequired("P1", "856", "004010", "I"));
    EXPECT_EQ(boxCount(), 0u);

    dialogs().answer(vb::vbOK);
    EXPECT_FALSE(IsAcknowledgeRequired("P1", "830", "003020", "I"));
    EXPECT_EQ(boxCount(), 1u);
}

TEST_F(PartnerTest, TakeControlNumberHandsOutAndAdvances)
{
    struct Case {
        const char *transaction;
        vb::Variant stored;
        const char *handedOut;
        const char *after;
    };
    const Case cases[] = {
        {"830", vb::Variant::fromLong(5), "5", "6"},
        {"862", vb::Variant::fromLong(999999998), "999999998", "999999999"},
        {"856", vb::Variant::fromLong(999999999), "999999999", "1"},
    };
    for (const Case &c : cases)
        addRow("Transactions", {{"Partner", "P1"}, {"Transaction", c.transaction}, {"Version", "004010"},
                                {"Direction", "O"}, {"ControlNumber", c.stored}});
    for (const Case &c : cases) {
        SCOPED_TRACE(c.transaction);
        EXPECT_EQ(TakeControlNumber("P1", c.transaction, "004010", "O"), c.handedOut);
        EXPECT_EQ(column(QStringLiteral("SELECT * FROM Transactions WHERE Transaction = '%1'").arg(c.transaction),
                         "ControlNumber"),
                  QStringList{c.after});
    }
    // After the wrap the next number is 1.
    EXPECT_EQ(TakeControlNumber("P1", "856", "004010", "O"), "1");
    EXPECT_EQ(boxCount(), 0u);
}

TEST_F(PartnerTest, TakeControlNumberOfANewKeyStartsAtOne)
{
    // A key registered by the loader or added in the partner window holds the
    // database's default.
    addRow("Standard", {{"Transaction", "T01"}, {"Group", "ZZ"}, {"Description", "Test Schedule"}});
    ASSERT_TRUE(RegisterTransaction("P1", "T01", "ZZ", "004010", "O"));
    EXPECT_EQ(TakeControlNumber("P1", "T01", "004010", "O"), "1");
    EXPECT_EQ(TakeControlNumber("P1", "T01", "004010", "O"), "2");
    EXPECT_EQ(column("SELECT * FROM Transactions", "ControlNumber"), QStringList{"3"});
}

TEST_F(PartnerTest, TakeControlNumberOfAMissingKeyIsReported)
{
    dialogs().answer(vb::vbOK);
    EXPECT_EQ(TakeControlNumber("P1", "830", "004010", "O"), "");
    EXPECT_EQ(boxCount(), 1u);
    EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
    EXPECT_EQ(column("SELECT * FROM History", "Type"), QStringList{"Error"});
}

TEST_F(PartnerTest, MarkSentAcknowledgedMatchesTheGroupByNumber)
{
    struct Case {
        const char *partner;
        const char *group;
        const char *before;
        const char *after;
    };
    const Case cases[] = {
        {"P1", "000000123", "No", "Yes"},   // our nine digits, the partner's "123"
        {"P1", "123", "No", "Yes"},
        {"P1", "000000123", "Void", "Void"},
        {"P1", "000000123", "Yes", "Yes"},
        {"P2", "000000123", "No", "No"},    // other partner
        {"P1", "000000124", "No", "No"},    // other group
        {"P1", "1230", "No", "No"},
        {"P1", "", "No", "No"},
    };
    for (const Case &c : cases)
        addRow("Sent", {{"Partner", c.partner}, {"Transaction", "830"}, {"GroupControlNumber", c.group},
                        {"Acknowledged", c.before}});

    for (const char *ak102 : {"123", "000000123"}) {
        SCOPED_TRACE(ak102);
        const QString set = QStringLiteral("ST*997*0001~AK1*SH*%1~AK9*A*1*1*1~SE*4*0001~").arg(ak102);
        refreshed.clear();
        EXPECT_TRUE(MarkSentAcknowledged("P1", set, "~", "*"));
        const auto stored = rows("SELECT * FROM Sent");
        ASSERT_EQ(stored.size(), std::size(cases));
        for (size_t i = 0; i < stored.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(stored[i].at("Acknowledged"), cases[i].after);
        }
        EXPECT_EQ(refreshed, QStringList{"Sent"});
    }
    EXPECT_EQ(boxCount(), 0u);
}

TEST_F(PartnerTest, MarkSentAcknowledgedWithCrLfAndNoMatchStillRefreshes)
{
    addRow("Sent", {{"Partner", "P1"}, {"GroupControlNumber", "000000001"}, {"Acknowledged", "No"}});
    EXPECT_TRUE(MarkSentAcknowledged("P1", "ST|997|0001\r\nAK1|SH|7\r\nSE|3|0001\r\n", kCrLf, "|"));
    EXPECT_EQ(column("SELECT * FROM Sent", "Acknowledged"), QStringList{"No"});
    EXPECT_EQ(refreshed.size(), 1u);
    EXPECT_TRUE(MarkSentAcknowledged("P1", "ST|997|0001\r\nAK1|SH|1\r\nSE|3|0001\r\n", kCrLf, "|"));
    EXPECT_EQ(column("SELECT * FROM Sent", "Acknowledged"), QStringList{"Yes"});
}

TEST_F(PartnerTest, MarkSentAcknowledgedRefusesASetWithoutAK102)
{
    addRow("Sent", {{"Partner", "P1"}, {"GroupControlNumber", "1"}, {"Acknowledged", "No"}});
    dialogs().answer(vb::vbOK).answer(vb::vbOK);
    EXPECT_FALSE(MarkSentAcknowledged("P1", "ST*997*0001~", "~", "*"));
    EXPECT_FALSE(MarkSentAcknowledged("P1", "ST*997*0001~AK1*SH~SE*3*0001~", "~", "*"));
    EXPECT_EQ(boxCount(), 2u);
    EXPECT_TRUE(refreshed.empty());
    EXPECT_EQ(column("SELECT * FROM Sent", "Acknowledged"), QStringList{"No"});
}

TEST_F(PartnerTest, ActiveXClassAndItsAnnouncement)
{
    addRow("Transactions", {{"Partner", "P1"}, {"Transaction", "830"}, {"Version", "002000"},
                            {"Direction", "I"}, {"ActiveX", "Lorvanne.P1_830_002000_I"}});
    addRow("Transactions", {{"Partner", "P1"}, {"Transaction", "862"}, {"Version", "003020"},
                            {"Direction", "I"}, {"ActiveX", ""}});
    addRow("Transactions", {{"Partner", "P1"}, {"Transaction", "856"}, {"Version", "003020"},
                            {"Direction", "I"}, {"ActiveX", vb::Variant::null()}});

    EXPECT_EQ(GetActiveXClass("P1", "830", "002000", "I", true), "Lorvanne.P1_830_002000_I");
    EXPECT_EQ(GetActiveXClass("P1", "862", "003020", "I", false), "");
    EXPECT_EQ(GetActiveXClass("P1", "856", "003020", "I", false), "");
    EXPECT_EQ(GetActiveXClass("P1", "810", "003020", "I", false), "");
    EXPECT_EQ(boxCount(), 0u);

    dialogs().answer(vb::vbOK).answer(vb::vbOK);
    EXPECT_EQ(GetActiveXClass("P1", "862", "003020", "I", true), "");
    EXPECT_EQ(dialogs().last().text, "ActiveX Not Found!\r\n\r\nP1_862_003020_I.DLL");
    EXPECT_EQ(dialogs().last().icon, vb::vbInformation);
    EXPECT_EQ(dialogs().last().caption, "Corvantis");
    EXPECT_EQ(GetActiveXClass("P1", "856", "003020", "I", true), "");
    EXPECT_EQ(dialogs().last().text, "ActiveX Not Found!\r\n\r\nP1_856_003020_I.DLL");
    EXPECT_EQ(count("History"), 0);
}

TEST_F(PartnerTest, QuotesInValuesDoNotChangeTheStatements)
{
    addPartner("O'NEIL1");
    addRow("Transactions", {{"Partner", "O'NEIL1"}, {"Transaction", "830"}, {"Version", "004010"},
                            {"Direction", "O"}, {"ControlNumber", vb::Variant::fromLong(9)},
                            {"ActiveX", "Lorvanne.X"}});
    EXPECT_EQ(GetSegmentTerminator("O'NEIL1"), "~");
    EXPECT_EQ(TakeControlNumber("O'NEIL1", "830", "004010", "O"), "9");
    EXPECT_EQ(GetActiveXClass("O'NEIL1", "830", "004010", "O", false), "Lorvanne.X");
    EXPECT_TRUE(SetControlNumber("O'NEIL1", "830", "004010", "O", "20"));
    EXPECT_FALSE(SetControlNumber("x' OR '1'='1", "830", "004010", "O", "21"));
    EXPECT_EQ(column("SELECT * FROM Transactions", "ControlNumber"), QStringList{"20"});
    EXPECT_EQ(boxCount(), 0u);
}
