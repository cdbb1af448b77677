#pragma once
// A one-line text box whose maximum length limits what the user types, pastes
// or drops, never what code puts there: a stored value longer than the limit
// is shown whole and reads back whole.

#include <QLineEdit>

namespace controls {

class TextBox : public QLineEdit {
    Q_OBJECT
public:
    explicit TextBox(QWidget *parent = nullptr);

    int maxLength() const { return m_max; } // 0: no limit
    void setMaxLength(int length);

private:
    void onTextEdited(const QString &text);

    int m_max = 0;
    QString m_before;   // the text before the latest change
    QString m_current;  // the text after it
    int m_beforeCursor = 0;
    int m_currentCursor = 0;
};

} // namespace controls
