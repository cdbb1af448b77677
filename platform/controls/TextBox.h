#pragma once
// A one-line text box whose maximum length limits what the user types, pastes
// or drops, never what code puts there: a stored value longer than the limit
// is shown whole and reads back whole, and the user may still shorten it.

#include <QLineEdit>

namespace controls {

class TextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget *parent = nullptr);

    int maxLength() const { return m_max; } // 0: no limit
    void setMaxLength(int length);

    // Text from code is taken whole, whatever its length.
    void setText(const QString &text);

private:
    friend class LengthLimit;
    int m_max = 0;
    int m_lastLength = 0; // the length of the text before the edit under way
};

} // namespace controls
