#pragma once
// Events of the controls report keys, buttons and positions the way the
// classic controls did: key codes, a shift mask and twips.

#include "vb/Twips.h"

#include <QPoint>
#include <QSizeF>
#include <Qt>

class QKeyEvent;
class QMouseEvent;

namespace controls {

// Shift mask of the classic events.
enum : int { ShiftMask = 1, CtrlMask = 2, AltMask = 4 };
// Mouse buttons of the classic events.
enum : int { LeftButton = 1, RightButton = 2, MiddleButton = 4 };

// Classic key code of a key event (Delete 46, F5 116, letters as capitals ...),
// 0 for a key without one.
int keyCode(const QKeyEvent *event);
int shiftState(Qt::KeyboardModifiers modifiers);
int mouseButton(Qt::MouseButton button);

// The screen's size in twips: `fixedWidth` and `fixedHeight` when both are
// set (a test fixes them), else the primary screen's (1024 x 768 pixels
// when there is none).
QSizeF screenTwips(double fixedWidth = 0, double fixedHeight = 0);

// Window measures are twips; the runtime layer converts them.
using vb::pixelsToTwips;
using vb::twipsToPixels;

} // namespace controls
