#pragma once
// The time picker of the schedule pages: a time edit whose field under a
// click is taken over by the digits typed next, as the classic picker's
// highlighted field is. Qt's own edit inserts the digits beside the field's
// old ones instead and refuses them ("03" typed into "7" gives nothing).

#include <QTimeEdit>

namespace controls {

// No Q_OBJECT: it adds no signal, slot or property to the time edit's.
class TimePicker : public QTimeEdit {
public:
    explicit TimePicker(QWidget *parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    // True while digits typed go on the field already begun; a click, a move
    // to another field or any other key ends that.
    bool m_typing = false;
};

} // namespace controls
