#include "SettingsTestSupport.h"

#include "settings/PropertiesSheet.h"
#include "settings/frmProperties.h"
#include "vb/VbError.h"

#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>

using corvantis::test::dialogs;
using settingstest::Row;
using settingstest::SettingsTest;

TEST(PropertiesText, DelimitersInThreeNotations)
{
    struct Case { QString delimiter; bool terminator; QString chr, dec, hex; };
    const Case cases[] = {
        {"~", true, "~", "(126)", "7E"},
        {"*", false, "*", "(42)", "2A"},
        {"\r\n", true, "\t\t", "(13)", "0D"},
        {"\r", true, "\t", "(13)", "0D"},
        {"\r\n", false, "\r\n", "(13)", "0D"},
        {QString(QChar(7)), false, QString(QChar(7)), "(7)", "07"},
        {QString(QChar(0xA0)), false, QString(QChar(0xA0)), "(160)", "A0"},
    };
    for (const Case &c : cases) {
        const settings::DelimiterCells cells = settings::delimiterCells(c.delimiter, c.terminator);
        EXPECT_EQ(cells, (settings::DelimiterCells{c.chr, c.dec, c.hex})) << c.dec.toStdString();
    }
    EXPECT_THROW(settings::delimiterCells(QString(), false), vb::VbError);
}

TEST(PropertiesText, SizeAndDirection)
{
    EXPECT_EQ(settings::sizeText(1234567), QStringLiteral("1,234,567 bytes"));
    EXPECT_EQ(settings::sizeText(999), QStringLiteral("999 bytes"));
    EXPECT_EQ(settings::sizeText(0), QStringLiteral(" bytes"));
    EXPECT_EQ(settings::directionText(QStringLiteral("I")), QStringLiteral("Inbound"));
    EXPECT_EQ(settings::directionText(QStringLiteral("O")), QStringLiteral("Outbound"));
    EXPECT_EQ(settings::directionText(QStringLiteral("i")), QString());
    EXPECT_EQ(settings::directionText(QString()), QString());
}

namespace {

class PropertiesTest : public SettingsTest {
protected:
    void SetUp() override
    {
        SettingsTest::SetUp();
        addRow(QStringLiteral("Partner"), {{QStringLiteral("Partner"), vb::Variant(QStringLiteral("ACME01"))},
                                           {QStringLiteral("Segment"), vb::Variant(126)},
                                           {QStringLiteral("element"), vb::Variant(42)},
                                           {QStringLiteral("sub"), vb::Variant(62)}});
        for (const char *direction : {"I", "O"}) {
            Row isa{{QStringLiteral("Partner"), vb::Variant(QStringLiteral("ACME01"))},
                    {QStringLiteral("Direction"), vb::Variant(QString::fromLatin1(direction))}};
            for (int i = 1; i <= 16; ++i)
                isa[QStringLiteral("ISA%1").arg(i, 2, 10, QLatin1Char('0'))] =
                    vb::Variant(QStringLiteral("%1%2").arg(QLatin1String(direction)).arg(i));
            isa[QStringLiteral("ISA13")] = vb::Variant(QStringLiteral("000000041"));
            addRow(QStringLiteral("ISA"), isa);
            Row gs{{QStringLiteral("Partner"), vb::Variant(QStringLiteral("ACME01"))},
                   {QStringLiteral("Direction"), vb::Variant(QString::fromLatin1(direction))}};
            for (int i = 1; i <= 8; ++i)
                gs[QStringLiteral("GS%1").arg(i, 2, 10, QLatin1Char('0'))] =
                    vb::Variant(QStringLiteral("%1g%2").arg(QLatin1String(direction)).arg(i));
            gs[QStringLiteral("GS06")] = vb::Variant(QStringLiteral("7"));
            addRow(QStringLiteral("GS"), gs);
        }
    }

