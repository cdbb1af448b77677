#pragma once
// Edit Data of the main window: a toggle that unlocks the preview of the
// current transaction set for editing and, when switched off, writes the
// edited text back into the row's TSet after a warning. The preview shows one
// segment per line; saving turns each line break back into the partner's
// segment terminator.

#include "mainwindow/MailboxCommands.h"

#include <QString>

class QAction;
class QTextEdit;

namespace mainwindow {

class TransactionSetEditor {
public:
    // The preview rtfTSet and the menu item mnuEditData; the context gives
    // the connection and the list refill.
    TransactionSetEditor(QTextEdit &rtfTSet, QAction &mnuEditData, MailboxContext context);

    // mnuEditData_Click after its History entry: enters edit mode, or saves
    // (for a mailbox list; null for another node) and unchecks the item.
    void Toggle(controls::ListView *mailboxList);

    // Edit mode shows as: item checked, preview bold and writable, undo on.
    // The row being edited (the list's current row) is remembered by rowid:
    // the save goes to that row whatever the list shows by then.
    void EnterEditMode(controls::ListView *mailboxList = nullptr);
    // Font not bold, undo off, preview locked. The item's check is the caller's.
    void LeaveEditMode();
    // The save takes a bold preview as the sign of edit mode.
    bool isEditing() const;

    // History entry "Selected [Edit] - [Edit Transaction]", then the write
    // for a mailbox list.
    void SaveEditedTransaction(controls::ListView *mailboxList);
    // Asks, then writes the preview's text into TSet of the row being edited
    // (the list's current row when none was remembered).
    void WriteTransactionSet(controls::ListView &list);

    // An edit not yet saved or dropped.
    bool hasPendingEdit() const;
    // The row being edited.
    const QString &editedTable() const { return m_table; }
    qint64 editedRowid() const { return m_rowid; }
    // Before the preview is refilled, another folder is shown or the window
    // closes: "Save the changes ...?" Yes saves to the edited row, No drops
    // the edit, Cancel stays in edit mode (false).
    bool ResolvePendingEdit();
    static QString PendingEditQuestion();
    static QString EditedRowGoneMessage();

    // The preview's text with its line breaks turned into the terminator.
    static QString ToStoredText(const QString &previewText, const QString &terminator);
    // The refusal shown when the row's partner has no terminator.
    static QString NoTerminatorMessage(const QString &partner);

private:
    // The preview's characters as they are (no-break spaces kept), one line
    // feed per line.
    QString previewText() const;
    void write(controls::ListView *list, bool warn);

    QTextEdit &m_preview;
    QAction &m_item;
    MailboxContext m_ctx;
    QString m_table;
    qint64 m_rowid = 0;
};

} // namespace mainwindow
