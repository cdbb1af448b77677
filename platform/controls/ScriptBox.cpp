#include "controls/ScriptBox.h"

#include <QDropEvent>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMimeData>

namespace controls {

namespace {

// Every character of the sample takes the same room: what lines scripts up,
// whatever the font claims of itself (some monospaced fonts are not flagged
// fixed-pitch, some flagged fonts are resolved to a proportional face).
bool evenAdvances(const QFont &font)
{
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(QLatin1Char('W'));
    if (width <= 0)
        return false;
    for (const QChar c : QStringLiteral("iIl1.:, _0mM@"))
        if (qAbs(metrics.horizontalAdvance(c) - width) > 0.01)
            return false;
    return true;
}

QFont withFamily(const QString &family)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setFamilies({family});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}

// The family to use instead of the desktop's fixed-pitch font; empty when
// that font is monospaced (or nothing better is installed).
QString findMonospacedFamily()
{
    if (evenAdvances(QFontDatabase::systemFont(QFontDatabase::FixedFont)))
        return {};
    // The desktop's generic choice, then the families the database calls
    // fixed-pitch, then any family at all.
    if (evenAdvances(withFamily(QStringLiteral("monospace"))))
        return QStringLiteral("monospace");
    const QStringList families = QFontDatabase::families();
    for (const bool flaggedOnly : {true, false}) {
        for (const QString &family : families) {
            if (flaggedOnly && !QFontDatabase::isFixedPitch(family))
                continue;
            if (evenAdvances(withFamily(family)))
                return family;
        }
    }
    return {};
}

} // namespace

QFont monospacedFont()
{
    // Looked for once: the fonts of a running session do not change under it.
    static const QString family = findMonospacedFamily();
    return family.isEmpty() ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : withFamily(family);
}

ScriptBox::ScriptBox(QWidget *parent) : QPlainTextEdit(parent)
{
    setFont(monospacedFont());
    setTabChangesFocus(false);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setAcceptDrops(true);
    // Exactly four blanks: a whole-pixel advance would put the stops off the
    // columns of a font whose blank is a fraction wide.
    setTabStopDistance(QFontMetricsF(font()).horizontalAdvance(QLatin1Char(' ')) * 4);
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
