// Edit > Find...: whole words, letter case ignored, the segment number of the
// hit, a repeated search inside the highlighted hit.

#include "TestEnvironment.h"

#include "mainwindow/FindInPreview.h"
#include "vb/Dialogs.h"

#include <gtest/gtest.h>

#include <QTextCursor>
#include <QTextEdit>

using corvantis::test::dialogs;

namespace {

const QString kSet = QStringLiteral("ST*830*0001\nBFR*05*SCHED**DL*20261210\nN1*ST*ACME\nLIN**BP*PART-7\nN1*SF*ACME\nSE*6*0001");

struct FindCase {
    const char *name;
    const char *preview;
    const char *word;
    const char *answer; // the box shown after the search
    const char *highlighted;
};

class FindInPreviewTest : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindInPreviewTest, ReportsTheSegmentOrNotFound)
{
    const FindCase &c = GetParam();
    QTextEdit preview;
    preview.setPlainText(c.preview ? QString::fromLatin1(c.preview) : kSet);
    dialogs().answerInput(QString::fromLatin1(c.word)).answer(vb::vbOK);
    mainwindow::FindInPreview(preview);

    ASSERT_EQ(dialogs().boxes().size(), 2u);
    const auto &input = dialogs().boxes()[0];
    EXPECT_EQ(input.text, QStringLiteral("Find What:"));
    EXPECT_EQ(input.caption, QStringLiteral("Find"));
    EXPECT_EQ(input.defaultText, QString());
    const auto &box = dialogs().last();
    EXPECT_EQ(box.text, QString::fromLatin1(c.answer));
    EXPECT_EQ(box.buttons, vb::vbOKOnly);
    EXPECT_EQ(box.icon, 0);
    EXPECT_EQ(box.caption, QStringLiteral("Corvantis"));
    EXPECT_EQ(preview.textCursor().selectedText(), QString::fromLatin1(c.highlighted));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindInPreviewTest,
    ::testing::Values(FindCase{"OnSegmentThree", nullptr, "N1", "Found on Segment 3", "N1"},
                      FindCase{"OtherLetterCase", nullptr, "bfr", "Found on Segment 2", "BFR"},
                      FindCase{"PartOfAWord", nullptr, "BF", "Not found.", ""},
                      FindCase{"StartOfAnElement", nullptr, "SCHE", "Not found.", ""},
                      FindCase{"LastSegment", nullptr, "SE", "Found on Segment 6", "SE"},
                      FindCase{"EmptyPreview", "", "ST", "Not found.", ""}),
    [](const ::testing::TestParamInfo<FindCase> &info) { return std::string(info.param.name); });

TEST(FindInPreview, SameWordAgainSearchesOnlyTheHighlightedHit)
{
    QTextEdit preview;
    preview.setPlainText(kSet);
    dialogs().answerInput(QStringLiteral("ACME")).answer(vb::vbOK);
    dialogs().answerInput(QStringLiteral("ACME")).answer(vb::vbOK);
    mainwindow::FindInPreview(preview);
    mainwindow::FindInPreview(preview);
    ASSERT_EQ(dialogs().boxes().size(), 4u);
    EXPECT_EQ(dialogs().boxes()[1].text, QStringLiteral("Found on Segment 3"));
    EXPECT_EQ(dialogs().boxes()[3].text, QStringLiteral("Found on Segment 3"));

    // Another word while the hit is highlighted is looked for inside it only.
    dialogs().answerInput(QStringLiteral("SF")).answer(vb::vbOK);
    mainwindow::FindInPreview(preview);
    EXPECT_EQ(dialogs().last().text, QStringLiteral("Not found."));
}

TEST(FindInPreview, CancelOrEmptyAnswerEndsWithoutSearching)
{
    QTextEdit preview;
    preview.setPlainText(kSet);
    dialogs().cancelInput().answerInput(QString());
    mainwindow::FindInPreview(preview);
    mainwindow::FindInPreview(preview);
    EXPECT_EQ(dialogs().boxes().size(), 2u);
    EXPECT_FALSE(preview.textCursor().hasSelection());
}

TEST(FindInPreview, PositionsAndLinesBeyondSixteenBits)
{
    // A long set: the hit lies far beyond character 32767 and line 32767.
    QString text;
    for (int i = 0; i < 40000; ++i)
        text += QStringLiteral("REF*ZZ*%1\n").arg(i);
    text += QStringLiteral("N9*TARGET");
    QTextEdit preview;
    preview.setPlainText(text);
    const int32_t position = mainwindow::FindWholeWord(preview, QStringLiteral("TARGET"));
    EXPECT_EQ(position, text.size() - 6);
    EXPECT_EQ(mainwindow::LineFromChar(preview, position), 40000);
}

} // namespace
