#include "SettingsTestSupport.h"

#include "controls/ListView.h"
#include "core/SettingsSections.h"
#include "settings/LogClearing.h"
#include "settings/OptionsSettings.h"
#include "settings/frmOptions.h"
#include "vb/AppInfo.h"
#include "vb/Dialogs.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

using corvantis::test::BoxKind;
using corvantis::test::dialogs;
using settingstest::SettingsTest;

namespace {

// The rows of the Folders tab, in the order of sections::folderKeys().
enum FolderRow { Database, Export, Import, Inbound, Outbound, Sent, Reports, ActiveX };

QString makeFolder(const QString &name)
{
    const QString path = corvantis::test::tempDir() + QLatin1Char('/') + name;
    QDir().mkpath(path);
    return path;
}

void fillAllFolders(settings::frmOptions &dialog)
{
    for (int i = 0; i < 8; ++i)
        dialog.txtFolder[i]->setText(makeFolder(QString::fromLatin1(sections::folderKeys()[i])));
}

} // namespace

TEST_F(SettingsTest, OptionsOpenOnGeneralWithTheStoredValuesAndNothingPending)
{
    save(QStringLiteral("Folders"), QStringLiteral("Inbound"), QStringLiteral("/data/in"));
    save(QStringLiteral("Filter"), QStringLiteral("Time"), QStringLiteral("False"));
    save(QStringLiteral("Viewer"), QStringLiteral("HelpButton"), QStringLiteral("0"));
    save(QStringLiteral("Viewer"), QStringLiteral("ExportButton"), QStringLiteral("True")); // the viewer takes it
    settings::frmOptions dialog(access);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Options"));
    EXPECT_EQ(dialog.sstOptions->currentIndex(), 0);
    EXPECT_EQ(dialog.sstOptions->tabText(3), QStringLiteral("Report Viewer"));
    EXPECT_EQ(dialog.txtFolder[Inbound]->text(), QStringLiteral("/data/in"));
    EXPECT_EQ(dialog.txtFolder[Database]->text(), vb::AppInfo::path()) << "the program folder by default";
    EXPECT_EQ(dialog.lvwFilter->itemCount(), 12);
    EXPECT_TRUE(dialog.lvwFilter->isItemChecked(4));
    EXPECT_FALSE(dialog.lvwFilter->isItemChecked(5));
    EXPECT_EQ(dialog.lvwFilter->item(7)->text(), QStringLiteral("Interchange Control Number"));
    for (int i = 0; i < 22; ++i) {
        const QString key = QString::fromLatin1(sections::viewerKeys()[i]);
        EXPECT_EQ(dialog.chkViewer[i]->isChecked(), key != QLatin1String("HelpButton")) << key.toStdString();
    }
    EXPECT_FALSE(dialog.cmdApply->isEnabled());
    EXPECT_TRUE(dialogs().boxes().empty());
}

TEST_F(SettingsTest, OptionsSaveEveryKeyInItsTextForm)
{
    settings::frmOptions dialog(access);
    fillAllFolders(dialog);
    dialog.cmdReset_Click();
    dialog.chkViewer[0]->setChecked(false);
    EXPECT_TRUE(dialog.cmdApply->isEnabled());
    dialog.cmdOk_Click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    for (int i = 0; i < 8; ++i) {
        const QString key = QString::fromLatin1(sections::folderKeys()[i]);
        EXPECT_EQ(setting(QStringLiteral("Folders"), key), corvantis::test::tempDir() + QLatin1Char('/') + key);
    }
    // Reset checks four items: Time ends unchecked though it defaults on.
    const QStringList expectedFilter = {"True", "True", "True", "True", "False", "False",
                                        "False", "False", "False", "False", "False", "False"};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(setting(QStringLiteral("Filter"), QString::fromLatin1(sections::filterSwitches()[i].key)),
                  expectedFilter[i]);
    EXPECT_EQ(setting(QStringLiteral("Viewer"), QStringLiteral("AnimationControl")), QStringLiteral("0"));
    EXPECT_EQ(setting(QStringLiteral("Viewer"), QStringLiteral("PopupMenu")), QStringLiteral("1"));
}

