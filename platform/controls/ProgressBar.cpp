#include "controls/ProgressBar.h"

#include "vb/VbError.h"

namespace controls {

ProgressBar::ProgressBar(QWidget *parent) : QProgressBar(parent)
{
    setRange(0, 100);
    QProgressBar::setValue(0);
    setTextVisible(false);
}

void ProgressBar::setMin(int value)
{
    if (value >= maximum())
        vb::raise(380, QStringLiteral("Invalid property value"));
    setMinimum(value);
}

void ProgressBar::setMax(int value)
{
    if (value <= minimum())
        vb::raise(380, QStringLiteral("Invalid property value"));
    setMaximum(value);
}

void ProgressBar::setValue(int value)
{
    if (value < minimum() || value > maximum())
        vb::raise(380, QStringLiteral("Invalid property value"));
    QProgressBar::setValue(value);
}

} // namespace controls
