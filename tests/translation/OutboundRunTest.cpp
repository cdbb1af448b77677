// The outbound run's reader and the inbound trial run's boxes.
#include "TranslationTestSupport.h"

#include "TestEnvironment.h"

#include "translation/OutboundTranslation.h"

#include "vb/Dialogs.h"
#include "vb/VbError.h"

#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;
using corvantis::test::dialogs;

namespace {

class PercentRecorder final : public core::WorkProgress {
public:
    void setPercentText(const QString &text) override
    {
        if (!text.isEmpty())
            shown << text;
    }
    QStringList shown;
};

class OutboundRunTest : public translationtest::TranslationTest {
protected:
    QString write(const QString &name, const QByteArray &bytes)
    {
        const QString path = corvantis::test::tempDir() + u'/' + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }
};

TEST_F(OutboundRunTest, TheReaderFillsFieldsByTheFileRules)
{
    const QString definition = write(u"i.ADO"_s, "Key\t200\t10\nQty\t3\t4\nWhen\t7\t8\nNote\t200\t20\n");
    // A short line repeats its last value; extra values are ignored; the last
    // line has no line break; an empty number or date is Null.
    const QString data = write(u"i.IMP"_s, "A\t1\t12/01/2026\tx\ty\r\nB\t\t\t\r\nC\t3\t12/02/2026");
    PercentRecorder progress;
    const ado::RecordsetPtr rs = translation::OutboundTranslation::ReadImportRecords(definition, data, &progress);
    EXPECT_EQ(recordTexts(rs), (QStringList{u"Key|Qty|When|Note"_s, u"A|1|12/1/2026|x"_s, u"B|<Null>|<Null>|"_s,
                                            u"C|3|12/2/2026|12/02/2026"_s}));
    ASSERT_FALSE(progress.shown.isEmpty());
    EXPECT_EQ(progress.shown.last(), u"100 % Complete"_s) << "never past 100";
    for (const QString &text : progress.shown)
        EXPECT_LE(text.section(u' ', 0, 0).toInt(), 100) << text.toStdString();
}

TEST_F(OutboundRunTest, AValueTheFieldCannotTakeFailsTheRead)
{
    const QString definition = write(u"i.ADO"_s, "Key\t200\t10\nQty\t3\t4\n");
    const QString data = write(u"i.IMP"_s, "A\tmany\r\n");
    EXPECT_THROW(translation::OutboundTranslation::ReadImportRecords(definition, data), vb::VbError);
    EXPECT_THROW(translation::OutboundTranslation::ReadImportRecords(definition, data + u".missing"_s), vb::VbError);
}

TEST_F(OutboundRunTest, TheInboundTrialRunChecksTheInboxSelection)
{
    auto unique = [] { return u"ACME01,830,004010,I"_s; };
    // Nothing in the Inbox.
    fillInbox({});
    dialogs().answer(vb::vbOK);
    translation::OutboundTranslation::TestInbound(inbox, key, unique, *host, &progress);
    ASSERT_EQ(dialogs().boxes().size(), 1u);
    EXPECT_EQ(dialogs().boxes()[0].text, u"The Inbox is empty! "_s);
    EXPECT_EQ(dialogs().boxes()[0].icon, vb::vbExclamation);

    // Rows of another key.
    addInboxRow(u"ST*830*0001~SE*2*0001~"_s);
    fillInbox({true});
    dialogs().answer(vb::vbOK);
    translation::MapKey other = key;
    other.partner = u"OTHER"_s;
    translation::OutboundTranslation::TestInbound(inbox, other, unique, *host, &progress);
    ASSERT_EQ(dialogs().boxes().size(), 2u);
    EXPECT_EQ(dialogs().boxes()[1].text, u"Selected Inbox Transaction does not match currently selected Transaction"_s);
    EXPECT_EQ(statuses(), QStringList{u"Closed"_s});
}

} // namespace
