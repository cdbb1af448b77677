#include "SettingsTestSupport.h"

#include "settings/AboutInfo.h"
#include "settings/frmAbout.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QTimer>

using corvantis::test::dialogs;

TEST(AboutTexts, VersionAndBuildDate)
{
    EXPECT_EQ(settings::versionText(2, 1, 15), QStringLiteral("Version 2.1.15"));
    EXPECT_EQ(settings::versionText(1, 0, 0), QStringLiteral("Version 1.0.0"));
    EXPECT_EQ(settings::buildDateText(QDateTime(QDate(2026, 3, 5), QTime(10, 0))),
              QStringLiteral("Build Date: March 5, 2026"));
    EXPECT_EQ(settings::buildDateText(QDateTime(QDate(2025, 12, 31), QTime(23, 59))),
              QStringLiteral("Build Date: December 31, 2025"));
    EXPECT_EQ(settings::buildDateText(std::nullopt), QStringLiteral("Build Date: Developing"));
    EXPECT_EQ(settings::buildDateText(QDateTime()), QStringLiteral("Build Date: Developing"));
}

TEST(AboutLink, ThreeLooksAndTheTimerRule)
{
    settings::LinkLook link;
    EXPECT_EQ(link.look(), settings::LinkLook::Idle);
    EXPECT_FALSE(link.mouseDown()) << "a press while idle changes nothing";
    EXPECT_TRUE(link.mouseMove());
    EXPECT_EQ(link.look(), settings::LinkLook::Hover);
    EXPECT_TRUE(link.timerRunning());
    EXPECT_FALSE(link.mouseMove());
    EXPECT_TRUE(link.mouseDown());
    EXPECT_EQ(link.look(), settings::LinkLook::Pressed);
    EXPECT_FALSE(link.timerTick(true));
    EXPECT_TRUE(link.timerTick(false)) << "leaving returns to idle even while pressed";
    EXPECT_EQ(link.look(), settings::LinkLook::Idle);
    EXPECT_FALSE(link.timerRunning());
    EXPECT_FALSE(link.mouseUp());
    link.mouseMove();
    link.mouseDown();
    EXPECT_TRUE(link.mouseUp());
    EXPECT_EQ(link.look(), settings::LinkLook::Hover);

    struct Case { int x, y; bool inside; };
    for (const Case &c : {Case{0, 0, true}, Case{100, 20, true}, Case{101, 20, false}, Case{50, -1, false},
                          Case{-1, 5, false}, Case{100, 21, false}})
        EXPECT_EQ(settings::LinkLook::isInside(c.x, c.y, 100, 20), c.inside) << c.x << "," << c.y;
}

TEST(AboutSystemInfo, TheFirstProgramOfTheListFoundOnThePath)
{
    const QString first = corvantis::test::tempDir() + QStringLiteral("/bin1");
    const QString second = corvantis::test::tempDir() + QStringLiteral("/bin2");
    QDir().mkpath(first);
    QDir().mkpath(second);
    auto makeProgram = [](const QString &path, bool executable) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n");
        f.close();
        f.setPermissions(executable ? QFile::ReadOwner | QFile::ExeOwner | QFile::WriteOwner
                                    : QFile::ReadOwner | QFile::WriteOwner);
    };
    EXPECT_EQ(settings::findSystemInfoProgram(first + QLatin1Char(':') + second), std::nullopt);
    makeProgram(second + QStringLiteral("/gnome-system-monitor"), true);
    makeProgram(first + QStringLiteral("/hardinfo"), false); // not executable: passed over
    EXPECT_EQ(settings::findSystemInfoProgram(first + QLatin1Char(':') + second),
              std::optional<QString>(second + QStringLiteral("/gnome-system-monitor")));
    makeProgram(second + QStringLiteral("/hardinfo"), true);
    EXPECT_EQ(settings::findSystemInfoProgram(first + QLatin1Char(':') + second),
              std::optional<QString>(second + QStringLiteral("/hardinfo"))) << "earlier in the list wins";
}

TEST(AboutBox, ShowsTheTextsAndStartsSystemInfoOrSaysItCannot)
{
    settings::frmAbout about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About Corvantis"));
    EXPECT_EQ(about.lblProductName->text(), QStringLiteral("Corvantis"));
    EXPECT_TRUE(about.lblVersion->text().startsWith(QStringLiteral("Version ")));
    EXPECT_TRUE(about.lblBuildDate->text().startsWith(QStringLiteral("Build Date: ")));
    EXPECT_FALSE(about.lblCopyright->text().isEmpty());
    EXPECT_FALSE(about.tmrURL->isActive());

    QStringList started;
    about.pathVariable = [] { return QString(); };
    about.startProgram = [&](const QString &p) { started << p; return true; };
    dialogs().answer(vb::vbOK);
    about.StartSysInfo();
    EXPECT_EQ(dialogs().last().text, QStringLiteral("System Information Is Unavailable At This Time"));
    EXPECT_EQ(dialogs().last().icon, 0);
    EXPECT_TRUE(started.isEmpty());

    const QString bin = corvantis::test::tempDir() + QStringLiteral("/bin");
    QDir().mkpath(bin);
    QFile tool(bin + QStringLiteral("/kinfocenter"));
    ASSERT_TRUE(tool.open(QIODevice::WriteOnly));
    tool.close();
    tool.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    about.pathVariable = [bin] { return bin; };
    about.StartSysInfo();
    EXPECT_EQ(started, QStringList({bin + QStringLiteral("/kinfocenter")}));
    about.startProgram = [](const QString &) { return false; }; // found but would not start
    dialogs().answer(vb::vbOK);
    about.StartSysInfo();
    EXPECT_EQ(dialogs().last().text, QStringLiteral("System Information Is Unavailable At This Time"));
}

