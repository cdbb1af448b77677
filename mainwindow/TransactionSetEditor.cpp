#include "mainwindow/TransactionSetEditor.h"

#include "mainwindow/LockStepWalk.h"

#include "ado/Connection.h"
#include "ado/Recordset.h"
#include "controls/ListView.h"
#include "core/modGlobal.h"
#include "vb/Dialogs.h"
#include "vb/VbError.h"

#include <QAction>
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

void TransactionSetEditor::EnterEditMode()
{
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
        EnterEditMode();
    }
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
    if (isEditing()) {
        if (vb::MsgBox(QStringLiteral("WARNING: Saving changes can cause serious errors!"),
                       vb::vbYesNo | vb::vbCritical, modGlobal::AppTitle()) == vb::vbNo) {
            LeaveEditMode();
            return;
        }
    }
    std::unique_ptr<LockStepWalk> walk;
    try {
        if (!m_ctx.connection)
            vb::raise(3704, QStringLiteral("Operation is not allowed when the object is closed."));
        if (!list.selectedItem())
            vb::raise(91, QStringLiteral("Object variable or With block variable not set"));
        walk = std::make_unique<LockStepWalk>(list, *m_ctx.connection);
        if (walk->position(list.selectedItemIndex()) == LockStepWalk::Outcome::Stale) {
            walk->close();
            LeaveEditMode();
            ReportStaleList(list, QStringLiteral("Edit Transaction"), m_ctx.RefreshBox);
            return;
        }
        ado::Recordset &rs = walk->recordset();
        const vb::Variant partnerValue = rs.Fields(QStringLiteral("Partner")).Value();
        const QString partner = partnerValue.isNull() ? QString() : partnerValue.toString();
        const QString terminator = modGlobal::GetSegmentTerminator(partner);
        if (terminator.isEmpty()) {
            // Stored without terminators the set could never be read again.
            walk->close();
            LeaveEditMode();
            vb::MsgBox(NoTerminatorMessage(partner), vb::vbOKOnly | vb::vbExclamation, modGlobal::AppTitle());
            return;
        }
        rs.Fields(QStringLiteral("TSet")) = ToStoredText(m_preview.toPlainText(), terminator);
        rs.Update();
        walk->close();
        LeaveEditMode();
    } catch (const std::exception &e) {
        if (walk) {
            try {
                walk->recordset().CancelUpdate();
            } catch (const std::exception &) {
            }
            try {
                walk->close();
            } catch (const std::exception &) {
            }
        }
        LeaveEditMode();
        modGlobal::ReportError(e);
    }
}

} // namespace mainwindow
