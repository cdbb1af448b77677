#include "report/Paginator.h"

#include "vb/Clock.h"
#include "vb/Format.h"
#include "vb/TextFile.h"
#include "vb/VbError.h"

#include <algorithm>
#include <limits>

namespace report {

Paginator::Paginator(const Report &report, RowSource &rows)
    : m_report(report), m_rows(rows)
{
    for (int s = 0; s < SectionCount; ++s) {
        for (const ReportObject &o : report.sections[s].objects) {
            int index = -1;
            if (o.kind == ObjectKind::Field) {
                index = rows.fieldIndex(o.field);
                if (index < 0)
                    vb::raise(ErrReportData,
                              QStringLiteral("The report field \"%1\" is not among the fields of the data").arg(o.field),
                              QStringLiteral("Report"));
            }
            m_fieldIndex[s].push_back(index);
        }
    }
    m_rowCount = rows.rowCount();

    const PageSetup &p = report.page;
    const int header = report.section(SectionKind::ReportHeader).height;
    const int footer = report.section(SectionKind::ReportFooter).height;
    const int detail = report.section(SectionKind::Detail).height;
    const int body = std::max(0, p.height - p.marginTop - p.marginBottom
                                     - report.section(SectionKind::PageHeader).height
                                     - report.section(SectionKind::PageFooter).height);
    long used = 0;
    if (detail <= 0) {
        // Without a detail band the rows show nothing: everything is on page 1.
        m_firstPageRows = m_pageRows = std::numeric_limits<long>::max();
        m_lastRowPage = 0;
        used = header;
    } else {
        m_pageRows = std::max(1, body / detail);
        m_firstPageRows = std::max(0, (body - header) / detail);
        if (m_rowCount <= m_firstPageRows) {
            m_lastRowPage = 0;
            used = header + m_rowCount * detail;
        } else {
            const long rest = m_rowCount - m_firstPageRows;
            const long pages = (rest + m_pageRows - 1) / m_pageRows;
            m_lastRowPage = static_cast<int>(pages);
            used = (rest - (pages - 1) * m_pageRows) * detail;
        }
    }
    m_footerPage = (footer > 0 && used + footer > body && used > 0) ? m_lastRowPage + 1 : m_lastRowPage;
    m_pageCount = m_footerPage + 1;
}

const std::vector<vb::Variant> &Paginator::rowValues(long row)
{
    if (row != m_cachedRow) {
        m_rows.readRow(row, m_values);
        m_cachedRow = row;
    }
    return m_values;
}

PageLayout Paginator::page(int index)
{
    if (index < 0 || index >= m_pageCount)
        vb::raise(9);
    PageLayout layout;
    layout.index = index;
    const PageSetup &p = m_report.page;
    int y = p.marginTop;
    const int detail = m_report.section(SectionKind::Detail).height;

    long first = 0, count = 0;
    if (index <= m_lastRowPage && m_rowCount > 0) {
        first = index == 0 ? 0 : m_firstPageRows + long(index - 1) * m_pageRows;
        const long capacity = index == 0 ? m_firstPageRows : m_pageRows;
        count = std::clamp(m_rowCount - first, 0L, capacity);
    }
    const long firstRow = count > 0 ? first : (index > m_lastRowPage && m_rowCount > 0 ? m_rowCount - 1 : -1);
    const long lastRow = count > 0 ? first + count - 1 : firstRow;

    if (index == 0) {
        placeSection(SectionKind::ReportHeader, y, firstRow, index, layout.items);
        y += m_report.section(SectionKind::ReportHeader).height;
    }
    placeSection(SectionKind::PageHeader, y, firstRow, index, layout.items);
    y += m_report.section(SectionKind::PageHeader).height;
    if (detail > 0) {
        for (long r = first; r < first + count; ++r) {
            placeSection(SectionKind::Detail, y, r, index, layout.items);
            y += detail;
        }
    }
    if (index == m_footerPage)
        placeSection(SectionKind::ReportFooter, y, lastRow, index, layout.items);
    const int pageFooter = m_report.section(SectionKind::PageFooter).height;
    placeSection(SectionKind::PageFooter, p.height - p.marginBottom - pageFooter, lastRow, index, layout.items);
    return layout;
}

void Paginator::placeSection(SectionKind kind, int top, long row, int page, std::vector<PlacedItem> &out)
{
    const Section &section = m_report.section(kind);
    if (section.height <= 0)
        return;
    const int s = static_cast<int>(kind);
    const int left = m_report.page.marginLeft;
    for (size_t i = 0; i < section.objects.size(); ++i) {
        const ReportObject &o = section.objects[i];
        PlacedItem item;
        item.rect = QRect(left + o.left, top + o.top, o.width, o.height);
        item.font = o.font;
        item.color = o.color;
        item.align = o.align;
        item.borderStyle = o.borderStyle;
        item.borderColor = o.borderColor;
        item.section = kind;
        item.kind = o.kind;
        item.name = o.name;
        item.field = o.field;
        item.row = row;
        switch (o.kind) {
        case ObjectKind::Text:
            item.text = o.text;
            break;
        case ObjectKind::Field:
            if (row >= 0)
                // Text of earlier versions holds U+0080-U+009F for the bytes 0x80-0x9F:
                // shown (and printed) as the characters they stand for.
                item.text = vb::shownAsWindows1252(displayText(rowValues(row)[m_fieldIndex[s][i]], o.format));
            break;
        case ObjectKind::Special:
            switch (o.special) {
            case SpecialKind::PrintDate: item.text = vb::Format(vb::Now(), QStringLiteral("mm/dd/yyyy")); break;
            case SpecialKind::PrintTime: item.text = vb::Format(vb::Now(), QStringLiteral("hh:mm:ss AMPM")); break;
            case SpecialKind::PageNumber: item.text = QString::number(page + 1); break;
            case SpecialKind::PageCount: item.text = QString::number(m_pageCount); break;
            case SpecialKind::PageNofM:
                item.text = QStringLiteral("Page %1 of %2").arg(page + 1).arg(m_pageCount);
                break;
            case SpecialKind::RecordNumber: item.text = row >= 0 ? QString::number(row + 1) : QString(); break;
            case SpecialKind::ReportTitle: item.text = m_report.title; break;
            }
            break;
        }
        out.push_back(std::move(item));
    }
}

} // namespace report
