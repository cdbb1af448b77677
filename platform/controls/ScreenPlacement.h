#pragma once
// Top-level windows open inside the available area of the screen (the
// screen without the panels of the desktop), whatever its size: a stored
// placement from a larger screen, or a designed size taller than a small
// screen, is moved and shrunk until the window with its frame fits.

#include <QMargins>
#include <QRect>

#include <optional>

class QWidget;

namespace controls {

// The window's own area (without frame) for a window wanted at `wanted` and
// framed by `frame`: moved, and shrunk where it is larger than the area, so
// that the framed window lies inside `available`. A window that would have
// no size keeps one pixel.
QRect fitOnScreen(const QRect &wanted, const QRect &available, const QMargins &frame = {});

// A window of `size` (its own area) centred on `available`, then fitted.
QRect centredOnScreen(const QSize &size, const QRect &available, const QMargins &frame = {});

// The available area: of a screen `fixedWidth` x `fixedHeight` twips at the
// origin when both are set (a test fixes them), else of the screen that
// holds the middle of `near` (the primary one when none does); 1024 x 768
// pixels when there is no screen at all.
QRect availableScreenArea(const QRect &near = {}, double fixedWidth = 0, double fixedHeight = 0);

// The room taken for a frame the window system has not drawn yet (a title
// bar and borders): a window is never fitted by its own area alone.
QMargins assumedFrame();

// True when the window system draws frames around top-level windows (not
// so on the offscreen and minimal platforms).
bool platformDrawsFrames();

// The frame the window system draws around `window`: its own once it has
// one, else that of another shown top-level window, else assumedFrame()
// where frames are drawn (`framed`), else none.
QMargins windowFrame(const QWidget *window, bool framed = platformDrawsFrames());

// Places a top-level window inside `area` (default: availableScreenArea of
// its place): at `wanted` when given; otherwise a window placed before keeps
// its place, fitted, and one never placed is centred. Marks it placed. A
// window placed before its own frame was known is fitted again, once, when
// the frame comes, should the framed window then leave the area.
void placeOnScreen(QWidget *window, std::optional<QRect> wanted = std::nullopt,
                   std::optional<QRect> area = std::nullopt);

} // namespace controls
