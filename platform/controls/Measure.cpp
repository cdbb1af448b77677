#include "controls/Measure.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

namespace controls {

int keyCode(const QKeyEvent *event)
{
    const int key = event->key();
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        return key; // same as the capital letter
    if (key >= Qt::Key_0 && key <= Qt::Key_9)
        return key;
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24)
        return 112 + (key - Qt::Key_F1);
    switch (key) {
    case Qt::Key_Backspace: return 8;
    case Qt::Key_Tab: return 9;
    case Qt::Key_Return:
    case Qt::Key_Enter: return 13;
    case Qt::Key_Shift: return 16;
    case Qt::Key_Control: return 17;
    case Qt::Key_Alt: return 18;
    case Qt::Key_Escape: return 27;
    case Qt::Key_Space: return 32;
    case Qt::Key_PageUp: return 33;
    case Qt::Key_PageDown: return 34;
    case Qt::Key_End: return 35;
    case Qt::Key_Home: return 36;
    case Qt::Key_Left: return 37;
    case Qt::Key_Up: return 38;
    case Qt::Key_Right: return 39;
    case Qt::Key_Down: return 40;
    case Qt::Key_Insert: return 45;
    case Qt::Key_Delete: return 46;
    default: return 0;
    }
}

int shiftState(Qt::KeyboardModifiers modifiers)
{
    int mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= ShiftMask;
    if (modifiers & Qt::ControlModifier)
        mask |= CtrlMask;
    if (modifiers & Qt::AltModifier)
        mask |= AltMask;
    return mask;
}

int mouseButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::LeftButton: return LeftButton;
    case Qt::RightButton: return RightButton;
    case Qt::MiddleButton: return MiddleButton;
    default: return 0;
    }
}

QSizeF screenTwips(double fixedWidth, double fixedHeight)
{
    if (fixedWidth > 0 && fixedHeight > 0)
        return {fixedWidth, fixedHeight};
    const QScreen *screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    return {double(pixelsToTwips(area.width())), double(pixelsToTwips(area.height()))};
}

} // namespace controls
