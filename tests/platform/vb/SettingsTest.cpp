#include "TestEnvironment.h"
#include "vb/Settings.h"
#include "vb/VbError.h"
#include "ErrorOf.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

const QString App = QStringLiteral("Corvantis");

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

using corvantis::test::errorOf;

} // namespace

TEST(Settings, LiveInTheTestsOwnFolder)
{
    EXPECT_EQ(vb::settingsRoot(), corvantis::test::tempDir() + QStringLiteral("/settings"));
    EXPECT_EQ(vb::settingsFile(App), vb::settingsRoot() + QStringLiteral("/Corvantis.ini"));
    vb::SaveSetting(App, QStringLiteral("Account"), QStringLiteral("UserName"), QStringLiteral("admin"));
    EXPECT_TRUE(QFile::exists(vb::settingsFile(App)));
}

TEST(Settings, ValuesRoundTripExactlyAsWritten)
{
    const QString values[] = {
        QStringLiteral("True"), QStringLiteral("0"), QStringLiteral("1440"), QString(),
        QStringLiteral("a,b"), QStringLiteral("a, b"), QStringLiteral("x=y;z"), QStringLiteral(" lead"),
        QStringLiteral("trail "), QStringLiteral("\"quoted\""), QStringLiteral("\""), QStringLiteral("two\r\nlines"),
        QStringLiteral("C:\\Corvantis\\Inbound"), QStringLiteral("\\n is not a break"), QStringLiteral("@Invalid()"),
        QStringLiteral("; not a comment"), QStringLiteral("[Main]"), QStringLiteral("caf\u00E9 \u20AC"),
        QStringLiteral("tab\there"), QString(QChar(1)) + QStringLiteral("ctl"),
    };
    int i = 0;
    for (const QString &v : values)
        vb::SaveSetting(App, QStringLiteral("Main"), QStringLiteral("Key%1").arg(i++), v);
    i = 0;
    for (const QString &v : values) {
        const QString key = QStringLiteral("Key%1").arg(i++);
        EXPECT_EQ(vb::GetSetting(App, QStringLiteral("Main"), key, QStringLiteral("missing")), v) << key.toStdString();
        EXPECT_EQ(vb::decodeSettingsValue(vb::encodeSettingsValue(v)), v) << key.toStdString();
    }
}

TEST(Settings, HandEditedFileReadsWhole)
{
    writeFile(vb::settingsFile(App),
              "; written by hand\r\n"
              "[Filter]\r\n"
              "Partner=a, b\r\n"
              "  Sender ID =  True  \r\n"
              "Path=C:\\data\\in\r\n"
              "Quoted=\"  padded \"\r\n"
              "\n"
              "[Main]\n"
              "Width=a,b,c\n");
    EXPECT_EQ(vb::GetSetting(App, QStringLiteral("Filter"), QStringLiteral("Partner")), QStringLiteral("a, b"));
    EXPECT_EQ(vb::GetSetting(App, QStringLiteral("Filter"), QStringLiteral("Sender ID")), QStringLiteral("True"));
    EXPECT_EQ(vb::GetSetting(App, QStringLiteral("Filter"), QStringLiteral("Path")), QStringLiteral("C:\\data\\in"));
    EXPECT_EQ(vb::GetSetting(App, QStringLiteral("Filter"), QStringLiteral("Quoted")), QStringLiteral("  padded "));
    EXPECT_EQ(vb::GetSetting(App, QStringLiteral("Main"), QStringLiteral("Width")), QStringLiteral("a,b,c"));

    // Saving another key keeps what was there.
    vb::SaveSetting(App, QStringLiteral("Main"), QStringLiteral("Height"), QStringLiteral("7200"));
    EXPECT_EQ(vb::GetSetting(App, QStringLiteral("Filter"), QStringLiteral("Partner")), QStringLiteral("a, b"));
    EXPECT_EQ(vb::GetSetting(App, QStringLiteral("Main"), QStringLiteral("Width")), QStringLiteral("a,b,c"));
}

TEST(Settings, FileStaysReadableText)
{
    vb::SaveSetting(App, QStringLiteral("Filter"), QStringLiteral("Interchange Control Number"), QStringLiteral("False"));
    vb::SaveSetting(App, QStringLiteral("Folders"), QStringLiteral("Inbound"), QStringLiteral("/home/u/in, out"));
    EXPECT_EQ(readFile(vb::settingsFile(App)),
              QByteArray("[Filter]\nInterchange Control Number=False\n\n[Folders]\nInbound=/home/u/in, out\n"));
}

