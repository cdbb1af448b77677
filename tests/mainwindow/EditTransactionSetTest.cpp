// Edit Data: the toggle's states, and the save that turns the preview's line
// breaks back into the partner's segment terminator.

#include "MailboxTestSupport.h"

#include "TestEnvironment.h"

#include "core/modGlobal.h"
#include "mainwindow/LockStepWalk.h"
#include "mainwindow/TransactionSetEditor.h"
#include "vb/Dialogs.h"

#include <QAction>
#include <QTextEdit>

using corvantis::test::dialogs;
using mainwindow::TransactionSetEditor;

namespace mailboxtest {
namespace {

const QString kTilde = QStringLiteral("ST*830*0001~BFR*05*SCHED~SE*3*0001~");
const QString kCrLf = QStringLiteral("ST*830*0002\r\nBFR*05*SCHED\r\nSE*3*0002\r\n");
const QString kOrphan = QStringLiteral("ST*830*0003~SE*2*0003~");

class EditTransactionSetTest : public MailboxTest {
protected:
    void SetUp() override
    {
        MailboxTest::SetUp();
        addPartner(QStringLiteral("TILDE"), '~');
        addPartner(QStringLiteral("CRLF"), 0);
        addMailboxRow(QStringLiteral("Inbox"), QStringLiteral("1"),
                      {{"Partner", QStringLiteral("TILDE")}, {"TSet", kTilde}, {"Used", QStringLiteral("u1")}});
        addMailboxRow(QStringLiteral("Inbox"), QStringLiteral("2"),
                      {{"Partner", QStringLiteral("CRLF")}, {"TSet", kCrLf}, {"Used", QStringLiteral("u2")}});
        addMailboxRow(QStringLiteral("Inbox"), QStringLiteral("3"),
                      {{"Partner", QStringLiteral("NOSUCHPARTNER")}, {"TSet", kOrphan}, {"Used", QStringLiteral("u3")}});
        lvwInbox->setSortKey(1); // Partner: CRLF, NOSUCHPARTNER, TILDE
        fill(*lvwInbox);
        preview.setReadOnly(true);
        editor = std::make_unique<TransactionSetEditor>(preview, mnuEditData, context());
    }

    // The preview of a list row as the main window shows it: each terminator
    // a line break.
    void show(int row, const QString &partnerTerminator)
    {
        lvwInbox->setSelectedItem(row);
        const QString tset = tableRows(QStringLiteral("Inbox"))[static_cast<size_t>(usedRow(row))].at("TSet");
        preview.setPlainText(QString(tset).replace(partnerTerminator, QStringLiteral("\n")));
    }
    int usedRow(int row) { return usedColumn(*lvwInbox)[row - 1].mid(1).toInt() - 1; }
    QString tset(const QString &used)
    {
        for (const Row &r : tableRows(QStringLiteral("Inbox")))
            if (r.at("Used") == used)
                return r.at("TSet");
        return QStringLiteral("<none>");
    }
    void expectViewing()
    {
        EXPECT_FALSE(preview.font().bold());
        EXPECT_TRUE(preview.isReadOnly());
        EXPECT_FALSE(preview.isUndoRedoEnabled());
    }

