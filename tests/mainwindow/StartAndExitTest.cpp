// Start-up and exit: finding the database, the single instance, the login
// and account dialogs, and the exit path with its compaction.
#include "MainWindowFixture.h"
#include "ado/Recordset.h"
#include "controls/ScreenPlacement.h"
#include "mainwindow/Startup.h"
#include "mainwindow/frmAccount.h"
#include "mainwindow/frmLogin.h"
#include "mainwindow/frmSplash.h"

#include <QFile>
#include <QFileInfo>
#include "vb/AppInfo.h"
#include "vb/Dialogs.h"

#include <QCheckBox>
#include <QDir>
#include <QGuiApplication>
#include <QScreen>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSysInfo>
#include <QTimer>

using namespace mainwindow;
using namespace mainwindow::test;
using corvantis::test::dialogs;
using corvantis::test::tempDir;

namespace {

const QString kQuestion = QStringLiteral("Cannot find the application database Corvantis.mdb\r\n\r\n"
                                         "Do you want to change the default folder or dirrectory?");

QString makeFolder(const QString &name)
{
    const QString folder = tempDir() + QLatin1Char('/') + name;
    QDir().mkpath(folder);
    return folder;
}

// Rows of the History table of the test's database copy with this description.
int historyRows(const corvantis::test::FreshDatabase &db, const QString &description)
{
    ado::Connection c;
    c.Open(db.connectionString());
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM History WHERE Description = '%1'").arg(description), c);
    int n = 0;
    while (!rs.Eof()) {
        ++n;
        rs.MoveNext();
    }
    return n;
}

} // namespace

// The database question, the browse and the retry.
TEST_F(MainWindowTest, DatabaseFoundAtOnceIsNotStoredAgain)
{
    // Stored with a trailing separator: found there, and the text is left as it was.
    saveSetting("Folders", "Database", db.folder() + QLatin1Char('/'));
    load();
    EXPECT_EQ(setting("Folders", "Database"), db.folder() + QLatin1Char('/'));
    ASSERT_TRUE(modGlobal::cnDatabase);
    EXPECT_EQ(modGlobal::cnDatabase->State(), ado::adStateOpen);
    EXPECT_TRUE(dialogs().boxes().empty());
}

TEST_F(MainWindowTest, DatabaseQuestionBrowseAndRetry)
{
    const QString empty = makeFolder(QStringLiteral("empty"));
    const QString other = makeFolder(QStringLiteral("other"));
    saveSetting("Folders", "Database", empty);
    dialogs().answer(vb::vbYes).answerFolder(other).answer(vb::vbYes).answerFolder(db.folder());
    frmMain &main = controls::form<frmMain>();
    main.setScreenTwips(19200, 14400);
    ASSERT_EQ(main.Form_Load(), StartOutcome::Continue);
    ASSERT_EQ(dialogs().boxes().size(), 4u);
    const auto &question = dialogs().boxes()[0];
    EXPECT_EQ(question.text, kQuestion);
    EXPECT_EQ(question.icon, vb::vbQuestion);
    EXPECT_EQ(question.buttons, vb::vbYesNo);
    EXPECT_EQ(dialogs().boxes()[2].text, kQuestion);
    EXPECT_EQ(setting("Folders", "Database"), db.folder());
    EXPECT_EQ(modGlobal::cnDatabase->State(), ado::adStateOpen);
}

TEST_F(MainWindowTest, DatabaseNotLocatedEndsTheProgram)
{
    const QString empty = makeFolder(QStringLiteral("empty"));
    for (int path = 0; path < 2; ++path) {
        saveSetting("Folders", "Database", empty);
        dialogs().reset();
        if (path == 0)
            dialogs().answer(vb::vbNo);
        else
            dialogs().answer(vb::vbYes).cancelFolder();
        frmMain &main = controls::form<frmMain>();
        EXPECT_EQ(main.Form_Load(), StartOutcome::EndProgram) << path;
        EXPECT_FALSE(modGlobal::cnDatabase) << path;
        EXPECT_EQ(setting("Folders", "Database"), empty) << path;
        controls::unload<frmMain>(); // no exit path: no question
        EXPECT_EQ(dialogs().boxes().size(), path == 0 ? 1u : 2u);
    }
}