    qint64 addSet(const QString &table, const QString &direction, const QString &tset,
                  const QString &acknowledged = QStringLiteral("Void"))
    {
        return addRow(table, {{QStringLiteral("Partner"), vb::Variant(QStringLiteral("ACME01"))},
                              {QStringLiteral("Transaction"), vb::Variant(tset.mid(3, 3))},
                              {QStringLiteral("Version"), vb::Variant(QStringLiteral("004010"))},
                              {QStringLiteral("Direction"), vb::Variant(direction)},
                              {QStringLiteral("Status"), vb::Variant(QStringLiteral("Validated "))},
                              {QStringLiteral("Acknowledged"), vb::Variant(acknowledged)},
                              {QStringLiteral("InterchangeControlNumber"), vb::Variant(QStringLiteral("000000041"))},
                              {QStringLiteral("GroupControlNumber"), vb::Variant(QStringLiteral("7"))},
                              {QStringLiteral("TSet"), vb::Variant(tset)}});
    }
};

} // namespace

TEST_F(PropertiesTest, TheRowIsFoundByItsRowidWithTheEnvelopeOfItsDirection)
{
    const QString tset = QStringLiteral("ST*850*0001~BEG*00*SA*1~SE*3*0001~");
    addSet(QStringLiteral("Outbox"), QStringLiteral("I"), tset); // another row before it
    const qint64 rowid = addSet(QStringLiteral("Outbox"), QStringLiteral("O"), tset);
    settings::PropertiesData data;
    settings::readProperties(*modGlobal::cnDatabase, QStringLiteral("Outbox"), rowid, data);
    EXPECT_EQ(data.location, QStringLiteral("Outbox"));
    EXPECT_EQ(data.partner, QStringLiteral("ACME01"));
    EXPECT_EQ(data.transactionSet, QStringLiteral("850"));
    EXPECT_FALSE(data.description.isEmpty());
    EXPECT_NE(data.description, QStringLiteral("Unknown"));
    EXPECT_EQ(data.status, QStringLiteral("Validated ")) << "as stored";
    EXPECT_EQ(data.direction, QStringLiteral("Outbound"));
    EXPECT_EQ(data.size, QString::number(tset.size()) + QStringLiteral(" bytes"));
    EXPECT_EQ(data.segment, (settings::DelimiterCells{"~", "(126)", "7E"}));
    EXPECT_EQ(data.element, (settings::DelimiterCells{"*", "(42)", "2A"}));
    EXPECT_EQ(data.sub, (settings::DelimiterCells{">", "(62)", "3E"}));
    EXPECT_EQ(data.isa[0], QStringLiteral("O1"));
    EXPECT_EQ(data.isa[12], QStringLiteral("000000041"));
    EXPECT_EQ(data.isa[14], QStringLiteral("O15"));
    EXPECT_EQ(data.gs[0], QStringLiteral("Og1"));
    EXPECT_EQ(data.gs[5], QStringLiteral("7"));
}

TEST_F(PropertiesTest, AnUnlistedSetIsUnknownAndAGoneRowIsSaid)
{
    const qint64 rowid = addSet(QStringLiteral("Sent"), QStringLiteral("X"), QStringLiteral("ST*ZZ9*0001~SE*2*0001~"));
    settings::PropertiesData data;
    settings::readProperties(*modGlobal::cnDatabase, QStringLiteral("Sent"), rowid, data);
    EXPECT_EQ(data.description, QStringLiteral("Unknown"));
    EXPECT_EQ(data.direction, QString());
    EXPECT_EQ(data.isa[0], QStringLiteral("I1")) << "no envelope of its direction: the first";

    settings::PropertiesData gone;
    try {
        settings::readProperties(*modGlobal::cnDatabase, QStringLiteral("Sent"), rowid + 100, gone);
        FAIL() << "a row that is gone must be reported";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, 3021);
        EXPECT_TRUE(e.description.contains(QStringLiteral("no longer")));
    }
    EXPECT_TRUE(gone.partner.isEmpty());
}

