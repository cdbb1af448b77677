#include "controls/TimePicker.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace controls {

TimePicker::TimePicker(QWidget *parent) : QTimeEdit(parent)
{
    lineEdit()->installEventFilter(this);
}

bool TimePicker::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lineEdit() && (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick))
        m_typing = false;
    return QTimeEdit::eventFilter(watched, event);
}

void TimePicker::focusInEvent(QFocusEvent *event)
{
    m_typing = false;
    QTimeEdit::focusInEvent(event);
}

void TimePicker::keyPressEvent(QKeyEvent *event)
{
    const QString text = event->text();
    const bool digit = text.size() == 1 && text.at(0).isDigit() && text.at(0).unicode() < 128;
    if (!digit) {
        m_typing = false;
        QTimeEdit::keyPressEvent(event);
        return;
    }
    // The first digit typed into a field replaces the field, so "03" and "3"
    // both give three o'clock whatever the field held.
    if (!m_typing && !lineEdit()->hasSelectedText())
        setSelectedSection(currentSection());
    m_typing = true;
    const Section before = currentSection();
    QTimeEdit::keyPressEvent(event);
    if (currentSection() != before)
        m_typing = false; // the field is full and the edit moved on to the next
}

} // namespace controls