    QTextEdit preview;
    QAction mnuEditData{QStringLiteral("&Edit Data")};
    std::unique_ptr<TransactionSetEditor> editor;
};

TEST_F(EditTransactionSetTest, EditAndSaveWithTildeTerminator)
{
    show(3, QStringLiteral("~")); // TILDE
    editor->Toggle(lvwInbox.get());
    EXPECT_TRUE(mnuEditData.isChecked());
    EXPECT_TRUE(preview.font().bold());
    EXPECT_FALSE(preview.isReadOnly());
    EXPECT_TRUE(preview.isUndoRedoEnabled());

    preview.setPlainText(QStringLiteral("ST*830*0001\nBFR*06*SCHED\nSE*3*0001\n"));
    const auto before = tableRows(QStringLiteral("Inbox"));
    dialogs().answer(vb::vbYes);
    editor->Toggle(lvwInbox.get());

    const auto &box = dialogs().last();
    EXPECT_EQ(box.text, QStringLiteral("WARNING: Saving changes can cause serious errors!"));
    EXPECT_EQ(box.buttons, vb::vbYesNo);
    EXPECT_EQ(box.icon, vb::vbCritical);
    EXPECT_EQ(box.caption, QStringLiteral("Corvantis"));
    EXPECT_EQ(tset("u1"), QStringLiteral("ST*830*0001~BFR*06*SCHED~SE*3*0001~"));
    // Nothing but TSet changed.
    auto expected = before;
    expected[0]["TSet"] = QStringLiteral("ST*830*0001~BFR*06*SCHED~SE*3*0001~");
    EXPECT_EQ(tableRows(QStringLiteral("Inbox")), expected);
    EXPECT_FALSE(mnuEditData.isChecked());
    expectViewing();
    EXPECT_EQ(history(), QStringList({"Selected [Edit] - [Edit Transaction]"}));
    EXPECT_TRUE(refreshed.empty());
}

TEST_F(EditTransactionSetTest, SavingUnchangedTextKeepsEveryTerminator)
{
    struct Case {
        int row;
        const char *used;
        QString terminator;
        QString stored;
    };
    for (const Case &c : {Case{3, "u1", QStringLiteral("~"), kTilde}, Case{1, "u2", QStringLiteral("\r\n"), kCrLf}}) {
        SCOPED_TRACE(c.used);
        show(c.row, c.terminator);
        editor->Toggle(lvwInbox.get());
        dialogs().answer(vb::vbYes);
        editor->Toggle(lvwInbox.get());
        EXPECT_EQ(tset(QString::fromLatin1(c.used)), c.stored);
    }
}

TEST_F(EditTransactionSetTest, AnsweringNoKeepsTheRowAndTheEditedPreview)
{
    show(3, QStringLiteral("~"));
    editor->Toggle(lvwInbox.get());
    preview.setPlainText(QStringLiteral("ST*830*0001\nSE*2*0001\n"));
    dialogs().answer(vb::vbNo);
    editor->Toggle(lvwInbox.get());
    EXPECT_EQ(tset("u1"), kTilde);
    EXPECT_EQ(preview.toPlainText(), QStringLiteral("ST*830*0001\nSE*2*0001\n"));
    EXPECT_FALSE(mnuEditData.isChecked());
    expectViewing();
}

TEST_F(EditTransactionSetTest, PartnerWithoutTerminatorIsRefused)
{
    show(2, QStringLiteral("~")); // NOSUCHPARTNER: no Partner row
    editor->Toggle(lvwInbox.get());
    preview.setPlainText(QStringLiteral("ST*830*0003\nSE*2*0003\n"));
    dialogs().answer(vb::vbYes).answer(vb::vbOK);
    editor->Toggle(lvwInbox.get());
    EXPECT_EQ(dialogs().last().text, TransactionSetEditor::NoTerminatorMessage(QStringLiteral("NOSUCHPARTNER")));
    EXPECT_EQ(dialogs().last().icon, vb::vbExclamation);
    EXPECT_EQ(tset("u3"), kOrphan);
    expectViewing();
}

TEST_F(EditTransactionSetTest, TheSaveGoesToTheEditedRowWhateverTheListShows)
{
    show(3, QStringLiteral("~")); // TILDE, u1
    editor->Toggle(lvwInbox.get());
    preview.setPlainText(QStringLiteral("ST*830*0001\nBFR*07*SCHED\nSE*3*0001\n"));
    // Another row goes away and the list now shows another row at that place.
    deleteBehind(QStringLiteral("Inbox"), QStringLiteral("u2"));
    lvwInbox->setSelectedItem(1);
    dialogs().answer(vb::vbYes);
    editor->Toggle(lvwInbox.get());
    EXPECT_EQ(tset("u1"), QStringLiteral("ST*830*0001~BFR*07*SCHED~SE*3*0001~"));
    EXPECT_EQ(tset("u3"), kOrphan);
    expectViewing();
}

TEST_F(EditTransactionSetTest, AnEditedRowThatIsGoneIsNotWrittenAnywhere)
{
    show(3, QStringLiteral("~"));
    editor->Toggle(lvwInbox.get());
    preview.setPlainText(QStringLiteral("ST*830*0001\nSE*2*0001\n"));
    deleteBehind(QStringLiteral("Inbox"), QStringLiteral("u1"));
    const auto before = tableRows(QStringLiteral("Inbox"));
    dialogs().answer(vb::vbYes).answer(vb::vbOK);
    editor->Toggle(lvwInbox.get());
    EXPECT_EQ(dialogs().last().text, TransactionSetEditor::EditedRowGoneMessage());
    EXPECT_EQ(tableRows(QStringLiteral("Inbox")), before);
    expectViewing();
}

TEST_F(EditTransactionSetTest, APendingEditIsSavedDroppedOrKept)
{
    struct Case {
        int answer;
        bool resolved;
        const char *stored;
        bool stillEditing;
    };
    const Case cases[] = {
        {vb::vbYes, true, "ST*830*0001~BFR*08*SCHED~SE*3*0001~", false},
        {vb::vbNo, true, "ST*830*0001~BFR*05*SCHED~SE*3*0001~", false},
        {vb::vbCancel, false, "ST*830*0001~BFR*05*SCHED~SE*3*0001~", true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.answer);
        show(3, QStringLiteral("~"));
        editor->Toggle(lvwInbox.get());
        preview.setPlainText(QStringLiteral("ST*830*0001\nBFR*08*SCHED\nSE*3*0001\n"));
        dialogs().answer(c.answer);
        EXPECT_EQ(editor->ResolvePendingEdit(), c.resolved);
        EXPECT_EQ(dialogs().last().text, TransactionSetEditor::PendingEditQuestion());
        EXPECT_EQ(dialogs().last().buttons, vb::vbYesNoCancel);
        EXPECT_EQ(tset("u1"), QString::fromLatin1(c.stored));
        EXPECT_EQ(editor->hasPendingEdit(), c.stillEditing);
        if (c.stillEditing) {
            dialogs().answer(vb::vbNo);
            EXPECT_TRUE(editor->ResolvePendingEdit());
        }
        // Put the stored set back for the next case.
        dialogs().answer(vb::vbYes);
        show(3, QStringLiteral("~"));
        editor->Toggle(lvwInbox.get());
        preview.setPlainText(QString(kTilde).replace(QStringLiteral("~"), QStringLiteral("\n")));
        editor->Toggle(lvwInbox.get());
    }
    // Nothing pending: no question.
    const size_t boxes = dialogs().boxes().size();
    EXPECT_TRUE(editor->ResolvePendingEdit());
    EXPECT_EQ(dialogs().boxes().size(), boxes);
}

TEST_F(EditTransactionSetTest, EveryLatin1CharacterRoundTrips)
{
    // Every byte but NUL (refused by the data layer), the line structure
    // (CR, LF) and the partner's terminator.
    QString line;
    for (int c = 1; c < 256; ++c)
        if (c != '\r' && c != '\n' && c != '~')
            line += QChar(c);
    const QString stored = QStringLiteral("ST*830*0001~REF*ZZ*") + line + QStringLiteral("~SE*3*0001~");
    modGlobal::cnDatabase->Execute(QStringLiteral("UPDATE Inbox SET TSet = '") + QString(stored).replace(u'\'', QStringLiteral("''"))
                                   + QStringLiteral("' WHERE Used = 'u1'"));
    show(3, QStringLiteral("~"));
    editor->Toggle(lvwInbox.get());
    dialogs().answer(vb::vbYes);
    editor->Toggle(lvwInbox.get());
    EXPECT_EQ(tset("u1"), stored);
}

TEST_F(EditTransactionSetTest, OutsideAMailboxListOnlyTheHistoryEntry)
{
    show(3, QStringLiteral("~"));
    editor->Toggle(lvwInbox.get());
    editor->Toggle(nullptr);
    EXPECT_EQ(boxCount(), 0u);
    EXPECT_EQ(history(), QStringList({"Selected [Edit] - [Edit Transaction]"}));
    EXPECT_FALSE(mnuEditData.isChecked());
    // The preview stays editable until Edit Data enters edit mode again.
    EXPECT_TRUE(preview.font().bold());
    EXPECT_FALSE(preview.isReadOnly());
    EXPECT_EQ(tset("u1"), kTilde);
}

TEST(EditTransactionSetText, LineBreaksBecomeTheTerminator)
{
    EXPECT_EQ(TransactionSetEditor::ToStoredText("A*1\nB*2\n", "~"), QStringLiteral("A*1~B*2~"));
    EXPECT_EQ(TransactionSetEditor::ToStoredText("A*1\r\nB*2\n", "\r\n"), QStringLiteral("A*1\r\nB*2\r\n"));
    EXPECT_EQ(TransactionSetEditor::ToStoredText("A*1", "~"), QStringLiteral("A*1"));
}

} // namespace
} // namespace mailboxtest
