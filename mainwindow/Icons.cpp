#include "mainwindow/Icons.h"

#include "controls/ImageList.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <cmath>
#include <functional>

namespace mainwindow {

namespace {

using Painter = std::function<void(QPainter &)>;

// Every image is drawn on a 16-unit canvas and scaled to its size.
QPixmap paint(int size, const Painter &draw)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 16.0, size / 16.0);
    draw(p);
    return pixmap;
}

QIcon icon(const Painter &draw)
{
    QIcon result;
    result.addPixmap(paint(16, draw));
    result.addPixmap(paint(32, draw));
    return result;
}

void disc(QPainter &p, QColor fill)
{
    p.setPen(QPen(fill.darker(150), 1));
    p.setBrush(fill);
    p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
}

void envelope(QPainter &p, QColor paper, bool open)
{
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.setBrush(paper);
    p.drawRect(QRectF(1.5, 4.5, 13, 9));
    if (open) {
        p.drawPolygon(QPolygonF({QPointF(1.5, 4.5), QPointF(8, 0.5), QPointF(14.5, 4.5)}));
        p.drawPolyline(QPolygonF({QPointF(1.5, 4.5), QPointF(8, 9.5), QPointF(14.5, 4.5)}));
    } else {
        p.drawPolyline(QPolygonF({QPointF(1.5, 4.5), QPointF(8, 10), QPointF(14.5, 4.5)}));
    }
}

