#include "controls/SplitterBar.h"

#include "controls/Measure.h"

#include <QMouseEvent>

#include <algorithm>

namespace controls {

SplitterBar::SplitterBar(Qt::Orientation orientation, QWidget *parent) : QFrame(parent), m_orientation(orientation)
{
    setAutoFillBackground(true);
    setMouseTracking(true);
    setBackColor(palette().color(QPalette::Button));
}

void SplitterBar::setLeftTwips(double left)
{
    setGeometryTwips(left, m_top, m_width, m_height);
}

void SplitterBar::setTopTwips(double top)
{
    setGeometryTwips(m_left, top, m_width, m_height);
}

void SplitterBar::setGeometryTwips(double left, double top, double width, double height)
{
    m_left = left;
    m_top = top;
    m_width = width;
    m_height = height;
    setGeometry(twipsToPixels(left), twipsToPixels(top), std::max(0, twipsToPixels(width)),
                std::max(0, twipsToPixels(height)));
}

void SplitterBar::setBackColor(const QColor &color)
{
    m_back = color;
    QPalette p = palette();
    p.setColor(QPalette::Window, color);
    setPalette(p);
}

void SplitterBar::mousePressEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    emit MouseDown(controls::mouseButton(event->button()), controls::shiftState(event->modifiers()),
                   pixelsToTwips(at.x()), pixelsToTwips(at.y()));
}

void SplitterBar::mouseMoveEvent(QMouseEvent *event)
{
    int buttons = 0;
    if (event->buttons() & Qt::LeftButton)
        buttons |= controls::LeftButton;
    if (event->buttons() & Qt::RightButton)
        buttons |= controls::RightButton;
    if (event->buttons() & Qt::MiddleButton)
        buttons |= controls::MiddleButton;
    const QPoint at = event->position().toPoint();
    emit MouseMove(buttons, controls::shiftState(event->modifiers()), pixelsToTwips(at.x()), pixelsToTwips(at.y()));
}

void SplitterBar::mouseReleaseEvent(QMouseEvent *event)
{
    const QPoint at = event->position().toPoint();
    emit MouseUp(controls::mouseButton(event->button()), controls::shiftState(event->modifiers()),
                 pixelsToTwips(at.x()), pixelsToTwips(at.y()));
}

} // namespace controls
