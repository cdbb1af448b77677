#include "mapeditor/MapIcons.h"

#include "controls/ImageList.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <functional>

namespace mapeditor {

namespace {

QIcon painted(const std::function<void(QPainter &)> &draw)
{
    QIcon icon;
    for (int size : {16, 32}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter p(&pixmap);
        p.setRenderHint(QPainter::Antialiasing);
        p.scale(size / 16.0, size / 16.0);
        draw(p);
        p.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

// A rounded tile with a letter, the tree's images.
QIcon tile(QColor fill, const QString &letter)
{
    return painted([=](QPainter &p) {
        p.setPen(QPen(fill.darker(150), 1));
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(1.5, 1.5, 13, 13), 3, 3);
        QFont font = p.font();
        font.setPixelSize(10);
        font.setBold(true);
        p.setFont(font);
        p.setPen(Qt::white);
        p.drawText(QRectF(1.5, 1.5, 13, 13), Qt::AlignCenter, letter);
    });
}

void arrow(QPainter &p, double angle, QColor color)
{
    p.save();
    p.translate(8, 8);
    p.rotate(angle);
    QPainterPath path;
    path.moveTo(0, -6);
    path.lineTo(5.5, 0);
    path.lineTo(2, 0);
    path.lineTo(2, 6);
    path.lineTo(-2, 6);
    path.lineTo(-2, 0);
    path.lineTo(-5.5, 0);
    path.closeSubpath();
    p.setPen(QPen(color.darker(150), 0.8));
    p.setBrush(color);
    p.drawPath(path);
    p.restore();
}

} // namespace

std::unique_ptr<controls::ImageList> makeMapIcons()
{
    auto list = std::make_unique<controls::ImageList>(QSize(16, 16));
    list->add(QStringLiteral("Segment"), tile(QColor(0x2f, 0x6f, 0xb3), QStringLiteral("S")));
    list->add(QStringLiteral("Element"), tile(QColor(0x3c, 0x8d, 0x4f), QStringLiteral("e")));
    list->add(QStringLiteral("Looping"), tile(QColor(0xc0, 0x6a, 0x1d), QStringLiteral("L")));
    list->add(QStringLiteral("Results"), tile(QColor(0x7a, 0x4f, 0x9e), QStringLiteral("R")));
    list->add(QStringLiteral("Record"), tile(QColor(0x5b, 0x5b, 0x5b), QStringLiteral("r")));
    list->add(QStringLiteral("Methods"), tile(QColor(0xa3, 0x3b, 0x3b), QStringLiteral("M")));
    list->add(QStringLiteral("Properties"), tile(QColor(0x2a, 0x8a, 0x8a), QStringLiteral("P")));
    list->add(QStringLiteral("Functions"), tile(QColor(0x4a, 0x5f, 0xa8), QStringLiteral("f")));
    list->add(QStringLiteral("Operators"), tile(QColor(0x8a, 0x7a, 0x2a), QStringLiteral("o")));
    list->add(QStringLiteral("Statements"), tile(QColor(0x6a, 0x6a, 0x9a), QStringLiteral("s")));
    return list;
}

QIcon commandIcon(MapCommand command)
{
    const QColor blue(0x2f, 0x6f, 0xb3), green(0x3c, 0x8d, 0x4f), red(0xb3, 0x3b, 0x3b);
    switch (command) {
    case MapCommand::Save:
        return painted([=](QPainter &p) {
            p.setPen(QPen(blue.darker(150), 1));
            p.setBrush(blue);
            p.drawRect(QRectF(2.5, 2.5, 11, 11));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4.5, 2.5, 7, 4));
            p.drawRect(QRectF(4.5, 9, 7, 4.5));
        });
    case MapCommand::Add:
        return painted([=](QPainter &p) {
            p.setPen(Qt::NoPen);
            p.setBrush(green);
            p.drawRect(QRectF(6.5, 2, 3, 12));
            p.drawRect(QRectF(2, 6.5, 12, 3));
        });
    case MapCommand::Delete:
        return painted([=](QPainter &p) {
            p.setPen(QPen(red, 2.6, Qt::SolidLine, Qt::RoundCap));
            p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
            p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
        });
    case MapCommand::Duplicate:
        return painted([=](QPainter &p) {
            p.setPen(QPen(blue.darker(150), 1));
            p.setBrush(QColor(0xdd, 0xe8, 0xf4));
            p.drawRect(QRectF(2.5, 2.5, 8, 8));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(5.5, 5.5, 8, 8));
        });
    case MapCommand::In:
        return painted([=](QPainter &p) { arrow(p, -90, blue); });
    case MapCommand::Out:
        return painted([=](QPainter &p) { arrow(p, 90, blue); });
    case MapCommand::Up:
        return painted([=](QPainter &p) { arrow(p, 0, green); });
    case MapCommand::Down:
        return painted([=](QPainter &p) { arrow(p, 180, green); });
    case MapCommand::Run:
        return painted([=](QPainter &p) {
            QPainterPath path;
            path.moveTo(4, 2.5);
            path.lineTo(13, 8);
            path.lineTo(4, 13.5);
            path.closeSubpath();
            p.setPen(QPen(green.darker(150), 1));
            p.setBrush(green);
            p.drawPath(path);
        });
    }
    return {};
}

} // namespace mapeditor