TEST_F(MainWindowTest, AGarbageDatabaseFileEndsTheProgramWithItsError)
{
    const QString folder = makeFolder(QStringLiteral("garbage"));
    QFile file(folder + QStringLiteral("/Corvantis.mdb"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("this is not a database at all, just some text that fills a page of bytes\n");
    file.close();
    saveSetting("Folders", "Database", folder);
    dialogs().answer(vb::vbOK);
    frmMain &main = controls::form<frmMain>();
    EXPECT_EQ(main.Form_Load(), StartOutcome::EndProgram);
    ASSERT_EQ(dialogs().boxes().size(), 1u);
    EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
    EXPECT_FALSE(dialogs().last().text.isEmpty());
    EXPECT_FALSE(modGlobal::cnDatabase);
}

// The exit path.
TEST_F(MainWindowTest, ExitAnsweredNoKeepsEverythingButItsEntry)
{
    frmMain &main = load();
    dialogs().answer(vb::vbNo);
    EXPECT_FALSE(main.close());
    EXPECT_EQ(dialogs().last().text, QStringLiteral("Exit Corvantis?"));
    EXPECT_EQ(dialogs().last().icon, vb::vbQuestion);
    EXPECT_EQ(dialogs().last().buttons, vb::vbYesNo);
    EXPECT_TRUE(main.isVisible());
    EXPECT_EQ(modGlobal::cnDatabase->State(), ado::adStateOpen);
    EXPECT_EQ(historyRows(db, QStringLiteral("Selected [File] - [Exit]")), 1);
    EXPECT_EQ(setting("Main", "State"), QStringLiteral("<none>"));
}

TEST_F(MainWindowTest, ExitSavesLayoutsClosesAndCompacts)
{
    for (int i = 0; i < 50; ++i)
        insert(QStringLiteral("Inbox"), {}, i);
    frmMain &main = load();
    main.lvwInbox->setSortKey(2);
    db.connection().Close();
    // A file left by an earlier failed exit is replaced.
    QFile leftOver(db.folder() + QStringLiteral("/NewCorvantis.mdb"));
    ASSERT_TRUE(leftOver.open(QIODevice::WriteOnly));
    leftOver.write("old");
    leftOver.close();
    dialogs().answer(vb::vbYes);
    bool exited = false;
    QObject::connect(&main, &frmMain::exited, [&] { exited = true; });
    EXPECT_TRUE(main.close());
    EXPECT_TRUE(exited);
    EXPECT_EQ(dialogs().boxes().size(), 1u);
    EXPECT_FALSE(modGlobal::cnDatabase);
    EXPECT_EQ(setting("Inbox", "SortKey"), QStringLiteral("2"));
    EXPECT_EQ(setting("Main", "VSplitPos"), QStringLiteral("3600"));
    EXPECT_EQ(setting("Main", "FolderBar"), QStringLiteral("True"));
    EXPECT_FALSE(QFile::exists(db.folder() + QStringLiteral("/NewCorvantis.mdb")));
    // The compacted file opens and keeps its rows and the exit entry.
    EXPECT_EQ(historyRows(db, QStringLiteral("Selected [File] - [Exit]")), 1);
    ado::Connection c;
    c.Open(db.connectionString());
    ado::Recordset rs;
    rs.Open(QStringLiteral("SELECT * FROM Inbox"), c, ado::adOpenKeyset, ado::adLockReadOnly);
    EXPECT_EQ(rs.RecordCount(), 50);
}

TEST_F(MainWindowTest, ExitWithAMovedDatabaseFolderDoesNotCompact)
{
    frmMain &main = load();
    const QString moved = makeFolder(QStringLiteral("moved"));
    saveSetting("Folders", "Database", moved);
    const QByteArray before = [&] {
        QFile f(db.path());
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    dialogs().answer(vb::vbYes).answer(vb::vbOK);
    EXPECT_TRUE(main.close());
    ASSERT_EQ(dialogs().boxes().size(), 2u);
    EXPECT_EQ(dialogs().last().text, QStringLiteral("The folder or dirrectory location\r\n"
                                                    "of this application database has been changed! \r\n\r\n"
                                                    "This application will reference this location \r\n"
                                                    "the next time the application is ran!\r\n"));
    EXPECT_EQ(dialogs().last().icon, vb::vbInformation);
    EXPECT_FALSE(QFile::exists(moved + QStringLiteral("/Corvantis.mdb")));
    EXPECT_FALSE(QFile::exists(db.folder() + QStringLiteral("/NewCorvantis.mdb")));
    EXPECT_FALSE(modGlobal::cnDatabase);
}

TEST_F(MainWindowTest, AWindowThatRefusesToUnloadStopsTheExit)
{
    frmMain &main = load();
    bool loaded = true;
    int asked = 0;
    main.registerOtherWindow({QStringLiteral("frmExchange"), [&] { return loaded; }, [&] {
                                  ++asked;
                                  return false;
                              }});
    dialogs().answer(vb::vbYes);
    EXPECT_FALSE(main.close());
    EXPECT_EQ(asked, 1);
    EXPECT_TRUE(main.isVisible());
    ASSERT_TRUE(modGlobal::cnDatabase);
    EXPECT_EQ(modGlobal::cnDatabase->State(), ado::adStateOpen);
    EXPECT_FALSE(QFile::exists(db.folder() + QStringLiteral("/NewCorvantis.mdb")));
    // Once the work is done the next close goes through.
    loaded = false;
    db.connection().Close();
    dialogs().answer(vb::vbYes);
    EXPECT_TRUE(main.close());
    EXPECT_FALSE(modGlobal::cnDatabase);
}

// The single instance and the splash.
TEST(StartupTest, ASecondInstanceIsRefused)
{
    const QString lock = tempDir() + QStringLiteral("/Corvantis.lock");
    SingleInstance first(lock);
    ASSERT_TRUE(first.acquire());
    SingleInstance second(lock);
    // The running instance's writer may be using it: a refused one removes nothing.
    const QString exports = makeFolder(QStringLiteral("Export"));
    saveSetting("Folders", "Export", exports);
    QFile writing(exports + QStringLiteral("/.orders.csv.Ab12Cd.part"));
    ASSERT_TRUE(writing.open(QIODevice::WriteOnly));
    dialogs().answer(vb::vbOK);
    frmSplash splash;
    EXPECT_EQ(splash.Form_Load(second), StartOutcome::EndProgram);
    EXPECT_TRUE(writing.exists());
    EXPECT_EQ(dialogs().last().text, QStringLiteral("The file' ") + vb::AppInfo::path() + QLatin1Char('/') +
                                         vb::AppInfo::exeName() + QStringLiteral(".exe' is already open."));
    EXPECT_EQ(dialogs().last().icon, vb::vbExclamation);
    EXPECT_TRUE(dialogs().last().caption.isEmpty()); // the application title
}

// At start, once the program holds its lock, what writers killed mid-file
// left in its working folders goes; an outbound run's unnamed file stays for
// the next run to finish.
TEST(StartupTest, TheStartRemovesWhatKilledWritersLeftInTheWorkingFolders)
{
    const QString exports = makeFolder(QStringLiteral("Export"));
    const QString outbound = makeFolder(QStringLiteral("Outbound"));
    const QString reports = makeFolder(QStringLiteral("Reports"));
    const QString reportExports = makeFolder(QStringLiteral("Reports/Export"));
    saveSetting("Folders", "Export", exports);
    saveSetting("Folders", "Outbound", outbound);
    saveSetting("Folders", "Reports", reports);
    const auto touch = [](const QString &path) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    };
    const QStringList leftovers = {exports + QStringLiteral("/.orders.csv.Ab12Cd.part"),
                                   outbound + QStringLiteral("/.20261210-101010-AM.OC.x1Y2z3.part"),
                                   reportExports + QStringLiteral("/.830.txt.Qq11Ww.part")};
    const QStringList kept = {exports + QStringLiteral("/orders.csv"),
                              outbound + QStringLiteral("/.20261210-101010.outbound.Zz99Yy.part")};
    for (const QString &path : leftovers + kept)
        touch(path);

    SingleInstance only(tempDir() + QStringLiteral("/Corvantis.lock"));
    frmSplash splash;
    ASSERT_EQ(splash.Form_Load(only), StartOutcome::Continue);
    for (const QString &path : leftovers)
        EXPECT_FALSE(QFileInfo::exists(path)) << path.toStdString();
    for (const QString &path : kept)
        EXPECT_TRUE(QFileInfo::exists(path)) << path.toStdString();
}

TEST(StartupTest, SplashLabels)
{
    SingleInstance only(tempDir() + QStringLiteral("/Corvantis.lock"));
    frmSplash splash;
    ASSERT_EQ(splash.Form_Load(only), StartOutcome::Continue);
    EXPECT_EQ(splash.lblProductName->text(), QStringLiteral("Corvantis"));
    EXPECT_EQ(splash.lblVersion->text(), QStringLiteral("Version %1.%2.%3").arg(vb::AppInfo::major()).arg(vb::AppInfo::minor()).arg(vb::AppInfo::revision()));
    EXPECT_TRUE(splash.lblBuildDate->text().startsWith(QStringLiteral("Build Date: ")));
    EXPECT_TRUE(splash.lblBuildDate->text().contains(QRegularExpression(QStringLiteral("^Build Date: [A-Z][a-z]+ \\d{1,2}, \\d{4}$"))))
        << splash.lblBuildDate->text().toStdString();
    // Centred on the screen, frame and all (assumed where none is drawn
    // yet), at the size its texts need: showing it does not grow it to one
    // side.
    const QRect placed = splash.geometry();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect outer = placed.marginsAdded(controls::windowFrame(&splash));
    EXPECT_LE(std::abs(outer.center().x() - area.center().x()), 2) << outer.x() << " " << outer.width();
    EXPECT_LE(std::abs(outer.center().y() - area.center().y()), 2) << outer.y() << " " << outer.height();
    splash.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&splash, 5000)) << "the splash was not shown within 5 s";
    EXPECT_EQ(splash.geometry(), placed);
}

