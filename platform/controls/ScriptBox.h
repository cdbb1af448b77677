#pragma once
// A script box: plain text in a fixed-pitch font, Tab and Shift+Tab insert a
// tab character instead of moving the focus, and text dropped on it (a
// node's text dragged from a tree) is inserted at the drop point as a copy.

#include <QPlainTextEdit>

namespace controls {

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
