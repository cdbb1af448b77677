#include "report/PageWidget.h"

#include "report/Renderer.h"

#include "vb/Twips.h"

#include <QPainter>

namespace report {

namespace {
constexpr int kDeskPixels = 12; // pixels of desk around the page
}

PageWidget::PageWidget(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PageWidget::setPaginator(Paginator *paginator)
{
    m_paginator = paginator;
    m_page = 0;
    updateGeometry();
    update();
    emit pageChanged(m_page);
}

int PageWidget::pageCount() const
{
    return m_paginator ? m_paginator->pageCount() : 0;
}

void PageWidget::setPageIndex(int index)
{
    const int clamped = std::clamp(index, 0, std::max(0, pageCount() - 1));
    if (clamped == m_page)
        return;
    m_page = clamped;
    update();
    emit pageChanged(m_page);
}

void PageWidget::setBackgroundEdge(bool on)
{
    if (m_edge == on)
        return;
    m_edge = on;
    updateGeometry();
    update();
}

QSize PageWidget::sizeHint() const
{
    const int kDesk = m_edge ? kDeskPixels : 0;
    if (!m_paginator)
        return {400, 300};
    const PageSetup &p = m_paginator->report().page;
    return vb::twipsToPixelSize(p.width, p.height) + QSize(2 * kDesk, 2 * kDesk);
}

void PageWidget::paintEvent(QPaintEvent *)
{
    const int kDesk = m_edge ? kDeskPixels : 0;
    QPainter painter(this);
    painter.fillRect(rect(), m_edge ? QColor(128, 128, 128) : QColor(Qt::white));
    if (!m_paginator)
        return;
    const PageSetup &p = m_paginator->report().page;
    const QSize size = vb::twipsToPixelSize(p.width, p.height);
    const QRect paper(QPoint(kDesk, kDesk), size);
    if (m_edge)
        painter.fillRect(paper.translated(3, 3), QColor(64, 64, 64));
    painter.fillRect(paper, Qt::white);
    painter.translate(paper.topLeft());
    painter.setClipRect(QRect(QPoint(0, 0), size));
    // A row that cannot be read must not take the event loop down with it.
    try {
        paintPage(painter, m_paginator->page(m_page), 1.0 / vb::TwipsPerPixel);
    } catch (const std::exception &e) {
        painter.setPen(Qt::red);
        painter.drawText(QRect(QPoint(0, 0), size).adjusted(8, 8, -8, -8), Qt::AlignLeft | Qt::TextWordWrap,
                         QString::fromUtf8(e.what()));
    }
}

} // namespace report