// The login dialog.
namespace {
struct LoginTest : MainWindowTest {
    ~LoginTest() override { controls::unload<frmLogin>(); }
};
} // namespace

TEST_F(LoginTest, FirstStartLogsInAtOnceAndSeedsTheFolders)
{
    const QString inbound = tempDir() + QStringLiteral("/data/in");
    saveSetting("Folders", "Inbound", inbound);
    const QString reports = tempDir() + QStringLiteral("/data/Reports");
    saveSetting("Folders", "Reports", reports);
    frmLogin &login = controls::form<frmLogin>();
    ASSERT_EQ(login.Form_Load(), StartOutcome::Continue);
    EXPECT_TRUE(controls::form<frmMain>().isVisible());
    EXPECT_EQ(login.windowTitle(), QStringLiteral("Login"));
    EXPECT_EQ(login.txtUser->text(), QStringLiteral("vormu"));
    EXPECT_TRUE(login.chkRemember->isChecked());
    EXPECT_EQ(login.txtPassword->text(), QStringLiteral("vormu"));
    EXPECT_EQ(modGlobal::strCurrentUser, QStringLiteral("vormu"));
    login.cmdOk_Click();
    EXPECT_TRUE(login.isAccepted());
    EXPECT_EQ(login.result(), QDialog::Accepted);
    EXPECT_EQ(historyRows(db, QStringLiteral("User Login: vormu")), 1);
    const QString base = vb::AppInfo::path();
    EXPECT_EQ(setting("Folders", "Export"), base + QStringLiteral("/Export"));
    EXPECT_EQ(setting("Folders", "ActiveX"), base + QStringLiteral("/ActiveX"));
    EXPECT_EQ(setting("Folders", "Inbound"), inbound);
    EXPECT_EQ(setting("Folders", "Database"), db.folder());
    EXPECT_TRUE(dialogs().boxes().empty());
    // Every working folder exists once the login is done.
    for (const QString &key : seededFolderKeys())
        EXPECT_TRUE(QFileInfo(setting("Folders", qPrintable(key))).isDir()) << key.toStdString();
    // The export reports' folder, and the guideline the map designer shows.
    EXPECT_TRUE(QFileInfo(reports + QStringLiteral("/Export")).isDir());
    QFile shipped(base + QStringLiteral("/Guideline.rpt")), installed(reports + QStringLiteral("/Guideline.rpt"));
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly)) << "no Guideline.rpt in the Reports folder";
    EXPECT_EQ(installed.readAll(), shipped.readAll());
}

