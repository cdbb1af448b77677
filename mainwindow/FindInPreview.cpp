#include "mainwindow/FindInPreview.h"

#include "core/modGlobal.h"
#include "vb/Dialogs.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace mainwindow {

int32_t FindWholeWord(QTextEdit &rtfTSet, const QString &word)
{
    if (word.isEmpty())
        return -1;
    QTextDocument *document = rtfTSet.document();
    const QTextCursor current = rtfTSet.textCursor();
    int from = 0;
    int to = -1; // no end: the whole text
    if (current.hasSelection()) {
        from = current.selectionStart();
        to = current.selectionEnd();
    }
    // Whole words only, letter case ignored.
    const QTextCursor hit = document->find(word, from, QTextDocument::FindWholeWords);
    if (hit.isNull() || (to >= 0 && hit.selectionEnd() > to))
        return -1;
    rtfTSet.setTextCursor(hit);
    return static_cast<int32_t>(hit.selectionStart());
}

int32_t LineFromChar(const QTextEdit &rtfTSet, int32_t position)
{
    const QTextBlock block = rtfTSet.document()->findBlock(position);
    return block.isValid() ? static_cast<int32_t>(block.blockNumber()) : 0;
}

void FindInPreview(QTextEdit &rtfTSet)
{
    const QString word = vb::InputBox(QStringLiteral("Find What:"), QStringLiteral("Find"), QString());
    if (word.isEmpty())
        return;
    const int32_t position = FindWholeWord(rtfTSet, word);
    if (position == -1) {
        vb::MsgBox(QStringLiteral("Not found."), vb::vbOKOnly, modGlobal::AppTitle());
        return;
    }
    const int32_t line = LineFromChar(rtfTSet, position);
    vb::MsgBox(QStringLiteral("Found on Segment ") + QString::number(line + 1), vb::vbOKOnly, modGlobal::AppTitle());
}

} // namespace mainwindow
