// The text routines under the loader: cutting, counts, group dates and
// times, re-delimiting, file names.
#include "core/loader/X12Text.h"
#include "vb/TextFile.h"

#include <gtest/gtest.h>

using namespace core::x12;

namespace {

QStringList pieces(const QString &text, const QString &delimiter, bool ignoreCase)
{
    QStringList out;
    for (QStringView v : cut(text, delimiter, ignoreCase))
        out << v.toString();
    return out;
}

TEST(X12TextCut, CutsAtEveryDelimiterAndKeepsTheTail)
{
    EXPECT_EQ(pieces("A*B**C~", "~", false), (QStringList{"A*B**C", ""}));
    EXPECT_EQ(pieces("A*B**C", "*", false), (QStringList{"A", "B", "", "C"}));
    EXPECT_EQ(pieces("", "~", false), (QStringList{""}));
    EXPECT_EQ(pieces("ABC", "", true), (QStringList{"ABC"}));
    EXPECT_EQ(pieces("A\r\nB\r\n\n", "\r\n", true), (QStringList{"A", "B", "\n"}));
}

TEST(X12TextCut, TextComparisonIgnoresLetterCase)
{
    // A letter used as delimiter cuts at both cases when case is ignored.
    EXPECT_EQ(pieces("aXbxc", "x", true), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(pieces("aXbxc", "x", false), (QStringList{"aXb", "c"}));
    EXPECT_EQ(pieces(QString::fromLatin1("a\xE9" "b\xC9" "c"), QString::fromLatin1("\xC9"), true),
              (QStringList{"a", "b", "c"}));
    EXPECT_EQ(pieces("1QW2qw3", "qW", true), (QStringList{"1", "2", "3"}));
}

TEST(X12TextCut, BytesCutLikeText)
{
    const QList<std::pair<QByteArray, QByteArray>> cases = {
        {"A*B**C~", "~"}, {"aXbxc", "x"}, {"", "~"}, {"A\r\nB\r\n\n", "\r\n"}, {"ABC", ""}, {"~~", "~"},
        // The letters of 0x80-0x9F keep their case, as when they were read as control characters.
        {"a\x9A" "b\x8A" "c", "\x9A"}, {"a\x9F" "b\xFF" "c", "\xFF"}, {"a\x9C" "b\x8C" "c", "\x8C"}};
    for (const auto &[text, delimiter] : cases) {
        std::vector<QByteArrayView> bytes;
        cutInto(bytes, text, delimiter, true);
        QStringList fromBytes;
        for (QByteArrayView v : bytes)
            fromBytes << vb::fromWindows1252(v);
        EXPECT_EQ(fromBytes, pieces(vb::fromWindows1252(text), vb::fromWindows1252(delimiter), true)) << text.constData();
        EXPECT_EQ(countPieces(text, delimiter, true), qsizetype(bytes.size())) << text.constData();
    }
    qsizetype position = 0;
    const QByteArray text = "GS*1~ST*2~";
    EXPECT_EQ(nextPiece(text, position, "~", true), "GS*1");
    EXPECT_EQ(position, 5);
    EXPECT_EQ(nextPiece(text, position, "~", true), "ST*2");
    EXPECT_EQ(nextPiece(text, position, "~", true), "");
    EXPECT_EQ(position, text.size() + 1);
}

TEST(X12TextNumbers, CountsReadTheirLeadingDigits)
{
    struct Case { const char *text; double value; };
    const Case cases[] = {{"12", 12}, {"0012", 12}, {"  7", 7}, {"7abc", 7}, {"abc", 0}, {"", 0},
                          {"-3", -3}, {"4.0", 4}, {"4.5x", 4.5}, {" +9", 9}};
    for (const Case &c : cases)
        EXPECT_EQ(leadingNumber(QString::fromLatin1(c.text)), c.value) << c.text;
}

TEST(X12TextGroupDates, ShortAndLongDates)
{
    EXPECT_EQ(groupDate("261210"), "12/10/26");
    EXPECT_EQ(groupDate("20261210"), "12/10/2026");
    EXPECT_EQ(groupDate("2612"), "12//26");
    EXPECT_EQ(groupDate(""), "//");
}

TEST(X12TextGroupTimes, LengthsAndInvalidTimes)
{
    const QDateTime now(QDate(2026, 12, 10), QTime(21, 7, 9));
    struct Case { const char *gs05; const char *time; };
    const Case cases[] = {
        {"1230", "12:30"},       {"123045", "12:30:45"}, {"12304599", "12:30:45"},
        {"2561", "21:07"},       {"0960", "21:07"},      {"12:30", "12:30"},
        {"123", "21:07"},        {"", "21:07"},          {"1230456", "21:07"},
        {"0000", "00:00"},       {"2359", "23:59"},      {"2400", "21:07"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(groupTime(QString::fromLatin1(c.gs05), now), QString::fromLatin1(c.time)) << c.gs05;
    EXPECT_TRUE(isValidTime(u"9:05 PM"));
    EXPECT_FALSE(isValidTime(u"13:05 PM"));
}

TEST(X12TextRedelimit, PartnerDelimitersReplaceTheFilesInOnePass)
{
    const QString set = "ST*830*0001~BFR*05*A>B~SE*3*0001~";
    EXPECT_EQ(redelimit(set, "~", "*", "\r\n", "|"), "ST|830|0001\r\nBFR|05|A>B\r\nSE|3|0001\r\n");
    EXPECT_EQ(redelimit(set, "~", "*", "~", "*"), set);
    // Swapped delimiters: nothing is replaced twice.
    EXPECT_EQ(redelimit(set, "~", "*", "*", "~"), "ST~830~0001*BFR~05~A>B*SE~3~0001*");
    // A failed look-up keeps the file's delimiter.
    EXPECT_EQ(redelimit(set, "~", "*", "", "|"), "ST|830|0001~BFR|05|A>B~SE|3|0001~");
    EXPECT_EQ(redelimit(set, "~", "*", "\n", ""), "ST*830*0001\nBFR*05*A>B\nSE*3*0001\n");
    EXPECT_EQ(redelimit("A*B\r\nC\r\n", "\r\n", "*", "~", "+"), "A+B~C~");
}

// redelimitChanges says exactly when redelimit would change a set.
TEST(X12TextRedelimit, ChangesOnlyWhenAKnownPartnerDelimiterDiffers)
{
    const char *const delimiters[] = {"", "~", "*", "\r\n", "|"};
    for (const QString fileTerminator : delimiters)
        for (const QString fileSeparator : delimiters)
            for (const char *terminator : delimiters)
                for (const char *separator : delimiters) {
                    if (!fileTerminator.isEmpty() && fileTerminator == fileSeparator)
                        continue;
                    // A set that holds both of the file's delimiters.
                    const QString set = "ST" + fileSeparator + "830" + fileTerminator + "SE" + fileSeparator + "2"
                        + fileTerminator;
                    const bool changes = redelimit(set, fileTerminator, fileSeparator, terminator, separator) != set;
                    if (redelimitChanges(fileTerminator, fileSeparator, terminator, separator) != changes)
                        ADD_FAILURE() << fileTerminator.toStdString() << " " << fileSeparator.toStdString() << " "
                                      << terminator << " " << separator;
                }
}

// 8-bit text becomes UTF-8 one character a byte, in the code page 1252;
// all-ASCII text is kept as it is.
TEST(X12TextUtf8, BytesBecomeTheirCharacters)
{
    QByteArray scratch;
    const QByteArray ascii = "ST*830*0001~BFR*05*RELEASE 1~SE*3*0001~";
    const QByteArrayView same = windows1252AsUtf8(ascii, scratch);
    EXPECT_EQ(same.data(), ascii.constData());
    EXPECT_EQ(same, ascii);
    EXPECT_EQ(windows1252AsUtf8(QByteArrayView(), scratch).size(), 0);
    // A byte over 127 at every place of the eight-byte steps, and at the end.
    for (qsizetype at = 0; at <= ascii.size(); ++at) {
        for (const char high : {'\x80', '\x81', '\x93', '\xC9', '\xFF'}) {
            QByteArray latin1 = ascii;
            latin1.insert(at, high);
            EXPECT_EQ(windows1252AsUtf8(latin1, scratch).toByteArray(), vb::fromWindows1252(latin1).toUtf8())
                << "at " << at;
        }
    }
    const QByteArray every = [] {
        QByteArray all;
        for (int c = 1; c < 256; ++c)
            all += char(c);
        return all;
    }();
    EXPECT_EQ(windows1252AsUtf8(every, scratch).toByteArray(), vb::fromWindows1252(every).toUtf8());
}

TEST(X12TextFind, WholeWordsWithoutRegardToCase)
{
    const QString text = "ST*830\r\nN1*ST\r\nN13*X\r\nn1*Y";
    EXPECT_EQ(findWholeWord(text, u"N1", 0), 8);
    EXPECT_EQ(findWholeWord(text, u"N1", 9), 22);
    EXPECT_EQ(findWholeWord(text, u"N13", 0), 15);
    EXPECT_EQ(findWholeWord(text, u"LIN", 0), -1);
    EXPECT_EQ(findWholeWord(text, u"ST", -1), 0);
}

TEST(X12TextFormats, PercentControlNumbersAndFileNames)
{
    EXPECT_EQ(percentText(49.5), "50");
    EXPECT_EQ(percentText(50.5), "50");
    EXPECT_EQ(percentText(100), "100");
    EXPECT_EQ(nineDigits(42), "000000042");
    EXPECT_EQ(interchangeFileStem(QDateTime(QDate(2026, 12, 10), QTime(13, 5, 9))), "121026-010509 PM");
    EXPECT_EQ(interchangeFileStem(QDateTime(QDate(2026, 1, 2), QTime(0, 0, 1))), "010226-120001 AM");
    EXPECT_EQ(interchangeFileStem(QDateTime(QDate(2026, 1, 2), QTime(12, 30, 0)), true), "010226-123000-PM");
}

} // namespace

// Where a character of an interchange is, for the message that refuses it.
TEST(X12TextPlace, NamesTheSegmentAndElement)
{
    const QString isa = "ISA*00*          *00*          *ZZ*ACMEPARTS      *ZZ*CORVANTIS      *261210*1200*U*00401*000000301*0*P*>~";
    ASSERT_EQ(isa.size(), 106);
    const QString text = isa + "\r\nGS*PO*A*B~\r\nST*850*0001~\r\nBEG*00*SA*NW\u4E2D~SE*3*0001~";
    EXPECT_EQ(placeInInterchange(text, text.indexOf(u'\u4E2D')), "segment 4 (BEG), element BEG03");
    EXPECT_EQ(placeInInterchange(text, text.indexOf(u"850")), "segment 3 (ST), element ST01");
    EXPECT_EQ(placeInInterchange(text, 40), "segment 1 (ISA), element ISA06");
    EXPECT_EQ(placeInInterchange(u"GS*PO\u4E2D~", 5), "position 6") << "no whole ISA: only the position";
    EXPECT_EQ(elementAt(u"N1*ST*ACME*92", u"*", 7), "N102");
    EXPECT_EQ(elementAt(u"N1*ST*ACME*92", u"*", 0), "N100");
}