TEST_F(LoginTest, AWorkingFolderThatCannotBeCreatedIsReported)
{
    const QString base = tempDir() + QStringLiteral("/work");
    for (const QString &key : seededFolderKeys())
        saveSetting("Folders", qPrintable(key), base + QLatin1Char('/') + key);
    QFile blocker(tempDir() + QStringLiteral("/plain-file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const QString impossible = blocker.fileName() + QStringLiteral("/Outbound");
    saveSetting("Folders", "Outbound", impossible);
    frmLogin &login = controls::form<frmLogin>();
    ASSERT_EQ(login.Form_Load(), StartOutcome::Continue);
    dialogs().answer(vb::vbOK);
    login.cmdOk_Click();
    EXPECT_TRUE(login.isAccepted());
    ASSERT_EQ(dialogs().boxes().size(), 1u);
    EXPECT_EQ(dialogs().last().text, QStringLiteral("Path/File access error: ") + impossible);
    EXPECT_TRUE(QFileInfo(base + QStringLiteral("/Sent")).isDir());
    EXPECT_FALSE(QFileInfo::exists(impossible));
}

TEST_F(LoginTest, WrongCredentialsAreRefusedExactly)
{
    saveSetting("Account", "UserName", QStringLiteral("Clerk"));
    saveSetting("Account", "Password", QStringLiteral("s3cret"));
    frmLogin &login = controls::form<frmLogin>();
    ASSERT_EQ(login.Form_Load(), StartOutcome::Continue);
    const struct { const char *user, *password; } wrong[] = {
        {"clerk", "s3cret"}, {"Clerk ", "s3cret"}, {"Clerk", "S3cret"}, {"Clerk", ""},
    };
    for (const auto &w : wrong) {
        login.txtUser->setText(QString::fromLatin1(w.user));
        login.txtPassword->setText(QString::fromLatin1(w.password));
        dialogs().answer(vb::vbOK);
        login.cmdOk_Click();
        EXPECT_FALSE(login.isAccepted()) << w.user;
        EXPECT_EQ(dialogs().last().text, QStringLiteral("Invalid User Name or Password, try again!"));
        EXPECT_EQ(dialogs().last().caption, QStringLiteral("Login"));
        EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
        EXPECT_EQ(login.txtUser->selectedText(), QString::fromLatin1(w.user));
        EXPECT_EQ(login.txtPassword->text(), QString::fromLatin1(w.password));
    }
    EXPECT_EQ(historyRows(db, QStringLiteral("User Login: Clerk")), 0);
    // The close keys do nothing before a login succeeded.
    login.reject();
    EXPECT_FALSE(login.isAccepted());
    EXPECT_EQ(login.result(), 0);
}

TEST_F(LoginTest, RememberIsWrittenAtEveryClickAndCancelEndsTheProgram)
{
    saveSetting("Account", "Remember", QStringLiteral("0"));
    frmLogin &login = controls::form<frmLogin>();
    ASSERT_EQ(login.Form_Load(), StartOutcome::Continue);
    EXPECT_FALSE(login.chkRemember->isChecked());
    EXPECT_EQ(login.txtPassword->text(), QString());
    login.chkRemember->click();
    EXPECT_EQ(setting("Account", "Remember"), QStringLiteral("1"));
    login.chkRemember->click();
    EXPECT_EQ(setting("Account", "Remember"), QStringLiteral("0"));
    login.cmdCancel_Click();
    EXPECT_TRUE(login.endsProgram());
    EXPECT_FALSE(login.isAccepted());
    EXPECT_TRUE(dialogs().boxes().empty());
}

TEST_F(LoginTest, NoLoginWhenTheMainWindowCouldNotLoad)
{
    saveSetting("Folders", "Database", makeFolder(QStringLiteral("empty")));
    dialogs().answer(vb::vbNo);
    EXPECT_EQ(runLogin(), StartOutcome::EndProgram);
    EXPECT_FALSE(controls::isLoaded<frmLogin>());
    EXPECT_EQ(historyRows(db, QStringLiteral("User Login: vormu")), 0);
}

// The account dialog.
TEST(AccountTest, ChecksInOrder)
{
    const struct { const char *user, *password, *confirm, *apply, *ok; } cases[] = {
        {"abc", "longer", "longer", "User Name to short Min. 4!", ""},
        {"abcd", "abc", "abc", "Password to short Min. 4!", ""},
        {"abcd", "abcd", "abcD", "Confirm Password!", "Confirm Password!"},
        {"abc", "ab", "xy", "User Name to short Min. 4!", "Confirm Password!"},
        {"abcd", "abcd", "abcd", "", ""},
        {"", "", "", "User Name to short Min. 4!", ""},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(checkAccountForApply(QString::fromLatin1(c.user), QString::fromLatin1(c.password), QString::fromLatin1(c.confirm)),
                  QString::fromLatin1(c.apply)) << c.user << "/" << c.password;
        EXPECT_EQ(checkAccountForOk(QString::fromLatin1(c.password), QString::fromLatin1(c.confirm)), QString::fromLatin1(c.ok));
    }
}

TEST(AccountTest, ApplyRefusesOkStoresShortNames)
{
    frmAccount account;
    EXPECT_EQ(account.txtUserName->text(), QStringLiteral("vormu"));
    EXPECT_EQ(account.txtConfirm->text(), QStringLiteral("vormu"));
    EXPECT_FALSE(account.cmdApply->isEnabled());
    account.txtUserName->setText(QStringLiteral("abc"));
    EXPECT_TRUE(account.cmdApply->isEnabled());
    dialogs().answer(vb::vbOK);
    account.cmdApply_Click();
    EXPECT_EQ(dialogs().last().text, QStringLiteral("User Name to short Min. 4!"));
    EXPECT_EQ(dialogs().last().icon, vb::vbExclamation);
    EXPECT_EQ(setting("Account", "UserName"), QStringLiteral("<none>"));
    account.cmdOk_Click();
    EXPECT_EQ(setting("Account", "UserName"), QStringLiteral("abc"));
    EXPECT_EQ(setting("Account", "Password"), QStringLiteral("vormu"));
    EXPECT_EQ(account.result(), QDialog::Accepted);
}

TEST(AccountTest, SeedingLeavesFilledKeysAndNeverTheDatabase)
{
    saveSetting("Folders", "Sent", QStringLiteral("/srv/sent"));
    seedFolderSettings(QStringLiteral("/opt/corvantis"));
    EXPECT_EQ(setting("Folders", "Sent"), QStringLiteral("/srv/sent"));
    EXPECT_EQ(setting("Folders", "Inbound"), QStringLiteral("/opt/corvantis/Inbound"));
    EXPECT_EQ(setting("Folders", "Reports"), QStringLiteral("/opt/corvantis/Reports"));
    EXPECT_EQ(setting("Folders", "Database"), QStringLiteral("<none>"));
}

TEST(StartupTest, ALockLeftByAnInstanceThatIsGoneIsTakenOver)
{
    const QString lock = tempDir() + QStringLiteral("/Corvantis.lock");
    QFile file(lock);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    // The lock file's own format: process id, program name, host name.
    file.write(QByteArray::number(2147483000) + "\nCorvantis\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    file.close();
    SingleInstance instance(lock);
    EXPECT_TRUE(instance.acquire());
}