void tick(QPainter &p, QColor color)
{
    p.setPen(QPen(color, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF({QPointF(3.5, 8.5), QPointF(6.5, 11.5), QPointF(12.5, 4.5)}));
}

void cross(QPainter &p, QColor color, double inset = 4.5)
{
    p.setPen(QPen(color, 2.2, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(inset, inset), QPointF(16 - inset, 16 - inset));
    p.drawLine(QPointF(16 - inset, inset), QPointF(inset, 16 - inset));
}

void folder(QPainter &p, QColor color)
{
    p.setPen(QPen(color.darker(160), 1));
    p.setBrush(color);
    QPainterPath path;
    path.moveTo(1.5, 3.5);
    path.lineTo(6, 3.5);
    path.lineTo(7.5, 5);
    path.lineTo(14.5, 5);
    path.lineTo(14.5, 13.5);
    path.lineTo(1.5, 13.5);
    path.closeSubpath();
    p.drawPath(path);
}

void arrow(QPainter &p, QColor color, bool right)
{
    p.setPen(QPen(color.darker(140), 1));
    p.setBrush(color);
    if (right)
        p.drawPolygon(QPolygonF({QPointF(6, 9), QPointF(11, 9), QPointF(11, 6.5), QPointF(15, 11),
                                 QPointF(11, 15.5), QPointF(11, 13), QPointF(6, 13)}));
    else
        p.drawPolygon(QPolygonF({QPointF(15, 9), QPointF(10, 9), QPointF(10, 6.5), QPointF(6, 11),
                                 QPointF(10, 15.5), QPointF(10, 13), QPointF(15, 13)}));
}

void page(QPainter &p)
{
    p.setPen(QPen(QColor(70, 70, 70), 1));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(2.5, 1.5, 10, 13));
    p.setPen(QPen(QColor(120, 120, 160), 1));
    for (double y = 4.5; y < 13; y += 2.5)
        p.drawLine(QPointF(4.5, y), QPointF(10.5, y));
}

void magnifier(QPainter &p, QPointF centre, double radius)
{
    p.setPen(QPen(QColor(40, 40, 40), 1.6));
    p.setBrush(QColor(200, 230, 255, 200));
    p.drawEllipse(centre, radius, radius);
    p.setPen(QPen(QColor(90, 60, 20), 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre + QPointF(radius * 0.7, radius * 0.7), centre + QPointF(radius * 1.8, radius * 1.8));
}

void person(QPainter &p, QPointF at, QColor color)
{
    p.setPen(QPen(color.darker(150), 1));
    p.setBrush(color);
    p.drawEllipse(at + QPointF(-2, -6), 2.2, 2.2);
    p.drawChord(QRectF(at.x() - 4.5, at.y() - 3, 9, 9), 0, 180 * 16);
}

} // namespace

std::unique_ptr<controls::ImageList> makeListIcons()
{
    auto images = std::make_unique<controls::ImageList>();
    images->add({}, icon([](QPainter &p) { // ascending
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(90, 90, 90));
        p.drawPolygon(QPolygonF({QPointF(8, 4), QPointF(13, 11), QPointF(3, 11)}));
    }));
    images->add({}, icon([](QPainter &p) { // descending
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(90, 90, 90));
        p.drawPolygon(QPolygonF({QPointF(3, 5), QPointF(13, 5), QPointF(8, 12)}));
    }));
    images->add(QStringLiteral("Closed"), icon([](QPainter &p) { envelope(p, QColor(250, 240, 200), false); }));
    images->add(QStringLiteral("Opened"), icon([](QPainter &p) { envelope(p, QColor(255, 255, 255), true); }));
    images->add(QStringLiteral("Validated"), icon([](QPainter &p) {
        envelope(p, QColor(250, 240, 200), false);
        tick(p, QColor(0, 140, 0));
    }));
    images->add(QStringLiteral("Exported"), icon([](QPainter &p) {
        envelope(p, QColor(250, 240, 200), false);
        arrow(p, QColor(40, 110, 220), true);
    }));
    images->add(QStringLiteral("Info"), icon([](QPainter &p) {
        disc(p, QColor(50, 110, 220));
        p.setPen(QPen(Qt::white, 2));
        p.drawLine(QPointF(8, 7), QPointF(8, 12));
        p.drawPoint(QPointF(8, 4.5));
    }));
    images->add(QStringLiteral("Warning"), icon([](QPainter &p) {
        p.setPen(QPen(QColor(150, 110, 0), 1));
        p.setBrush(QColor(250, 200, 30));
        p.drawPolygon(QPolygonF({QPointF(8, 1.5), QPointF(15, 14.5), QPointF(1, 14.5)}));
        p.setPen(QPen(Qt::black, 1.8));
        p.drawLine(QPointF(8, 6), QPointF(8, 10));
        p.drawPoint(QPointF(8, 12.5));
    }));
    images->add(QStringLiteral("Error"), icon([](QPainter &p) {
        disc(p, QColor(210, 40, 40));
        cross(p, Qt::white, 5);
    }));
    images->add(QStringLiteral("Yes"), icon([](QPainter &p) { tick(p, QColor(0, 150, 0)); }));
    images->add(QStringLiteral("Void"), icon([](QPainter &p) {
        p.setPen(QPen(QColor(120, 120, 120), 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(3, 3, 10, 10));
        p.drawLine(QPointF(4.5, 11.5), QPointF(11.5, 4.5));
    }));
    images->add(QStringLiteral("No"), icon([](QPainter &p) { cross(p, QColor(200, 30, 30)); }));
    return images;
}

