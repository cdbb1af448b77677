#include "mainwindow/TransactionSetEditor.h"

#include "mainwindow/LockStepWalk.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "controls/ListView.h"
#include "core/Logging.h"
#include "core/modGlobal.h"
#include "vb/Dialogs.h"
#include "vb/VbError.h"

#include <QAction>
#include <QTextDocument>
#include <QTextEdit>
#include <memory>

namespace mainwindow {

TransactionSetEditor::TransactionSetEditor(QTextEdit &rtfTSet, QAction &mnuEditData, MailboxContext context)
    : m_preview(rtfTSet), m_item(mnuEditData), m_ctx(std::move(context))
{
    m_item.setCheckable(true);
}

bool TransactionSetEditor::isEditing() const
{
    return m_preview.font().bold();
}

void TransactionSetEditor::EnterEditMode(controls::ListView *mailboxList)
{
    m_table.clear();
    m_rowid = 0;
    if (mailboxList && mailboxList->selectedItem()) {
        m_table = mailboxList->tag();
        m_rowid = mailboxList->selectedItem()->rowid();
    }
    m_item.setChecked(true);
    QFont font = m_preview.font();
    font.setBold(true);
    m_preview.setFont(font);
    m_preview.setReadOnly(false);
    // The second edit switch: undo and redo exist only while editing.
    m_preview.setUndoRedoEnabled(true);
    m_preview.setFocus();
}

void TransactionSetEditor::LeaveEditMode()
{
    QFont font = m_preview.font();
    font.setBold(false);
    m_preview.setFont(font);
    m_preview.setUndoRedoEnabled(false);
    m_preview.setReadOnly(true);
}

void TransactionSetEditor::Toggle(controls::ListView *mailboxList)
{
    if (m_item.isChecked()) {
        SaveEditedTransaction(mailboxList);
        m_item.setChecked(false);
    } else {
        EnterEditMode(mailboxList);
    }
}

bool TransactionSetEditor::hasPendingEdit() const
{
    return m_item.isChecked() && isEditing();
}

QString TransactionSetEditor::PendingEditQuestion()
{
    return QStringLiteral("Save the changes to the transaction set you are editing?");
}

QString TransactionSetEditor::EditedRowGoneMessage()
{
    return QStringLiteral("The transaction set you were editing is no longer in its folder; the edit was not saved.");
}

bool TransactionSetEditor::ResolvePendingEdit()
{
    if (!hasPendingEdit())
        return true;
    const int answer = vb::MsgBox(PendingEditQuestion(), vb::vbYesNoCancel | vb::vbQuestion, modGlobal::AppTitle());
    if (answer == vb::vbCancel)
        return false;
    if (answer == vb::vbYes) {
        modGlobal::LogHistory(QStringLiteral("Info"), QStringLiteral("Selected [Edit] - [Edit Transaction]"));
        write(nullptr, false);
    } else {
        LeaveEditMode();
    }
    m_item.setChecked(false);
    m_table.clear();
    m_rowid = 0;
    return true;
}

QString TransactionSetEditor::previewText() const
{
    // The raw text keeps no-break spaces (the plain-text form turns them into
    // blanks); its paragraph separators are the lines.
    QString text = m_preview.document()->toRawText();
    text.replace(QChar(QChar::ParagraphSeparator), QLatin1Char('\n'));
    text.replace(QChar(QChar::LineSeparator), QLatin1Char('\n'));
    return text;
}

void TransactionSetEditor::SaveEditedTransaction(controls::ListView *mailboxList)
{
    modGlobal::LogHistory(QStringLiteral("Info"), QStringLiteral("Selected [Edit] - [Edit Transaction]"));
    if (mailboxList)
        WriteTransactionSet(*mailboxList);
}

QString TransactionSetEditor::ToStoredText(const QString &previewText, const QString &terminator)
{
    // The box breaks lines with a line feed; a pasted CR LF is one break too.
    QString text = previewText;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\n'), terminator);
    return text;
}

QString TransactionSetEditor::NoTerminatorMessage(const QString &partner)
{
    return QStringLiteral("The transaction set was not saved: the partner '") + partner
        + QStringLiteral("' has no segment terminator (no partner record).\r\n")
        + QStringLiteral("Set up the partner first; the stored transaction set is unchanged.");
}

void TransactionSetEditor::WriteTransactionSet(controls::ListView &list)
{
    write(&list, true);
    m_table.clear();
    m_rowid = 0;
}

void TransactionSetEditor::write(controls::ListView *list, bool warn)
{
    if (warn && isEditing()) {
        if (vb::MsgBox(QStringLiteral("WARNING: Saving changes can cause serious errors!"),
                       vb::vbYesNo | vb::vbCritical, modGlobal::AppTitle()) == vb::vbNo) {
            LeaveEditMode();
            return;
        }
    }
    std::unique_ptr<ado::Recordset> rs;
    try {
        if (!m_ctx.connection)
            vb::raise(3704, QStringLiteral("Operation is not allowed when the object is closed."));
        QString table = m_table;
        qint64 rowid = m_rowid;
        if (rowid == 0) {
            if (!list || !list->selectedItem())
                vb::raise(91, QStringLiteral("Object variable or With block variable not set"));
            table = list->tag();
            rowid = list->selectedItem()->rowid();
        }
        rs = std::make_unique<ado::Recordset>();
        rs->Open(QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE rowid = ") + QString::number(rowid),
                 *m_ctx.connection, ado::adOpenKeyset, ado::adLockOptimistic);
        if (rs->Eof()) {
            // Moved, recycled or deleted meanwhile: nothing is written anywhere else.
            rs->Close();
            LeaveEditMode();
            vb::MsgBox(EditedRowGoneMessage(), vb::vbOKOnly | vb::vbExclamation, modGlobal::AppTitle());
            return;
        }
        const vb::Variant partnerValue = rs->Fields(QStringLiteral("Partner")).Value();
        const QString partner = partnerValue.isNull() ? QString() : partnerValue.toString();
        const QString terminator = modGlobal::GetSegmentTerminator(partner);
        if (terminator.isEmpty()) {
            // Stored without terminators the set could never be read again.
            rs->Close();
            LeaveEditMode();
            vb::MsgBox(NoTerminatorMessage(partner), vb::vbOKOnly | vb::vbExclamation, modGlobal::AppTitle());
            return;
        }
        rs->Fields(QStringLiteral("TSet")) = ToStoredText(previewText(), terminator);
        rs->Update();
        rs->Close();
        LeaveEditMode();
    } catch (const std::exception &e) {
        if (rs && rs->State() == ado::adStateOpen) {
            try {
                rs->CancelUpdate();
            } catch (const std::exception &) {
                core::recordCaught(lcMailbox(), "set editor: the failed save's edit was not cancelled");
            }
        }
        LeaveEditMode();
        modGlobal::ReportError(e);
    }
}

} // namespace mainwindow