TEST(AboutBox, TheLinkTimerRunsOnlyWhileTheLinkIsLit)
{
    settings::frmAbout about;
    QStringList opened;
    about.openUrl = [&](const QString &url) { opened << url; return true; };
    about.lblURL_MouseMove();
    EXPECT_TRUE(about.tmrURL->isActive());
    EXPECT_EQ(about.tmrURL->interval(), 100);
    EXPECT_TRUE(about.lblURL->font().underline());
    about.lblURL_MouseDown();
    EXPECT_EQ(about.linkLook().look(), settings::LinkLook::Pressed);
    about.lblURL_Click();
    EXPECT_EQ(opened, QStringList({settings::webAddress()}));
    const QPoint onLink = about.lblURL->mapToGlobal(QPoint(about.lblURL->width(), about.lblURL->height()));
    about.pointerPosition = [onLink] { return onLink; }; // the bottom-right edge counts as inside
    about.tmrURL_Timer();
    EXPECT_EQ(about.linkLook().look(), settings::LinkLook::Pressed);
    about.pointerPosition = [onLink] { return onLink + QPoint(1, 0); };
    about.tmrURL_Timer();
    EXPECT_EQ(about.linkLook().look(), settings::LinkLook::Idle);
    EXPECT_FALSE(about.tmrURL->isActive());
    EXPECT_FALSE(about.lblURL->font().underline());
}

TEST(HelpContents, OpensTheHelpFileOrTheGuideOrSaysWhatIsMissing)
{
    const QString folder = corvantis::test::tempDir();
    QStringList opened;
    auto opener = [&](const QString &file) { opened << file; return true; };
    auto touch = [&](const char *name) {
        QFile file(folder + QLatin1Char('/') + QLatin1String(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    };
    const auto missing = settings::openHelpContents(folder, opener);
    ASSERT_TRUE(missing);
    EXPECT_EQ(*missing, QStringLiteral("Neither the help file \"") + folder + QStringLiteral("/Corvantis.chm\" nor the user guide \"")
                            + folder + QStringLiteral("/Corvantis.html\" was found."));
    EXPECT_TRUE(opened.isEmpty());

    touch("Corvantis.html");
    EXPECT_EQ(settings::openHelpContents(folder, opener), std::nullopt);
    touch("Corvantis.chm");
    EXPECT_EQ(settings::openHelpContents(folder, opener), std::nullopt) << "the help file comes first";
    EXPECT_EQ(opened, QStringList({folder + QStringLiteral("/Corvantis.html"), folder + QStringLiteral("/Corvantis.chm")}));

    const auto noHandler = settings::openHelpContents(folder, [](const QString &) { return false; });
    ASSERT_TRUE(noHandler);
    EXPECT_EQ(*noHandler, QStringLiteral("No program to open the help file \"") + folder
                              + QStringLiteral("/Corvantis.chm\" is installed on this computer."));
}

TEST(HelpContents, TheBuildInstallsTheGuideBesideTheProgram)
{
    // The build's own program folder: Help > Contents finds the guide there.
    const QString programFolder = QStringLiteral(CORVANTIS_PROGRAM_FOLDER);
    ASSERT_FALSE(QFile::exists(programFolder + QStringLiteral("/Corvantis.chm")))
        << "this check is about a build without a help file";
    QStringList opened;
    EXPECT_EQ(settings::openHelpContents(programFolder, [&](const QString &file) { opened << file; return true; }),
              std::nullopt);
    ASSERT_EQ(opened, QStringList({programFolder + QStringLiteral("/Corvantis.html")}));
    QFile guide(opened[0]);
    ASSERT_TRUE(guide.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(guide.readAll());
    // The guide is a whole page and covers what users look it up for.
    EXPECT_TRUE(text.startsWith(QStringLiteral("<!DOCTYPE html>")));
    EXPECT_TRUE(text.trimmed().endsWith(QStringLiteral("</html>")));
    for (const char *topic : {"id=\"windows\"", "id=\"folders\"", "id=\"import-files\"", "id=\"map-scripts\"",
                              "id=\"network-scripts\"", "id=\"errors\""})
        EXPECT_TRUE(text.contains(QLatin1String(topic))) << topic;
}
