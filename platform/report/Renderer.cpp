#include "report/Renderer.h"

#include "report/ReportFile.h"

#include "vb/VbError.h"

#include <QPainter>
#include <QPageSize>
#include <QPdfWriter>
#include <cmath>

namespace report {

namespace {

QFont qtFont(const Font &f)
{
    QFont font(f.family);
    // Sizes in twips: the painter is scaled to twips, so a point is 20 units.
    font.setPixelSize(std::max(1, int(std::lround(f.size * 20))));
    font.setBold(f.bold);
    font.setItalic(f.italic);
    font.setUnderline(f.underline);
    return font;
}

Qt::Alignment qtAlign(Align a)
{
    switch (a) {
    case Align::Center: return Qt::AlignHCenter;
    case Align::Right: return Qt::AlignRight;
    default: return Qt::AlignLeft;
    }
}

} // namespace

QPageSize pageSizeOf(const PageSetup &p)
{
    return QPageSize(QSizeF(p.width / 1440.0, p.height / 1440.0), QPageSize::Inch, QString(), QPageSize::ExactMatch);
}

void paintPages(Paginator &paginator, QPainter &painter, double devicePerTwip,
                const std::function<void()> &newPage)
{
    for (int i = 0; i < paginator.pageCount(); ++i) {
        if (i > 0)
            newPage();
        paintPage(painter, paginator.page(i), devicePerTwip);
    }
}

void paintPage(QPainter &painter, const PageLayout &page, double devicePerTwip)
{
    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.scale(devicePerTwip, devicePerTwip);
    QFont current;
    Font currentSpec;
    bool haveFont = false;
    for (const PlacedItem &item : page.items) {
        if (!haveFont || !(item.font == currentSpec)) {
            current = qtFont(item.font);
            currentSpec = item.font;
            haveFont = true;
            painter.setFont(current);
        }
        if (item.borderStyle != 0) {
            painter.setPen(QPen(item.borderColor, 15));
            painter.setBrush(Qt::NoBrush);
            painter.drawRect(item.rect);
        }
        if (!item.text.isEmpty()) {
            painter.setPen(item.color);
            painter.drawText(item.rect, int(qtAlign(item.align) | Qt::AlignTop | Qt::TextSingleLine), item.text);
        }
    }
    painter.restore();
}

QImage renderPageImage(Paginator &paginator, int index, double pixelsPerTwip)
{
    const PageSetup &p = paginator.report().page;
    QImage image(std::max(1, int(std::lround(p.width * pixelsPerTwip))),
                 std::max(1, int(std::lround(p.height * pixelsPerTwip))), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    paintPage(painter, paginator.page(index), pixelsPerTwip);
    return image;
}

void writePdf(Paginator &paginator, const QString &path, int errorNumber)
{
    writeFileAtomically(path, [&](QIODevice &out) {
        QPdfWriter writer(&out);
        writer.setResolution(1440);
        writer.setPageSize(pageSizeOf(paginator.report().page));
        writer.setPageMargins(QMarginsF(0, 0, 0, 0));
        writer.setTitle(paginator.report().title);
        writer.setCreator(QStringLiteral("Corvantis"));
        QPainter painter;
        if (!painter.begin(&writer))
            vb::raise(errorNumber, QStringLiteral("Cannot start the PDF file %1").arg(path), QStringLiteral("Report"));
        const double scale = writer.resolution() / 1440.0;
        paintPages(paginator, painter, scale, [&] { writer.newPage(); });
        painter.end();
    }, errorNumber);
}

} // namespace report
