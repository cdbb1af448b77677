#include "controls/ScreenPlacement.h"

#include "controls/Measure.h"

#include <QApplication>
#include <QGuiApplication>
#include <QEvent>
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

QMargins frameOf(const QWidget *w)
{
    const QRect outer = w->frameGeometry();
    const QRect inner = w->geometry();
    return QMargins(inner.left() - outer.left(), inner.top() - outer.top(), outer.right() - inner.right(),
                    outer.bottom() - inner.bottom());
}

// Waits for the frame of a window placed before the window system drew it;
// when it comes, a framed window that leaves the area is fitted by it. Then
// it goes: the user's own moves are never undone.
class FrameFitter : public QObject {
public:
    FrameFitter(QWidget *window, const QRect &area) : QObject(window), m_window(window), m_area(area)
    {
        setObjectName(QStringLiteral("frameFitter"));
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched != m_window)
            return false;
        const QEvent::Type type = event->type();
        if (type != QEvent::Move && type != QEvent::Resize && type != QEvent::Show)
            return false;
        if (!m_window->isVisible() || m_window->isMaximized() || m_window->isMinimized()
            || m_window->isFullScreen())
            return false;
        const QMargins frame = frameOf(m_window);
        if (frame.isNull())
            return false;
        const QRect current = m_window->geometry();
        if (!m_area.contains(current.marginsAdded(frame))) {
            QRect fitted = fitOnScreen(current, m_area, frame);
            fitted.setSize(fitted.size().expandedTo(m_window->minimumSize()));
            m_window->setGeometry(fitted);
        }
        m_window->removeEventFilter(this);
        deleteLater();
        return false;
    }

private:
    QWidget *m_window;
    QRect m_area;
};

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

QMargins assumedFrame()
{
    return {8, 36, 8, 8};
}

bool platformDrawsFrames()
{
    const QString platform = QGuiApplication::platformName();
    return !platform.isEmpty() && platform != QLatin1String("offscreen") && !platform.startsWith(QLatin1String("minimal"));
}

QMargins windowFrame(const QWidget *window, bool framed)
{
    if (window && window->isVisible()) {
        if (const QMargins own = frameOf(window); !own.isNull())
            return own;
    }
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
    return framed ? assumedFrame() : QMargins();
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
    const bool ownFrame = window->isVisible() && !frameOf(window).isNull();
    if (!ownFrame && platformDrawsFrames()) {
        if (QObject *waiting = window->findChild<QObject *>(QStringLiteral("frameFitter"), Qt::FindDirectChildrenOnly))
            delete waiting; // the newer placement's area holds
        new FrameFitter(window, available);
    }
}

} // namespace controls