TEST(Settings, HandEditAfterAReadIsSeen)
{
    vb::SaveSetting(App, QStringLiteral("Main"), QStringLiteral("Top"), QStringLiteral("10"));
    EXPECT_EQ(vb::GetSetting(App, QStringLiteral("Main"), QStringLiteral("Top")), QStringLiteral("10"));
    writeFile(vb::settingsFile(App), "[Main]\nTop=12345\n");
    EXPECT_EQ(vb::GetSetting(App, QStringLiteral("Main"), QStringLiteral("Top")), QStringLiteral("12345"));
}

TEST(Settings, KeysAndSectionsAreCaseSensitive)
{
    vb::SaveSetting(App, QStringLiteral("Main"), QStringLiteral("Left"), QStringLiteral("1"));
    vb::SaveSetting(App, QStringLiteral("Main"), QStringLiteral("left"), QStringLiteral("2"));
    EXPECT_EQ(vb::GetSetting(App, QStringLiteral("Main"), QStringLiteral("Left")), QStringLiteral("1"));
    EXPECT_EQ(vb::GetSetting(App, QStringLiteral("Main"), QStringLiteral("left")), QStringLiteral("2"));
    EXPECT_EQ(vb::GetSetting(App, QStringLiteral("main"), QStringLiteral("Left"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_EQ(vb::GetSetting(App, QStringLiteral("Main"), QStringLiteral("LEFT")), QString());
}

TEST(Settings, GetAllAndDelete)
{
    vb::SaveSetting(App, QStringLiteral("Inbox"), QStringLiteral("Width"), QStringLiteral("3000"));
    vb::SaveSetting(App, QStringLiteral("Inbox"), QStringLiteral("Col 1"), QStringLiteral("1200"));
    vb::SaveSetting(App, QStringLiteral("Outbox"), QStringLiteral("Width"), QStringLiteral("4000"));
    using Pairs = std::vector<std::pair<QString, QString>>;
    EXPECT_EQ(vb::GetAllSettings(App, QStringLiteral("Inbox")),
              (Pairs{{QStringLiteral("Col 1"), QStringLiteral("1200")}, {QStringLiteral("Width"), QStringLiteral("3000")}}));
    EXPECT_TRUE(vb::GetAllSettings(App, QStringLiteral("Sent")).empty());

    vb::DeleteSetting(App, QStringLiteral("Inbox"), QStringLiteral("Width"));
    EXPECT_EQ(vb::GetSetting(App, QStringLiteral("Inbox"), QStringLiteral("Width"), QStringLiteral("none")), QStringLiteral("none"));
    EXPECT_EQ(vb::GetSetting(App, QStringLiteral("Inbox"), QStringLiteral("Col 1")), QStringLiteral("1200"));
    vb::DeleteSetting(App, QStringLiteral("Inbox"));
    EXPECT_TRUE(vb::GetAllSettings(App, QStringLiteral("Inbox")).empty());
    EXPECT_EQ(vb::GetSetting(App, QStringLiteral("Outbox"), QStringLiteral("Width")), QStringLiteral("4000"));

    // Deleting what is not there is an invalid call.
    EXPECT_EQ(errorOf([] { vb::DeleteSetting(App, QStringLiteral("Inbox")); }), 5);
    EXPECT_EQ(errorOf([] { vb::DeleteSetting(App, QStringLiteral("Outbox"), QStringLiteral("Height")); }), 5);
}

TEST(Settings, BadNamesAreRefusedAndNothingIsWritten)
{
    const QString bad[] = {QString(), QStringLiteral("a/b"), QStringLiteral("a\\b"), QStringLiteral("a=b"),
                           QStringLiteral(" lead"), QStringLiteral("[x]"), QStringLiteral("two\nlines")};
    for (const QString &name : bad) {
        EXPECT_EQ(errorOf([&] { vb::SaveSetting(App, name, QStringLiteral("Key"), QStringLiteral("v")); }), 5);
        EXPECT_EQ(errorOf([&] { vb::SaveSetting(App, QStringLiteral("Main"), name, QStringLiteral("v")); }), 5);
        EXPECT_EQ(errorOf([&] { vb::GetSetting(App, QStringLiteral("Main"), name); }), 5);
    }
    EXPECT_FALSE(QFile::exists(vb::settingsFile(App)));
}

TEST(Settings, UnusableFolderGivesAPathError)
{
    writeFile(corvantis::test::tempDir() + QStringLiteral("/plainfile"), "x");
    vb::setSettingsRoot(corvantis::test::tempDir() + QStringLiteral("/plainfile/settings"));
    EXPECT_EQ(errorOf([] { vb::SaveSetting(App, QStringLiteral("Main"), QStringLiteral("Top"), QStringLiteral("1")); }), 76);
    // Reading from a folder that cannot exist gives the defaults.
    EXPECT_EQ(vb::GetSetting(App, QStringLiteral("Main"), QStringLiteral("Top"), QStringLiteral("0")), QStringLiteral("0"));
}
