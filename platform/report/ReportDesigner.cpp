#include "report/ReportDesigner.h"

#include "vb/Format.h"
#include "vb/Twips.h"
#include "vb/VbError.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace report {

namespace {
constexpr int kLabel = 18;   // pixels of the band's name strip
constexpr int kHandle = 6;   // pixels of the resize handle
constexpr int kMinimum = 60; // twips: an object never shrinks below this

int px(int twips)
{
    return int(twips / vb::TwipsPerPixel);
}

int twips(int pixels)
{
    return int(pixels * vb::TwipsPerPixel);
}

QString shownText(const ReportObject &o)
{
    switch (o.kind) {
    case ObjectKind::Text:
        return o.text;
    case ObjectKind::Field:
        return u'{' + o.field + u'}';
    case ObjectKind::Special:
        return u'{' + specialKindName(o.special) + u'}';
    }
    return {};
}
} // namespace

ReportDesigner::ReportDesigner(QWidget *parent) : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
}

void ReportDesigner::setReport(const Report &report)
{
    m_report = report;
    m_index = -1;
    setModified(false);
    updateGeometry();
    resize(sizeHint());
    update();
    emit selectionChanged();
}

void ReportDesigner::setModified(bool modified)
{
    if (m_modified == modified)
        return;
    m_modified = modified;
    emit modifiedChanged(modified);
}

const ReportObject *ReportDesigner::selectedObject() const
{
    if (m_index < 0)
        return nullptr;
    const auto &objects = m_report.section(m_section).objects;
    return m_index < int(objects.size()) ? &objects[std::size_t(m_index)] : nullptr;
}

ReportObject *ReportDesigner::selected()
{
    return const_cast<ReportObject *>(selectedObject());
}

void ReportDesigner::selectObject(SectionKind section, int index)
{
    const auto &objects = m_report.section(section).objects;
    m_section = section;
    m_index = index >= 0 && index < int(objects.size()) ? index : -1;
    update();
    emit selectionChanged();
}

void ReportDesigner::changed()
{
    setModified(true);
    update();
}

void ReportDesigner::moveSelected(int dx, int dy)
{
    ReportObject *o = selected();
    if (!o || (dx == 0 && dy == 0))
        return;
    const Section &band = m_report.section(m_section);
    o->left = std::clamp(o->left + dx, 0, std::max(0, m_report.page.width - o->width));
    o->top = std::clamp(o->top + dy, 0, std::max(0, band.height - o->height));
    changed();
}

void ReportDesigner::resizeSelected(int dw, int dh)
{
    ReportObject *o = selected();
    if (!o || (dw == 0 && dh == 0))
        return;
    o->width = std::max(kMinimum, o->width + dw);
    o->height = std::max(kMinimum, o->height + dh);
    holdSelected();
    changed();
}

void ReportDesigner::holdSelected()
{
    const ReportObject *o = selectedObject();
    if (!o)
        return;
    Section &band = m_report.section(m_section);
    if (o->top + o->height <= band.height)
        return;
    // The band grows so the object never reaches under the next band.
    band.height = o->top + o->height;
    updateGeometry();
    resize(sizeHint());
}

void ReportDesigner::setSelectedFont(const Font &font)
{
    ReportObject *o = selected();
    if (!o || o->font == font)
        return;
    o->font = font;
    changed();
}

void ReportDesigner::setSelectedFormat(const QString &format)
{
    ReportObject *o = selected();
    if (!o)
        return;
    if (o->kind != ObjectKind::Field)
        vb::raise(5, u"Only a field object has a format."_s);
    if (o->format == format)
        return;
    o->format = format;
    changed();
}

QRect ReportDesigner::bandRect(SectionKind section) const
{
    int top = 0;
    for (int k = 0; k < SectionCount; ++k) {
        const Section &band = m_report.sections[std::size_t(k)];
        const QRect r(0, top + kLabel, px(m_report.page.width), px(band.height));
        if (SectionKind(k) == section)
            return r;
        top = r.bottom() + 1;
    }
    return {};
}

QRect ReportDesigner::objectRect(SectionKind section, int index) const
{
    const auto &objects = m_report.section(section).objects;
    if (index < 0 || index >= int(objects.size()))
        return {};
    const ReportObject &o = objects[std::size_t(index)];
    const QRect band = bandRect(section);
    return QRect(band.left() + px(o.left), band.top() + px(o.top), std::max(1, px(o.width)),
                 std::max(1, px(o.height)));
}

QSize ReportDesigner::sizeHint() const
{
    const QRect last = bandRect(SectionKind::ReportFooter);
    return {px(m_report.page.width) + 1, last.bottom() + 2};
}