TEST_F(PropertiesTest, APartnerWithoutDelimitersStopsTheSheetAfterWhatCameBefore)
{
    const qint64 rowid = addRow(QStringLiteral("Inbox"),
                                {{QStringLiteral("Partner"), vb::Variant(QStringLiteral("GONE01"))},
                                 {QStringLiteral("Direction"), vb::Variant(QStringLiteral("I"))},
                                 {QStringLiteral("Status"), vb::Variant(QStringLiteral("Closed"))},
                                 {QStringLiteral("Acknowledged"), vb::Variant(QStringLiteral("No"))},
                                 {QStringLiteral("InterchangeControlNumber"), vb::Variant(QStringLiteral("1"))},
                                 {QStringLiteral("GroupControlNumber"), vb::Variant(QStringLiteral("1"))},
                                 {QStringLiteral("TSet"), vb::Variant(QStringLiteral("ST*810*0001~"))}});
    folderKey = QStringLiteral("Inbox");
    selected[QStringLiteral("Inbox")] = rowid;
    dialogs().answer(vb::vbOK);
    settings::frmProperties sheet(access);
    ASSERT_EQ(dialogs().boxes().size(), 1u);
    EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
    EXPECT_EQ(sheet.lblLocation->text(), QStringLiteral("Inbox"));
    EXPECT_EQ(sheet.lblTransactionSet->text(), QStringLiteral("810"));
    EXPECT_EQ(sheet.lblDirection->text(), QStringLiteral("Inbound"));
    EXPECT_TRUE(sheet.lblISA[0]->text().isEmpty());
    EXPECT_EQ(sheet.statusPictureKey(), QStringLiteral("Closed"));
    EXPECT_EQ(sheet.acknowledgedPictureKey(), QStringLiteral("No"));
}

TEST_F(PropertiesTest, TheSheetShowsNothingForTheLogsAndTheRoot)
{
    for (const char *key : {"History", "Exchange", "Root", ""}) {
        folderKey = QString::fromLatin1(key);
        settings::frmProperties sheet(access);
        EXPECT_EQ(sheet.sstProperties->currentIndex(), 0);
        EXPECT_TRUE(sheet.lblLocation->text().isEmpty());
        EXPECT_TRUE(sheet.txtPartner->text().isEmpty());
    }
    EXPECT_TRUE(dialogs().boxes().empty());
}

TEST_F(PropertiesTest, TheSheetFillsEveryTabAndPicksThePicturesByTheTrimmedValue)
{
    const qint64 rowid = addSet(QStringLiteral("Recycled"), QStringLiteral("I"),
                                QStringLiteral("ST*830*0001~SE*2*0001~"), QStringLiteral("Void "));
    folderKey = QStringLiteral("Recycled");
    selected[QStringLiteral("Recycled")] = rowid;
    settings::frmProperties sheet(access);
    EXPECT_EQ(sheet.windowTitle(), QStringLiteral("Properties"));
    EXPECT_EQ(sheet.sstProperties->tabText(1), QStringLiteral("Interchange Control Header"));
    EXPECT_EQ(sheet.lblStatus->text(), QStringLiteral("Validated "));
    EXPECT_EQ(sheet.statusPictureKey(), QStringLiteral("Validated"));
    EXPECT_EQ(sheet.acknowledgedPictureKey(), QStringLiteral("Void"));
    EXPECT_EQ(sheet.lblSegment[0]->text(), QStringLiteral("~"));
    EXPECT_EQ(sheet.lblSegment[2]->text(), QStringLiteral("7E"));
    EXPECT_EQ(sheet.lblISA[5]->text(), QStringLiteral("I6"));
    EXPECT_EQ(sheet.lblGS[7]->text(), QStringLiteral("Ig8"));
    EXPECT_TRUE(dialogs().boxes().empty());
}
