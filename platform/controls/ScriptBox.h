#pragma once
// A script box: plain text in a monospaced font, Tab and Shift+Tab insert a
// tab character instead of moving the focus, and text dropped on it (a
// node's text dragged from a tree) is inserted at the drop point as a copy.

#include <QPlainTextEdit>

namespace controls {

// The desktop's fixed-pitch font when every character of it takes the same
// room, else the first font that does (the flag alone is not trusted).
QFont monospacedFont();

class ScriptBox : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ScriptBox(QWidget *parent = nullptr);

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool canInsertFromMimeData(const QMimeData *source) const override;
    void insertFromMimeData(const QMimeData *source) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};

} // namespace controls