TEST_F(SettingsTest, MissingFoldersAreNamedOneByOneAndLeftAsStored)
{
    save(QStringLiteral("Folders"), QStringLiteral("Outbound"), QStringLiteral("/stored/outbound"));
    settings::frmOptions dialog(access);
    fillAllFolders(dialog);
    dialog.txtFolder[Export]->setText(QString());
    dialog.txtFolder[Outbound]->setText(QStringLiteral("/no/such/folder"));
    dialog.txtFolder[Sent]->setText(QStringLiteral("/no/such/sent"));
    dialogs().answer(vb::vbOK).answer(vb::vbOK).answer(vb::vbOK);
    dialog.cmdApply_Click();
    ASSERT_EQ(dialogs().boxes().size(), 3u);
    EXPECT_EQ(dialogs().boxes()[0].text, QStringLiteral("Specified folder does not exist\r\n\r\n\r\n"));
    EXPECT_EQ(dialogs().boxes()[1].text, QStringLiteral("Specified Folder does not exist\r\n\r\n/no/such/folder\r\n"));
    EXPECT_EQ(dialogs().boxes()[2].text, QStringLiteral("Specified Folder does not exist\r\n\r\n/no/such/sent\r\n"));
    EXPECT_EQ(dialogs().boxes()[1].icon, vb::vbCritical);
    EXPECT_EQ(setting(QStringLiteral("Folders"), QStringLiteral("Outbound")), QStringLiteral("/stored/outbound"));
    EXPECT_EQ(setting(QStringLiteral("Folders"), QStringLiteral("Export")), QStringLiteral("<none>"));
    EXPECT_EQ(dialog.txtFolder[Outbound]->text(), QStringLiteral("/stored/outbound")) << "the box shows the stored value";
    EXPECT_EQ(dialog.txtFolder[Export]->text(), vb::AppInfo::path());
    EXPECT_NE(setting(QStringLiteral("Folders"), QStringLiteral("Import")), QStringLiteral("<none>"))
        << "the other keys are still written";
    EXPECT_FALSE(dialog.cmdApply->isEnabled()) << "Apply ends disabled even after a reload";
}

