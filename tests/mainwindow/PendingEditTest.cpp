// An edit in the preview of the main window is never lost or written into
// another row: choosing another row, another folder or closing the window
// asks first; the preview is read-only until Edit Data unlocks it.

#include "MainWindowFixture.h"

#include "ado/Recordset.h"
#include "mainwindow/TransactionSetEditor.h"
#include "vb/Dialogs.h"

#include <QTextEdit>

using corvantis::test::dialogs;

namespace mainwindow::test {
namespace {

class PendingEditTest : public MainWindowTest {
protected:
    QString tsetOf(const QString &icn)
    {
        ado::Recordset rs;
        rs.Open(QStringLiteral("SELECT TSet FROM Inbox WHERE InterchangeControlNumber = '") + icn + QStringLiteral("'"),
                db.connection(), ado::adOpenForwardOnly, ado::adLockReadOnly);
        return rs.Eof() ? QStringLiteral("<none>") : rs.Fields(QStringLiteral("TSet")).Value().toString();
    }
    frmMain &loadWithTwoRows()
    {
        db.connection().Execute(QStringLiteral(
            "INSERT INTO Partner (Partner, Segment, element, sub) VALUES ('ACME', 126, 42, 62)"));
        insert(QStringLiteral("Inbox"), {QStringLiteral("ACME"), QStringLiteral("830"), QStringLiteral("Closed"),
                                         QStringLiteral("No"), QStringLiteral("ST*830*0001~SE*2*0001~")}, 1);
        insert(QStringLiteral("Inbox"), {QStringLiteral("ACME"), QStringLiteral("830"), QStringLiteral("Closed"),
                                         QStringLiteral("No"), QStringLiteral("ST*830*0002~SE*2*0002~")}, 2);
        frmMain &main = load();
        const int inbox = main.tvwFolderList->nodeIndex(QStringLiteral("Inbox"));
        main.tvwFolderList->setSelectedNode(inbox);
        main.tvwFolderList_NodeClick(inbox);
        return main;
    }
};

TEST_F(PendingEditTest, ThePreviewIsLockedUntilEditData)
{
    frmMain &main = loadWithTwoRows();
    EXPECT_TRUE(main.rtfTSet->isReadOnly());
    main.menuItem(QStringLiteral("mnuEditData"))->trigger();
    EXPECT_FALSE(main.rtfTSet->isReadOnly());
}

TEST_F(PendingEditTest, AnotherRowAsksAndTheSaveGoesToTheEditedRow)
{
    frmMain &main = loadWithTwoRows();
    ASSERT_EQ(main.lvwInbox->itemCount(), 2);
    main.lvwInbox->setSelectedItem(1);
    main.lvwBox_ItemClick(main.lvwInbox);
    const QString firstShown = main.rtfTSet->toPlainText();
    const QString edited = firstShown.contains(QStringLiteral("0001")) ? QStringLiteral("000000001")
                                                                      : QStringLiteral("000000002");
    main.menuItem(QStringLiteral("mnuEditData"))->trigger();
    main.rtfTSet->setPlainText(firstShown + QStringLiteral("REF*ZZ*TYPED\n"));

    // Cancel: the edited row stays current and the typed text stays.
    dialogs().answer(vb::vbCancel);
    main.lvwInbox->setSelectedItem(2);
    main.lvwBox_ItemClick(main.lvwInbox);
    EXPECT_EQ(dialogs().last().text, TransactionSetEditor::PendingEditQuestion());
    EXPECT_EQ(main.lvwInbox->selectedItemIndex(), 1);
    EXPECT_TRUE(main.rtfTSet->toPlainText().contains(QStringLiteral("TYPED")));

    // Another folder: Cancel keeps the Inbox shown.
    dialogs().answer(vb::vbCancel);
    const int sent = main.tvwFolderList->nodeIndex(QStringLiteral("Sent"));
    main.tvwFolderList->setSelectedNode(sent);
    main.tvwFolderList_NodeClick(sent);
    EXPECT_TRUE(main.lvwInbox->isVisible());

    // Closing: Cancel keeps the window.
    dialogs().answer(vb::vbCancel);
    EXPECT_FALSE(main.Form_Unload());

    // Yes: saved into the row that was edited, then the other row is shown.
    dialogs().answer(vb::vbYes);
    main.lvwInbox->setSelectedItem(2);
    main.lvwBox_ItemClick(main.lvwInbox);
    EXPECT_TRUE(tsetOf(edited).contains(QStringLiteral("REF*ZZ*TYPED~"))) << tsetOf(edited).toStdString();
    const QString other = edited == QStringLiteral("000000001") ? QStringLiteral("000000002") : QStringLiteral("000000001");
    EXPECT_FALSE(tsetOf(other).contains(QStringLiteral("TYPED")));
    EXPECT_FALSE(main.rtfTSet->toPlainText().contains(QStringLiteral("TYPED")));
    EXPECT_TRUE(main.rtfTSet->isReadOnly());
}

} // namespace
} // namespace mainwindow::test
