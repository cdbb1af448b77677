#pragma once
// A drop-down list without typing, as the classic combo box of style 2: the
// choice is a position from 0 (-1 for none) that code sets too; a position
// outside the list raises 380 ("Invalid property value"); Click comes when
// the user chooses and whenever code sets a position.

#include <QComboBox>

namespace controls {

class ComboList : public QComboBox {
    Q_OBJECT
public:
    explicit ComboList(QWidget *parent = nullptr);

    int listIndex() const { return currentIndex(); }
    void setListIndex(int index);
    int listCount() const { return count(); }
    // The text of the choice, empty when none.
    QString text() const { return currentText(); }

signals:
    void Click();
};

} // namespace controls
