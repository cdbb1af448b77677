#include "controls/StatusBar.h"

#include "controls/Measure.h"
#include "vb/VbError.h"

#include <QResizeEvent>

#include <algorithm>

namespace controls {

StatusBar::StatusBar(QWidget *parent) : QWidget(parent)
{
    setAutoFillBackground(true);
}

int StatusBar::addPanel(double widthTwips, bool spring)
{
    Panel p;
    p.label = new QLabel(this);
    p.label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    p.label->setIndent(3);
    p.label->show();
    p.widthTwips = widthTwips;
    p.spring = spring;
    m_panels.push_back(p);
    layoutPanels();
    return panelCount();
}

const StatusBar::Panel &StatusBar::panel(int index) const
{
    if (index < 1 || index > m_panels.size())
        vb::raise(35600, QStringLiteral("Index out of bounds"));
    return m_panels[index - 1];
}

QString StatusBar::panelText(int index) const
{
    return panel(index).label->text();
}

void StatusBar::setPanelText(int index, const QString &text)
{
    panel(index).label->setText(text);
}

double StatusBar::panelWidthTwips(int index) const
{
    const Panel &p = panel(index);
    return p.spring ? pixelsToTwips(p.label->width()) : p.widthTwips;
}

void StatusBar::setPanelWidthTwips(int index, double twips)
{
    panel(index);
    m_panels[index - 1].widthTwips = twips;
    layoutPanels();
}

double StatusBar::panelLeftTwips(int index) const
{
    double left = 0;
    for (int i = 1; i < index; ++i)
        left += panelWidthTwips(i);
    panel(index);
    return left;
}

QSize StatusBar::sizeHint() const
{
    return QSize(200, fontMetrics().height() + 8);
}

void StatusBar::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutPanels();
}

void StatusBar::layoutPanels()
{
    int fixed = 0;
    int springs = 0;
    for (const Panel &p : m_panels) {
        if (p.spring)
            ++springs;
        else
            fixed += twipsToPixels(p.widthTwips);
    }
    const int spare = std::max(0, width() - fixed);
    int x = 0;
    for (const Panel &p : m_panels) {
        int w = p.spring ? std::max(twipsToPixels(p.widthTwips), springs ? spare / springs : 0)
                         : twipsToPixels(p.widthTwips);
        p.label->setGeometry(x, 0, w, height());
        x += w;
    }
}

} // namespace controls
