#pragma once
// A splitter bar between two panes of a window: a plain bar with a back colour that
// reports presses, moves and releases with the classic button codes and the
// pointer position in twips relative to the bar. Its position is kept in
// twips so stored positions round-trip exactly.

#include <QFrame>

namespace controls {

class SplitterBar : public QFrame {
    Q_OBJECT
public:
    SplitterBar(Qt::Orientation orientation, QWidget *parent);

    Qt::Orientation orientation() const { return m_orientation; }

    double leftTwips() const { return m_left; }
    double topTwips() const { return m_top; }
    void setLeftTwips(double left);
    void setTopTwips(double top);
    void setGeometryTwips(double left, double top, double width, double height);

    QColor backColor() const { return m_back; }
    void setBackColor(const QColor &color);

signals:
    void MouseDown(int button, int shift, int x, int y);
    void MouseMove(int buttons, int shift, int x, int y);
    void MouseUp(int button, int shift, int x, int y);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    Qt::Orientation m_orientation;
    double m_left = 0, m_top = 0, m_width = 100, m_height = 100;
    QColor m_back;
};

} // namespace controls
