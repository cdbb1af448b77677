// The envelope preview and the clock boxes, against golden texts at the
// harness's fixed moment (10 Dec 2026 13:05:09).
#include "CoreTestSupport.h"

#include "partners/EnvelopePreview.h"
#include "partners/PartnerStore.h"

#include "TestEnvironment.h"

#include "vb/Clock.h"
#include "vb/VbError.h"

#include <QFile>

using namespace partners;
using coretest::CoreTest;
using modGlobal::cnDatabase;

namespace {

QString golden(const char *name)
{
    QFile f(QStringLiteral(CORVANTIS_FIXTURES "/partners/") + QString::fromLatin1(name));
    EXPECT_TRUE(f.open(QIODevice::ReadOnly)) << name;
    return QString::fromLatin1(f.readAll());
}

class EnvelopePreviewTest : public CoreTest {
protected:
    PartnerRow partner(int segment = '~')
    {
        addPartner("ACME01", segment);
        PartnerStore store(cnDatabase);
        store.open();
        return store.current();
    }
};

TEST_F(EnvelopePreviewTest, OutboundShowsOurIdsAsSenderAndTheStoredCounters)
{
    const PartnerRow p = partner();
    const QString text = envelopePreview(p, PreviewSet{false, "850", "PO", "004010", 123}, vb::Now());
    EXPECT_EQ(text, golden("preview_outbound_850_004010.txt"));
}

TEST_F(EnvelopePreviewTest, InboundSwapsTheIdsKeepsTheQualifiersAndATerminatorCodeZeroEndsLinesWithTheBreakAlone)
{
    const PartnerRow p = partner(0);
    const QString text = envelopePreview(p, PreviewSet{true, "810", "IN", "003020", 0}, vb::Now());
    EXPECT_EQ(text, golden("preview_inbound_810_003020_crlf.txt"));
}

TEST_F(EnvelopePreviewTest, AnElementCodeZeroSeparatesWithTheNulCharacterAndBadCodesAreRefused)
{
    PartnerRow p = partner();
    p.element = 0;
    const QString text = envelopePreview(p, PreviewSet{false, "850", "PO", "004010", 1}, vb::Now());
    EXPECT_TRUE(text.startsWith(QStringLiteral("ISA") + QChar(0) + QStringLiteral("00") + QChar(0)));
    p.element = 256;
    EXPECT_THROW(envelopePreview(p, PreviewSet{false, "850", "PO", "004010", 1}, vb::Now()), vb::VbError);
}

TEST_F(EnvelopePreviewTest, GroupDateAndTimeFollowTheVersionAsTheEnvelopeBuilderDoes)
{
    struct Case {
        const char *version;
        const char *gs04, *gs05; // nullptr: the boxes keep what they show
    } cases[] = {
        {"003020", "261210", "1305"},
        {"004010", "20261210", "130509"},
        {"005010", "20261210", "130509"},
        {"X", "261210", "1305"},   // odd text: short forms, never an error
        {"00", "261210", "1305"},  // short text
        {"00X010", "261210", "1305"},
        {"", nullptr, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.version);
        const ClockTexts t = clockTexts(vb::Now(), c.version);
        EXPECT_EQ(t.ISA09, "261210");
        EXPECT_EQ(t.ISA10, "1305");
        EXPECT_EQ(t.GS04.has_value(), c.gs04 != nullptr);
        if (c.gs04) {
            EXPECT_EQ(*t.GS04, c.gs04);
            EXPECT_EQ(*t.GS05, c.gs05);
        }
        // The preview's GS line carries the same forms.
        const QString preview = envelopePreview(partner(), PreviewSet{false, "850", "PO", c.version, 5}, vb::Now());
        const QString gs = preview.split("\r\n").at(1);
        EXPECT_EQ(gs, QStringLiteral("\tGS*PO*OURAPP*THEIRAPP*%1*%2*000000007*X*%3~")
                          .arg(c.gs04 ? c.gs04 : "", c.gs05 ? c.gs05 : "", c.version));
        cnDatabase->Execute("DELETE FROM Partner");
    }
}

TEST_F(EnvelopePreviewTest, ThePreviewKeepsTheMomentItWasBuiltAt)
{
    const PartnerRow p = partner();
    const vb::Variant built = vb::Now();
    const QString first = envelopePreview(p, PreviewSet{false, "850", "PO", "004010", 1}, built);
    corvantis::test::setClock(2026, 12, 10, 13, 6, 0);
    EXPECT_EQ(envelopePreview(p, PreviewSet{false, "850", "PO", "004010", 1}, built), first);
    EXPECT_EQ(clockTexts(vb::Now(), "004010").ISA10, "1306");
}

} // namespace
