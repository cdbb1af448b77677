#include "controls/ComboList.h"

#include "vb/VbError.h"

namespace controls {

ComboList::ComboList(QWidget *parent) : QComboBox(parent)
{
    setEditable(false);
    // A long list (256 delimiter codes) scrolls instead of covering the screen.
    setMaxVisibleItems(20);
    connect(this, &QComboBox::activated, this, [this](int) { emit Click(); });
}

void ComboList::setListIndex(int index)
{
    if (index < -1 || index >= count())
        vb::raise(380, QStringLiteral("Invalid property value"));
    setCurrentIndex(index);
    if (index >= 0)
        emit Click();
}

} // namespace controls
