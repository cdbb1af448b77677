#include "controls/MaskedEdit.h"

#include "vb/VbError.h"

#include <QMouseEvent>

namespace controls {

MaskedEdit::MaskedEdit(int digitPlaces, QWidget *parent) : QLineEdit(parent), m_places(digitPlaces)
{
    // "0": a digit allowed but not required; blanks stand for the places not typed.
    setInputMask(QString(digitPlaces, QLatin1Char('0')) + QStringLiteral("; "));
}

QString MaskedEdit::text() const
{
    return displayText().leftJustified(m_places, QLatin1Char(' '), true);
}

void MaskedEdit::mousePressEvent(QMouseEvent *event)
{
    QLineEdit::mousePressEvent(event);
    if (hasSelectedText())
        return;
    qsizetype firstFree = displayText().indexOf(QLatin1Char(' '));
    if (firstFree < 0)
        firstFree = m_places;
    if (cursorPosition() > firstFree)
        setCursorPosition(int(firstFree));
}

void MaskedEdit::setText(const QString &text)
{
    if (text.size() > m_places)
        vb::raise(380, QStringLiteral("Invalid property value"));
    for (QChar c : text) {
        if (!(c.isDigit() && c.unicode() < 128) && c != QLatin1Char(' '))
            vb::raise(380, QStringLiteral("Invalid property value"));
    }
    QLineEdit::setText(text);
}

} // namespace controls
