#pragma once
// Edit > Find... of the main window: asks for a word and searches the preview
// of the transaction set for it as a whole word, letter case ignored. The hit
// is highlighted and its line reported: the preview shows one segment per
// line, so the line is the segment's ordinal in the set.

#include <QString>
#include <cstdint>

class QTextEdit;

namespace mainwindow {

// The search of the preview box: with text selected, only the selection is
// searched; otherwise the whole text. A hit becomes the selection. Returns
// the hit's character position, or -1 when nothing is found.
int32_t FindWholeWord(QTextEdit &rtfTSet, const QString &word);
// Zero-based line of a character position of the box.
int32_t LineFromChar(const QTextEdit &rtfTSet, int32_t position);

// The command after its History entry: the input box "Find What:", the
// search, and "Found on Segment n" or "Not found.".
void FindInPreview(QTextEdit &rtfTSet);

} // namespace mainwindow
