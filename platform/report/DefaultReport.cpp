#include "report/DefaultReport.h"

#include <algorithm>

namespace report {

namespace {
constexpr int kCharTwips = 120; // a 10-point character, with room to spare
constexpr int kLine = 240;
constexpr int kGap = 120;
}

void addToSection(Section &section, ReportObject object)
{
    section.height = std::max(section.height, object.top + object.height);
    section.objects.push_back(std::move(object));
}

Report defaultReport(const std::vector<FieldDef> &fields, const QString &title)
{
    Report r;
    r.title = title;
    r.fields = fields;
    const int width = r.page.width - r.page.marginLeft - r.page.marginRight;
    Section &heads = r.section(SectionKind::PageHeader);
    Section &detail = r.section(SectionKind::Detail);
    int x = 0, y = 0;
    for (const FieldDef &f : fields) {
        // As wide as the field's defined size allows, up to the page's width.
        const long chars = f.type == 134         ? 11
                           : isDateType(f.type)    ? 10
                           : isNumericType(f.type) ? std::clamp<long>(f.size + 2, 6, 20)
                                                   : std::max<long>(f.size, 4);
        const int w = int(std::min<long>(width, std::max<long>(chars, f.name.size()) * kCharTwips));
        if (x > 0 && x + w > width) {
            x = 0;
            y += kLine;
        }
        ReportObject head;
        head.kind = ObjectKind::Text;
        head.name = QStringLiteral("Heading%1").arg(heads.objects.size() + 1);
        head.text = f.name;
        head.left = x; head.top = y; head.width = w; head.height = kLine;
        head.font.bold = true;
        head.align = isNumericType(f.type) ? Align::Right : Align::Left;
        addToSection(heads, head);
        ReportObject field;
        field.kind = ObjectKind::Field;
        field.name = f.name;
        field.field = f.name;
        field.left = x; field.top = y; field.width = w; field.height = kLine;
        field.align = head.align;
        addToSection(detail, field);
        x += w + kGap;
    }
    if (!fields.empty())
        heads.height += kLine / 2; // a little air under the headings
    return r;
}

} // namespace report
