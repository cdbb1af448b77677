#include "controls/ScriptBox.h"

#include <QDropEvent>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMimeData>

namespace controls {

ScriptBox::ScriptBox(QWidget *parent) : QPlainTextEdit(parent)
{
    setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    setTabChangesFocus(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setAcceptDrops(true);
    setTabStopDistance(fontMetrics().horizontalAdvance(QLatin1Char(' ')) * 4);
}

bool ScriptBox::event(QEvent *event)
{
    // Shift+Tab would move the focus before keyPressEvent sees it.
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && !isReadOnly()
            && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            insertPlainText(QStringLiteral("\t"));
            return true;
        }
    }
    return QPlainTextEdit::event(event);
}

void ScriptBox::keyPressEvent(QKeyEvent *event)
{
    QPlainTextEdit::keyPressEvent(event);
}

bool ScriptBox::canInsertFromMimeData(const QMimeData *source) const
{
    return source->hasText();
}

void ScriptBox::insertFromMimeData(const QMimeData *source)
{
    if (source->hasText())
        insertPlainText(source->text());
}

void ScriptBox::dragEnterEvent(QDragEnterEvent *event)
{
    if (event->mimeData()->hasText() && !isReadOnly()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
        QPlainTextEdit::dragEnterEvent(event);
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void ScriptBox::dragMoveEvent(QDragMoveEvent *event)
{
    QPlainTextEdit::dragMoveEvent(event);
    if (event->mimeData()->hasText() && !isReadOnly()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    }
}

void ScriptBox::dropEvent(QDropEvent *event)
{
    if (!event->mimeData()->hasText() || isReadOnly()) {
        event->ignore();
        return;
    }
    // At the drop point, never moving text out of the source.
    QTextCursor at = cursorForPosition(event->position().toPoint());
    at.insertText(event->mimeData()->text());
    setTextCursor(at);
    event->setDropAction(Qt::CopyAction);
    event->accept();
    setFocus();
}

} // namespace controls
