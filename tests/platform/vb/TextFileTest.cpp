#include "TestEnvironment.h"
#include "vb/TextFile.h"
#include "vb/VbError.h"
#include "ErrorOf.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

using corvantis::test::errorOf;

QByteArray allBytes()
{
    QByteArray b;
    for (int i = 0; i < 256; ++i)
        b.append(static_cast<char>(i));
    return b;
}

} // namespace

TEST(TextFile, EveryByteRoundTrips)
{
    const QString path = corvantis::test::tempDir() + QStringLiteral("/all.IC");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(allBytes() + "ISA*00~\r\n");
    }
    const QString text = vb::readWindows1252File(path);
    ASSERT_EQ(text.size(), 256 + 9);
    for (int i = 0; i < 256; ++i)
        ASSERT_EQ(text[i].unicode(), vb::windows1252Char(uchar(i)));
    EXPECT_EQ(text[0x93], QChar(0x201C));

    const QString copy = corvantis::test::tempDir() + QStringLiteral("/copy.IC");
    vb::writeWindows1252File(copy, text);
    QFile f(copy);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), allBytes() + "ISA*00~\r\n");
}

TEST(TextFile, WriteReplacesTheWholeFile)
{
    const QString path = corvantis::test::tempDir() + QStringLiteral("/out.txt");
    vb::writeWindows1252File(path, QStringLiteral("a much longer first text"));
    vb::writeWindows1252File(path, QStringLiteral("short"));
    EXPECT_EQ(vb::readWindows1252File(path), QStringLiteral("short"));
    vb::writeWindows1252File(path, QString());
    EXPECT_EQ(vb::readWindows1252File(path), QString());
}

TEST(TextFile, ErrorsNameTheClassicCauses)
{
    const QString dir = corvantis::test::tempDir();
    QDir(dir).mkdir(QStringLiteral("folder"));
    const struct { const char *what; std::function<void()> run; int error; } cases[] = {
        {"read missing file", [&] { vb::readWindows1252File(dir + "/missing.IC"); }, 53},
        {"read empty name", [&] { vb::readWindows1252File(QString()); }, 53},
        {"read in missing folder", [&] { vb::readWindows1252File(dir + "/nofolder/x.IC"); }, 76},
        {"read a folder", [&] { vb::readWindows1252File(dir + "/folder"); }, 75},
        {"write in missing folder", [&] { vb::writeWindows1252File(dir + "/nofolder/x.OC", "x"); }, 76},
        {"write onto a folder", [&] { vb::writeWindows1252File(dir + "/folder", "x"); }, 75},
    };
    for (const auto &c : cases)
        EXPECT_EQ(errorOf(c.run), c.error) << c.what;
}

TEST(TextFile, CharacterWithoutAByteIsRefusedAndTheFileKept)
{
    const QString path = corvantis::test::tempDir() + QStringLiteral("/keep.txt");
    vb::writeWindows1252File(path, QStringLiteral("original \u00FF"));
    try {
        vb::writeWindows1252File(path, QStringLiteral("price \u4E2D"));
        ADD_FAILURE() << "U+4E2D has no byte";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, 5);
        EXPECT_EQ(e.description, "Invalid procedure call or argument: " + path
                                     + ": the character U+4E2D is not in the Windows code page 1252 (position 7)");
    }
    EXPECT_EQ(vb::readWindows1252File(path), QStringLiteral("original \u00FF"));
}

TEST(TextFile, TheWindowsCodePageRoundTripsEveryByte)
{
    const QString text = vb::fromWindows1252(allBytes());
    ASSERT_EQ(text.size(), 256);
    EXPECT_EQ(text[0x80], QChar(0x20AC));
    EXPECT_EQ(text[0x93], QChar(0x201C));
    EXPECT_EQ(text[0x81], QChar(0x81)) << "an undefined byte stands for itself";
    EXPECT_EQ(vb::toWindows1252(text), allBytes());
}

TEST(TextFile, TheWindowsCodePageKeepsLatin1TextAsItWasAndRefusesTheRest)
{
    // Every printable Latin-1 text keeps the bytes it had.
    QString latin1;
    for (int c = 0x20; c < 0x7F; ++c)
        latin1 += QChar(c);
    for (int c = 0xA0; c <= 0xFF; ++c)
        latin1 += QChar(c);
    latin1 += QStringLiteral("\t\r\n");
    EXPECT_EQ(vb::toWindows1252(latin1), latin1.toLatin1());

    EXPECT_EQ(vb::toWindows1252(QString::fromUtf8("5 € ‘a’ “b” – — … ™ Œ Ÿ")),
              QByteArray("5 \x80 \x91" "a\x92 \x93" "b\x94 \x96 \x97 \x85 \x99 \x8C \x9F"));

    struct Case { QString text; qsizetype at; };
    const Case cases[] = {{QString::fromUtf8("ok Ω"), 3}, {QString::fromUtf8("a\u4E2D"), 1}, {QString::fromUtf8("x😀"), 1}};
    for (const Case &c : cases) {
        QByteArray out("kept");
        EXPECT_EQ(vb::appendWindows1252(out, c.text), c.at) << c.text.toStdString();
        EXPECT_EQ(out, "kept");
        EXPECT_EQ(vb::firstOutsideWindows1252(c.text), c.at) << c.text.toStdString();
        EXPECT_EQ(errorOf([&] { vb::toWindows1252(c.text); }), 5);
    }
}

// Text stored by earlier versions, which read the bytes 0x80-0x9F as Latin-1,
// goes out as the same bytes and is shown as the characters they stand for.
TEST(TextFile, TextOfEarlierVersionsKeepsItsBytes)
{
    QString old;
    for (int c = 0x80; c < 0xA0; ++c)
        old += QChar(c);
    QByteArray bytes;
    for (int c = 0x80; c < 0xA0; ++c)
        bytes += char(c);
    EXPECT_EQ(vb::toWindows1252(old), bytes);
    EXPECT_EQ(vb::firstOutsideWindows1252(old), -1);
    EXPECT_EQ(vb::shownAsWindows1252(old), vb::fromWindows1252(bytes));
    EXPECT_EQ(vb::toWindows1252(vb::shownAsWindows1252(old)), bytes);
    const QString plain = QStringLiteral("NW 4711 \u00E9");
    EXPECT_EQ(vb::shownAsWindows1252(plain).constData(), plain.constData()) << "nothing to show otherwise: no copy";
}
