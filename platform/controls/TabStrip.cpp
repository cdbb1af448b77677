#include "controls/TabStrip.h"

#include "vb/VbError.h"

#include <QKeyEvent>
#include <QTabBar>

namespace controls {

TabStrip::TabStrip(QWidget *parent) : QTabWidget(parent)
{
    tabBar()->installEventFilter(this);
    connect(this, &QTabWidget::currentChanged, this, [this](int index) {
        const int previous = m_current;
        m_current = index;
        // The first page added becomes current without anything being left.
        if (previous >= 0 && index >= 0)
            emit Click(previous);
    });
}

void TabStrip::setTab(int index)
{
    if (index < 0 || index >= count())
        vb::raise(380, QStringLiteral("Invalid property value"));
    setCurrentIndex(index);
}

int TabStrip::addPage(QWidget *page, const QString &caption)
{
    return addTab(page, caption);
}

bool TabStrip::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == tabBar() && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        if (text.size() == 1 && text.at(0).unicode() >= 32 && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            emit KeyPress(text.at(0).unicode());
    }
    return QTabWidget::eventFilter(watched, event);
}

} // namespace controls
