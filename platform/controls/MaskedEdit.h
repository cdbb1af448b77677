#pragma once
// A masked edit box of digit places (the classic mask "#########"): its text
// keeps the classic form, the digits typed with blanks in the other places,
// so "41" shows and reads as "41" followed by blanks. Setting a text that
// does not fit the mask raises 380.

#include <QLineEdit>

namespace controls {

class MaskedEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit MaskedEdit(int digitPlaces, QWidget *parent = nullptr);

    int places() const { return m_places; }
    // The classic text: always `places()` characters, digits or blanks.
    QString text() const;
    void setText(const QString &text);

protected:
    // A click behind the typed digits puts the caret at the first free place,
    // where the next digit goes (a caret among the blank places takes none).
    void mousePressEvent(QMouseEvent *event) override;

private:
    int m_places;
};

} // namespace controls
