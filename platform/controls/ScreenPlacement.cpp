#include "controls/ScreenPlacement.h"

#include "controls/Measure.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

namespace controls {

namespace {

// Set on a window once it was placed, so a later show keeps the user's place.
constexpr char kPlaced[] = "placedOnScreen";

int clampStart(int start, int length, int areaStart, int areaLength)
{
    return std::clamp(start, areaStart, areaStart + std::max(0, areaLength - length));
}

} // namespace

QRect fitOnScreen(const QRect &wanted, const QRect &available, const QMargins &frame)
{
    const int extraWidth = frame.left() + frame.right();
    const int extraHeight = frame.top() + frame.bottom();
    const int width = std::max(1, std::min(wanted.width(), available.width() - extraWidth));
    const int height = std::max(1, std::min(wanted.height(), available.height() - extraHeight));
    const int outerLeft = clampStart(wanted.left() - frame.left(), width + extraWidth, available.left(), available.width());
    const int outerTop = clampStart(wanted.top() - frame.top(), height + extraHeight, available.top(), available.height());
    return {outerLeft + frame.left(), outerTop + frame.top(), width, height};
}

QRect centredOnScreen(const QSize &size, const QRect &available, const QMargins &frame)
{
    const int outerWidth = size.width() + frame.left() + frame.right();
    const int outerHeight = size.height() + frame.top() + frame.bottom();
    const QRect wanted(available.left() + (available.width() - outerWidth) / 2 + frame.left(),
                       available.top() + (available.height() - outerHeight) / 2 + frame.top(), size.width(),
                       size.height());
    return fitOnScreen(wanted, available, frame);
}

QRect availableScreenArea(const QRect &near, double fixedWidth, double fixedHeight)
{
    if (fixedWidth > 0 && fixedHeight > 0)
        return {0, 0, twipsToPixels(fixedWidth), twipsToPixels(fixedHeight)};
    const QScreen *screen = near.isValid() ? QGuiApplication::screenAt(near.center()) : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    return screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QMargins windowFrame(const QWidget *window)
{
    const auto frameOf = [](const QWidget *w) {
        const QRect outer = w->frameGeometry();
        const QRect inner = w->geometry();
        return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                        outer.bottom() - inner.bottom());
    };
    if (window && window->isVisible())
        return frameOf(window);
    if (qobject_cast<QApplication *>(QCoreApplication::instance())) {
        for (const QWidget *other : QApplication::topLevelWidgets()) {
            if (other == window || !other->isVisible() || other->windowType() == Qt::ToolTip
                || other->windowType() == Qt::Popup)
                continue;
            const QMargins frame = frameOf(other);
            if (!frame.isNull())
                return frame;
        }
    }
    return {};
}

void placeOnScreen(QWidget *window, std::optional<QRect> wanted, std::optional<QRect> area)
{
    if (!window)
        return;
    const bool placed = window->property(kPlaced).toBool();
    const QRect current = window->geometry();
    const QRect target = wanted ? *wanted : current;
    const QRect available = area ? *area : availableScreenArea(placed || wanted ? target : QRect());
    const QMargins frame = windowFrame(window);
    QRect fitted;
    if (wanted || placed)
        fitted = fitOnScreen(target, available, frame);
    else
        fitted = centredOnScreen(current.size(), available, frame);
    // A window cannot be made smaller than its minimum; it keeps its top left
    // corner on the screen then.
    fitted.setSize(fitted.size().expandedTo(window->minimumSize()));
    if (fitted != current)
        window->setGeometry(fitted);
    window->setProperty(kPlaced, true);
}

} // namespace controls
