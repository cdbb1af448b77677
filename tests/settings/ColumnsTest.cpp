#include "SettingsTestSupport.h"

#include "controls/ListView.h"
#include "core/SettingsSections.h"
#include "settings/frmColumns.h"
#include "vb/Dialogs.h"

#include <QPushButton>

using corvantis::test::dialogs;
using settingstest::SettingsTest;

namespace {

const QStringList kRebuildOrder = {
    "CreateColumns Inbox", "CreateColumns Outbox", "CreateColumns Sent", "CreateColumns Recycled",
    "RefreshBox Inbox",    "RefreshBox Outbox",    "RefreshBox Sent",    "RefreshBox Recycled"};

QStringList checks(const settings::frmColumns &dialog)
{
    QStringList on;
    for (int i = 1; i <= dialog.lvwColumns->itemCount(); ++i)
        if (dialog.lvwColumns->isItemChecked(i))
            on << dialog.lvwColumns->item(i)->text();
    return on;
}

} // namespace

TEST_F(SettingsTest, ColumnChooserOpensOnTheDefaultsWithNothingPending)
{
    settings::frmColumns dialog(access);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Columns"));
    EXPECT_EQ(dialog.lvwColumns->itemCount(), 13);
    EXPECT_EQ(checks(dialog), QStringList({"Acknowledged", "Partner", "Transaction", "Version", "Date", "Time"}));
    EXPECT_FALSE(dialog.cmdApply->isEnabled());
    dialog.cmdOk_Click(); // nothing touched: nothing written, nothing rebuilt
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_EQ(setting(QStringLiteral("Columns"), QStringLiteral("Partner")), QStringLiteral("<none>"));
}

TEST_F(SettingsTest, ApplyWritesAllThirteenThenRebuildsEveryMailboxListBeforeRefillingAny)
{
    settings::frmColumns dialog(access);
    dialog.lvwColumns->setSelectedItem(10); // Sender ID
    dialog.cmdShow_Click();
    dialog.lvwColumns->setSelectedItem(1);
    dialog.cmdHide_Click();
    EXPECT_TRUE(dialog.cmdApply->isEnabled());
    dialog.cmdApply_Click();
    EXPECT_EQ(calls, kRebuildOrder);
    EXPECT_FALSE(dialog.cmdApply->isEnabled());
    EXPECT_EQ(setting(QStringLiteral("Columns"), QStringLiteral("Acknowledged")), QStringLiteral("False"));
    EXPECT_EQ(setting(QStringLiteral("Columns"), QStringLiteral("Sender ID")), QStringLiteral("True"));
    EXPECT_EQ(setting(QStringLiteral("Columns"), QStringLiteral("Receiver Division")), QStringLiteral("False"));

    // Show on a column already shown still counts as a change: Apply rewrites.
    calls.clear();
    dialog.lvwColumns->setSelectedItem(2);
    dialog.cmdShow_Click();
    EXPECT_TRUE(dialog.cmdApply->isEnabled());
    dialog.cmdOk_Click();
    EXPECT_EQ(calls, kRebuildOrder);
}

TEST_F(SettingsTest, NoColumnTickedIsRefusedAndNothingChanges)
{
    save(QStringLiteral("Columns"), QStringLiteral("Time"), QStringLiteral("False"));
    settings::frmColumns dialog(access);
    for (int i = 1; i <= 13; ++i)
        dialog.lvwColumns->setItemChecked(i, false);
    EXPECT_TRUE(dialog.cmdApply->isEnabled()) << "a check change counts";
    dialogs().answer(vb::vbOK);
    dialog.cmdApply_Click();
    EXPECT_EQ(dialogs().last().text,
              QStringLiteral("At least one column must be visible. Please check one of the columns listed before "
                             "continuing."));
    EXPECT_EQ(dialogs().last().icon, vb::vbExclamation);
    EXPECT_TRUE(dialog.cmdApply->isEnabled());
    EXPECT_TRUE(calls.isEmpty());
    EXPECT_EQ(setting(QStringLiteral("Columns"), QStringLiteral("Partner")), QStringLiteral("<none>"));
    EXPECT_EQ(setting(QStringLiteral("Columns"), QStringLiteral("Time")), QStringLiteral("False"));

    dialogs().answer(vb::vbOK);
    dialog.cmdOk_Click(); // the warning again, and the dialog closes with the old choice
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_TRUE(calls.isEmpty());
}

TEST_F(SettingsTest, ResetGivesTheDefaultSetAndCancelKeepsWhatApplyWrote)
{
    save(QStringLiteral("Columns"), QStringLiteral("Used"), QStringLiteral("True"));
    save(QStringLiteral("Columns"), QStringLiteral("Date"), QStringLiteral("False"));
    {
        settings::frmColumns dialog(access);
        dialog.cmdReset_Click();
        dialog.cmdCancel_Click();
    }
    EXPECT_EQ(setting(QStringLiteral("Columns"), QStringLiteral("Used")), QStringLiteral("True")) << "Cancel writes nothing";
    {
        settings::frmColumns dialog(access);
        dialog.cmdReset_Click();
        dialog.cmdApply_Click();
        dialog.lvwColumns->setItemChecked(13, true);
        dialog.cmdCancel_Click();
    }
    EXPECT_EQ(sections::readColumns(),
              std::vector<bool>({true, true, true, true, true, true, false, false, false, false, false, false, false}));
    EXPECT_EQ(setting(QStringLiteral("Columns"), QStringLiteral("Receiver ID")), QStringLiteral("False"))
        << "Reset then Apply stores all thirteen explicitly";
}

