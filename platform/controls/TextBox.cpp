#include "controls/TextBox.h"

namespace controls {

TextBox::TextBox(QWidget *parent) : QLineEdit(parent)
{
    // QLineEdit's own limit would cut text set by code: keep it off.
    QLineEdit::setMaxLength(32767);
    connect(this, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_before = m_current;
        m_beforeCursor = m_currentCursor;
        m_current = text;
        m_currentCursor = cursorPosition();
    });
    connect(this, &QLineEdit::cursorPositionChanged, this, [this](int, int now) {
        if (QLineEdit::text() == m_current)
            m_currentCursor = now;
    });
    connect(this, &QLineEdit::textEdited, this, &TextBox::onTextEdited);
}

void TextBox::setMaxLength(int length)
{
    m_max = length < 0 ? 0 : length;
}

void TextBox::onTextEdited(const QString &text)
{
    const QString previous = text == m_current ? m_before : m_current;
    const int cursor = text == m_current ? m_beforeCursor : m_currentCursor;
    // Only growth past the limit is refused: shortening a long stored value is fine.
    if (m_max > 0 && text.size() > m_max && text.size() > previous.size()) {
        QLineEdit::setText(previous);
        setCursorPosition(cursor);
    }
}

} // namespace controls