namespace {

void drawFolderImage(QPainter &p, int position)
{
    switch (position) {
    case 1: // the product
        p.setPen(QPen(QColor(20, 60, 120), 1));
        p.setBrush(QColor(40, 100, 180));
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
        p.setPen(QPen(Qt::white, 2));
        p.drawArc(QRectF(4.5, 4.5, 7, 7), 45 * 16, 270 * 16);
        break;
    case 2: folder(p, QColor(240, 200, 90)); break;
    case 3:
        folder(p, QColor(240, 200, 90));
        arrow(p, QColor(30, 150, 60), false);
        break;
    case 4:
        folder(p, QColor(240, 200, 90));
        arrow(p, QColor(40, 110, 220), true);
        break;
    case 5:
        envelope(p, QColor(250, 240, 200), false);
        tick(p, QColor(0, 140, 0));
        break;
    case 6: // a bin
        p.setPen(QPen(QColor(70, 70, 70), 1));
        p.setBrush(QColor(170, 190, 200));
        p.drawPolygon(QPolygonF({QPointF(3.5, 4.5), QPointF(12.5, 4.5), QPointF(11.5, 14.5), QPointF(4.5, 14.5)}));
        p.drawRect(QRectF(2.5, 2.5, 11, 2));
        p.drawLine(QPointF(6.5, 6.5), QPointF(6.5, 12.5));
        p.drawLine(QPointF(9.5, 6.5), QPointF(9.5, 12.5));
        break;
    case 7: // a log book
        page(p);
        p.setPen(QPen(QColor(160, 40, 40), 1.5));
        p.drawLine(QPointF(3.5, 1.5), QPointF(3.5, 14.5));
        break;
    case 8: // two arrows: exchange
        p.setPen(QPen(QColor(30, 100, 200), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPolyline(QPolygonF({QPointF(2, 5), QPointF(13, 5), QPointF(10, 2)}));
        p.setPen(QPen(QColor(30, 150, 60), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPolyline(QPolygonF({QPointF(14, 11), QPointF(3, 11), QPointF(6, 14)}));
        break;
    default: break;
    }
}

} // namespace

std::unique_ptr<controls::ImageList> makeFolderIcons()
{
    auto images = std::make_unique<controls::ImageList>();
    const char *keys[] = {"X", "Root", "Inbox", "Outbox", "Sent", "Recycled", "History", "Exchange"};
    for (int i = 1; i <= 8; ++i)
        images->add(QString::fromLatin1(keys[i - 1]), icon([i](QPainter &p) { drawFolderImage(p, i); }));
    return images;
}

QPixmap folderPicture(int position)
{
    return paint(32, [position](QPainter &p) { drawFolderImage(p, position); });
}

QPixmap productPicture(int size)
{
    return paint(size, [](QPainter &p) { drawFolderImage(p, 1); });
}

std::unique_ptr<controls::ImageList> makeToolbarIcons()
{
    auto images = std::make_unique<controls::ImageList>();
    images->add(QStringLiteral("IMG1"), icon([](QPainter &p) { // Open
        folder(p, QColor(240, 200, 90));
        p.setPen(QPen(QColor(150, 110, 30), 1));
        p.setBrush(QColor(255, 225, 130));
        p.drawPolygon(QPolygonF({QPointF(4, 7.5), QPointF(15.5, 7.5), QPointF(13, 13.5), QPointF(1.5, 13.5)}));
    }));
    images->add(QStringLiteral("IMG2"), icon([](QPainter &p) { // Options: a gear
        p.setPen(QPen(QColor(70, 70, 70), 1));
        p.setBrush(QColor(160, 160, 170));
        QPolygonF gear;
        for (int i = 0; i < 16; ++i) {
            const double r = (i % 2) ? 7 : 5.2;
            const double a = i * 3.14159265 / 8;
            gear << QPointF(8 + r * std::cos(a), 8 + r * std::sin(a));
        }
        p.drawPolygon(gear);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(8, 8), 2, 2);
    }));
    images->add(QStringLiteral("IMG3"), icon([](QPainter &p) { // Partners
        person(p, QPointF(5.5, 9), QColor(60, 120, 200));
        person(p, QPointF(11, 10), QColor(60, 170, 90));
    }));
    images->add(QStringLiteral("IMG4"), icon([](QPainter &p) { page(p); })); // Properties
    images->add(QStringLiteral("IMG5"), icon([](QPainter &p) { cross(p, QColor(200, 30, 30), 3.5); })); // Delete
    images->add(QStringLiteral("IMG6"), icon([](QPainter &p) { // Viewer
        page(p);
        magnifier(p, QPointF(9, 9), 3);
    }));
    images->add(QStringLiteral("IMG7"), icon([](QPainter &p) { // Designer
        page(p);
        p.setPen(QPen(QColor(200, 120, 20), 2.4, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(6, 13), QPointF(14, 5));
    }));
    images->add(QStringLiteral("IMG8"), icon([](QPainter &p) { magnifier(p, QPointF(6.5, 6.5), 4.5); })); // Find
    return images;
}

QIcon windowIcon()
{
    return icon([](QPainter &p) { drawFolderImage(p, 1); });
}

} // namespace mainwindow