// README step 1 moves the Reports folder: the guideline and the Export
// subfolder are there at once, not only after the next login.
TEST_F(SettingsTest, ANewReportsFolderGetsItsExportSubfolderAndGuidelineWhenSaved)
{
    const QString shipped = vb::AppInfo::path() + QStringLiteral("/Guideline.rpt");
    ASSERT_TRUE(QFileInfo::exists(shipped)) << shipped.toStdString();
    settings::frmOptions dialog(access);
    fillAllFolders(dialog);
    const QString reports = dialog.txtFolder[Reports]->text();
    dialog.cmdApply_Click();
    EXPECT_TRUE(dialogs().boxes().empty());
    EXPECT_TRUE(QFileInfo(reports + QStringLiteral("/Export")).isDir());
    QFile installed(reports + QStringLiteral("/Guideline.rpt")), original(shipped);
    ASSERT_TRUE(installed.open(QIODevice::ReadOnly)) << "no Guideline.rpt in the new Reports folder";
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    EXPECT_EQ(installed.readAll(), original.readAll());

    // A folder whose Export cannot be made: the setting stands, the failure is named.
    const QString other = makeFolder(QStringLiteral("OtherReports"));
    QFile blocker(other + QStringLiteral("/Export"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    dialog.txtFolder[Reports]->setText(other);
    dialogs().answer(vb::vbOK);
    dialog.cmdOk_Click();
    EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
    EXPECT_TRUE(dialogs().last().text.contains(QStringLiteral("Path/File access error: ") + other
                                               + QStringLiteral("/Export")))
        << dialogs().last().text.toStdString();
    EXPECT_EQ(setting(QStringLiteral("Folders"), QStringLiteral("Reports")), other);
    EXPECT_TRUE(QFileInfo::exists(other + QStringLiteral("/Guideline.rpt"))) << "the guideline is still placed";

    // The folder unchanged: nothing is placed again.
    QFile::remove(other + QStringLiteral("/Guideline.rpt"));
    settings::frmOptions again(access);
    again.cmdOk_Click();
    EXPECT_FALSE(QFileInfo::exists(other + QStringLiteral("/Guideline.rpt")));
}

TEST_F(SettingsTest, ApplyThenCancelKeepsWhatApplySavedAndTheCloseBoxSavesNothing)
{
    {
        settings::frmOptions dialog(access);
        fillAllFolders(dialog);
        dialog.lvwFilter->setItemChecked(12, true);
        dialog.cmdApply_Click();
        dialog.lvwFilter->setItemChecked(11, true);
        dialog.cmdCancel_Click();
    }
    EXPECT_EQ(setting(QStringLiteral("Filter"), QStringLiteral("Receiver Division")), QStringLiteral("True"));
    EXPECT_EQ(setting(QStringLiteral("Filter"), QStringLiteral("Receiver ID")), QStringLiteral("False"));
    {
        settings::frmOptions dialog(access);
        dialog.lvwFilter->setItemChecked(11, true);
        dialog.close();
    }
    EXPECT_EQ(setting(QStringLiteral("Filter"), QStringLiteral("Receiver ID")), QStringLiteral("False"));
}

TEST_F(SettingsTest, IncludeAndExcludeActOnTheSelectedFilterItem)
{
    settings::frmOptions dialog(access);
    dialog.lvwFilter->setSelectedItem(9);
    dialog.cmdInclude_Click();
    EXPECT_TRUE(dialog.lvwFilter->isItemChecked(9));
    dialog.lvwFilter->setSelectedItem(1);
    dialog.cmdExclude_Click();
    EXPECT_FALSE(dialog.lvwFilter->isItemChecked(1));
    EXPECT_TRUE(dialog.cmdApply->isEnabled());
}

TEST_F(SettingsTest, BrowsingAFolderAsksFirstOnlyForTheDatabase)
{
    settings::frmOptions dialog(access);
    const QString before = dialog.txtFolder[Database]->text();
    dialogs().answer(vb::vbNo);
    dialog.cmdBrowse_Click(Database);
    EXPECT_EQ(dialogs().last().text,
              QStringLiteral("WARNING: Are you sure you want to change\r\nthe application database location?"));
    EXPECT_EQ(dialogs().boxes().size(), 1u) << "No shows no browse dialog";
    EXPECT_EQ(dialog.txtFolder[Database]->text(), before);

    const QString chosen = makeFolder(QStringLiteral("elsewhere"));
    dialogs().answer(vb::vbYes).answerFolder(chosen);
    dialog.cmdBrowse_Click(Database);
    EXPECT_EQ(dialogs().last().kind, BoxKind::BrowseFolder);
    EXPECT_EQ(dialogs().last().startFolder, before);
    EXPECT_EQ(dialog.txtFolder[Database]->text(), chosen);
    EXPECT_TRUE(dialog.cmdApply->isEnabled());

    dialog.cmdApply_Click();
    dialogs().cancelFolder();
    dialog.cmdBrowse_Click(Sent); // no question for the other rows
    EXPECT_EQ(dialogs().last().kind, BoxKind::BrowseFolder);
    EXPECT_FALSE(dialog.cmdApply->isEnabled()) << "a cancelled browse changes nothing";
}

TEST_F(SettingsTest, ClearingALogDeletesEveryRowOnlyWhenConfirmedAndTheListShowsRows)
{
    for (int i = 0; i < 3; ++i)
        addRow(QStringLiteral("History"), {{QStringLiteral("Type"), vb::Variant(QStringLiteral("Info"))}});
    addRow(QStringLiteral("Exchange"), {{QStringLiteral("Type"), vb::Variant(QStringLiteral("Info"))}});
    const long exchangeRows = count(QStringLiteral("Exchange"));
    settings::frmOptions dialog(access);

    dialogs().answer(vb::vbNo);
    dialog.cmdClearHistory_Click();
    EXPECT_EQ(dialogs().last().text, QStringLiteral("Are you sure you want to delete the history folder?"));
    EXPECT_EQ(dialogs().last().defaultButton, 2) << "a quick Enter keeps the log";
    EXPECT_EQ(count(QStringLiteral("History")), 3);

    listCounts[QStringLiteral("History")] = 0; // the list shows nothing: nothing is deleted
    dialogs().answer(vb::vbYes);
    dialog.cmdClearHistory_Click();
    EXPECT_EQ(count(QStringLiteral("History")), 3);
    EXPECT_TRUE(calls.isEmpty());

    listCounts[QStringLiteral("History")] = 3;
    dialogs().answer(vb::vbYes);
    dialog.cmdClearHistory_Click();
    EXPECT_EQ(count(QStringLiteral("History")), 0);
    EXPECT_EQ(count(QStringLiteral("Exchange")), exchangeRows);
    EXPECT_EQ(calls, QStringList({QStringLiteral("RefreshBox History")}));

    listCounts[QStringLiteral("Exchange")] = 1;
    dialogs().answer(vb::vbYes);
    dialog.cmdClearExchange_Click();
    EXPECT_EQ(dialogs().last().text, QStringLiteral("Are you sure you want to delete the Exchange folder?"));
    EXPECT_EQ(count(QStringLiteral("Exchange")), 0);
}

TEST_F(SettingsTest, ClearingThatFailsHalfWayLeavesTheLogWholeAndSaysSo)
{
    for (int i = 0; i < 5; ++i)
        addRow(QStringLiteral("History"), {{QStringLiteral("Type"), vb::Variant(QStringLiteral("Info"))}});
    modGlobal::cnDatabase->Execute(QStringLiteral(
        "CREATE TEMP TRIGGER refuse_third BEFORE DELETE ON History WHEN (SELECT count(*) FROM History) = 3 "
        "BEGIN SELECT RAISE(ABORT, 'refused by the test'); END"));
    EXPECT_THROW(settings::ClearLog(*modGlobal::cnDatabase, QStringLiteral("History")), std::exception);
    EXPECT_EQ(count(QStringLiteral("History")), 5);

    settings::frmOptions dialog(access);
    listCounts[QStringLiteral("History")] = 5;
    dialogs().answer(vb::vbYes).answer(vb::vbOK);
    dialog.cmdClearHistory_Click();
    EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
    EXPECT_TRUE(dialogs().last().text.contains(QStringLiteral("refused by the test")));
    EXPECT_EQ(calls, QStringList({QStringLiteral("RefreshBox History")})) << "the list is refilled either way";
    EXPECT_GE(count(QStringLiteral("History")), 5) << "no row lost (the error itself is logged)";
}

TEST_F(SettingsTest, ClearingRefusesWhileAnotherTaskHoldsTheDatabase)
{
    for (int i = 0; i < 3; ++i)
        addRow(QStringLiteral("History"), {{QStringLiteral("Type"), vb::Variant(QStringLiteral("Info"))}});
    addRow(QStringLiteral("Exchange"), {{QStringLiteral("Type"), vb::Variant(QStringLiteral("Info"))}});
    listCounts[QStringLiteral("History")] = 3;
    listCounts[QStringLiteral("Exchange")] = 1;
    settings::frmOptions dialog(access);
    modGlobal::cnDatabase->BeginTrans();
    dialogs().answer(vb::vbYes).answer(vb::vbOK).answer(vb::vbYes).answer(vb::vbOK);
    dialog.cmdClearHistory_Click();
    dialog.cmdClearExchange_Click();
    // Counted inside the other task's transaction: a clearing that joined it
    // would show here, and vanish with its rollback.
    EXPECT_EQ(count(QStringLiteral("History")), 3);
    EXPECT_EQ(count(QStringLiteral("Exchange")), 1);
    modGlobal::cnDatabase->RollbackTrans();
    ASSERT_EQ(dialogs().boxes().size(), 4u);
    for (const size_t i : {1u, 3u}) {
        EXPECT_EQ(dialogs().boxes()[i].text,
                  QStringLiteral("Another task is writing to the database. Try again when it has finished."));
        EXPECT_EQ(dialogs().boxes()[i].icon, vb::vbExclamation);
    }
    EXPECT_TRUE(calls.isEmpty());
}

TEST_F(SettingsTest, AnUnreadableValueShowsItsDefaultIsNamedAndOkKeepsEveryOtherValue)
{
    struct Stored {
        const char *section, *key, *value;
    };
    const Stored stored[] = {
        {"Filter", "Partner", "False"},   {"Filter", "Version", "sometimes"}, {"Filter", "Used", "yes"},
        {"Filter", "Receiver ID", "1"},   {"Viewer", "PopupMenu", "0"},       {"Viewer", "DisplayTabs", "False"},
        {"Viewer", "HelpButton", "maybe"},
    };
    for (const Stored &v : stored)
        save(QString::fromLatin1(v.section), QString::fromLatin1(v.key), QString::fromLatin1(v.value));
    dialogs().answer(vb::vbOK);
    settings::frmOptions dialog(access);
    ASSERT_EQ(dialogs().boxes().size(), 1u);
    const QString message = dialogs().last().text;
    EXPECT_EQ(dialogs().last().icon, vb::vbCritical);
    EXPECT_TRUE(message.startsWith(QStringLiteral("Type mismatch"))) << message.toStdString();
    for (const char *named : {"Filter: Version = \"sometimes\"", "Filter: Used = \"yes\"", "Viewer: HelpButton = \"maybe\""})
        EXPECT_TRUE(message.contains(QString::fromLatin1(named))) << named << " in " << message.toStdString();
    EXPECT_FALSE(message.contains(QStringLiteral("PopupMenu")));

    struct Shown {
        int item;
        bool checked;
    };
    for (const Shown &f : {Shown{1, false}, Shown{2, true}, Shown{3, true}, Shown{6, false}, Shown{11, true},
                           Shown{12, false}})
        EXPECT_EQ(dialog.lvwFilter->isItemChecked(f.item), f.checked) << "filter item " << f.item;
    for (int i = 0; i < 22; ++i) {
        const QString key = QString::fromLatin1(sections::viewerKeys()[i]);
        EXPECT_EQ(dialog.chkViewer[i]->isChecked(), key != QLatin1String("PopupMenu") && key != QLatin1String("DisplayTabs"))
            << key.toStdString();
    }
    EXPECT_FALSE(dialog.cmdApply->isEnabled());

    // OK stores what the dialog shows: the readable values as they were, the
    // unreadable ones as their defaults.
    dialog.cmdOk_Click();
    const Stored after[] = {
        {"Filter", "Partner", "False"},   {"Filter", "Version", "True"},     {"Filter", "Used", "False"},
        {"Filter", "Receiver ID", "True"}, {"Filter", "Time", "True"},       {"Viewer", "PopupMenu", "0"},
        {"Viewer", "DisplayTabs", "0"},   {"Viewer", "HelpButton", "1"},    {"Viewer", "AnimationControl", "1"},
    };
    for (const Stored &v : after)
        EXPECT_EQ(setting(QString::fromLatin1(v.section), QString::fromLatin1(v.key)), QString::fromLatin1(v.value))
            << v.section << "/" << v.key;
}