void ReportDesigner::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.fillRect(rect(), palette().window());
    for (int k = 0; k < SectionCount; ++k) {
        const SectionKind kind = SectionKind(k);
        const QRect band = bandRect(kind);
        const QRect label(band.left(), band.top() - kLabel, band.width(), kLabel);
        p.fillRect(label, QColor(220, 224, 232));
        p.setFont(font()); // the caption's own, not the last object's
        p.setPen(Qt::black);
        p.drawText(label.adjusted(4, 0, 0, 0), Qt::AlignVCenter | Qt::AlignLeft, sectionKindName(kind));
        p.fillRect(band, Qt::white);
        const auto &objects = m_report.section(kind).objects;
        for (int i = 0; i < int(objects.size()); ++i) {
            const ReportObject &o = objects[std::size_t(i)];
            const QRect r = objectRect(kind, i);
            QFont font(o.font.family);
            font.setPointSizeF(o.font.size);
            font.setBold(o.font.bold);
            font.setItalic(o.font.italic);
            font.setUnderline(o.font.underline);
            p.setFont(font);
            p.setPen(o.color);
            const int align = o.align == Align::Right ? Qt::AlignRight : o.align == Align::Center ? Qt::AlignHCenter
                                                                                                 : Qt::AlignLeft;
            p.drawText(r, align | Qt::AlignVCenter, shownText(o));
            const bool isSelected = kind == m_section && i == m_index;
            p.setPen(QPen(isSelected ? QColor(0, 90, 200) : QColor(160, 160, 160), 1,
                          isSelected ? Qt::SolidLine : Qt::DotLine));
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(0, 0, -1, -1));
            if (isSelected)
                p.fillRect(QRect(r.right() - kHandle + 1, r.bottom() - kHandle + 1, kHandle, kHandle),
                           QColor(0, 90, 200));
        }
    }
}

void ReportDesigner::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint();
    for (int k = 0; k < SectionCount; ++k) {
        const auto &objects = m_report.sections[std::size_t(k)].objects;
        for (int i = int(objects.size()) - 1; i >= 0; --i) {
            const QRect r = objectRect(SectionKind(k), i);
            if (!r.contains(at))
                continue;
            selectObject(SectionKind(k), i);
            const QRect handle(r.right() - kHandle + 1, r.bottom() - kHandle + 1, kHandle, kHandle);
            m_drag = handle.contains(at) ? Drag::Resize : Drag::Move;
            m_dragStart = at;
            m_before = *selectedObject();
            return;
        }
    }
    selectObject(m_section, -1);
}

void ReportDesigner::mouseMoveEvent(QMouseEvent *event)
{
    if (m_drag == Drag::None || !selected())
        return;
    const QPoint delta = event->position().toPoint() - m_dragStart;
    ReportObject *o = selected();
    // Work from where the drag began, so rounding never creeps.
    const ReportObject start = m_before;
    *o = start;
    if (m_drag == Drag::Move) {
        const Section &band = m_report.section(m_section);
        o->left = std::clamp(start.left + twips(delta.x()), 0, std::max(0, m_report.page.width - o->width));
        o->top = std::clamp(start.top + twips(delta.y()), 0, std::max(0, band.height - o->height));
    } else {
        o->width = std::max(kMinimum, start.width + twips(delta.x()));
        o->height = std::max(kMinimum, start.height + twips(delta.y()));
        holdSelected();
    }
    update();
}

void ReportDesigner::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_drag == Drag::None)
        return;
    mouseMoveEvent(event);
    m_drag = Drag::None;
    if (const ReportObject *o = selectedObject(); o && !(*o == m_before))
        changed();
}

void ReportDesigner::keyPressEvent(QKeyEvent *event)
{
    if (!selected()) {
        QWidget::keyPressEvent(event);
        return;
    }
    const int step = event->modifiers() & Qt::ControlModifier ? 120 : 15;
    int dx = 0, dy = 0;
    switch (event->key()) {
    case Qt::Key_Left: dx = -step; break;
    case Qt::Key_Right: dx = step; break;
    case Qt::Key_Up: dy = -step; break;
    case Qt::Key_Down: dy = step; break;
    default: QWidget::keyPressEvent(event); return;
    }
    if (event->modifiers() & Qt::ShiftModifier)
        resizeSelected(dx, dy);
    else
        moveSelected(dx, dy);
}

Font chosenFont(const Font &current, const Font &shown, const Font &chosen)
{
    Font out = chosen;
    if (chosen.family == shown.family)
        out.family = current.family;
    if (chosen.bold == shown.bold)
        out.bold = current.bold;
    if (chosen.italic == shown.italic)
        out.italic = current.italic;
    return out;
}

QString formatPatternProblem(const QString &pattern, int adoType)
{
    int sections = 1;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'\\') {
            if (i + 1 == pattern.size())
                return u"the \\ at its end has no character after it to show"_s;
            ++i;
        } else if (c == u'"') {
            const qsizetype close = pattern.indexOf(u'"', i + 1);
            if (close < 0)
                return u"the quoted text that starts at position %1 has no closing quote"_s.arg(i + 1);
            i = close;
        } else if (c == u';') {
            ++sections;
        }
    }
    if (sections > 4)
        return u"it has %1 sections separated by \";\"; a pattern has at most four (positive, negative, zero, Null)"_s
            .arg(sections);
    // The pattern must format a value of the field's kind.
    vb::Variant sample = isDateType(adoType)      ? vb::Variant::fromDate(46357.5)
                         : isNumericType(adoType) ? vb::Variant(-1234.5)
                         : isBooleanType(adoType) ? vb::Variant(true)
                                                  : vb::Variant(u"Text"_s);
    try {
        (void)vb::Format(sample, pattern);
    } catch (const vb::VbError &e) {
        return u"it cannot format a value of the field: "_s + e.description;
    }
    return {};
}

} // namespace report
