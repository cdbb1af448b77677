#pragma once
// Lays a report over its rows in pages. Every detail band has the same
// height, so where a page starts follows from the row count alone: a page is
// laid out by reading only its own rows, and the page count needs no row at all.

#include "report/Model.h"
#include "report/RowSource.h"

#include <QRect>
#include <vector>

namespace report {

constexpr int ErrReportData = 20502;

// One object placed on a page: its box in twips from the page's top left corner.
struct PlacedItem {
    QRect rect;
    QString text;
    Font font;
    QColor color;
    Align align = Align::Left;
    int borderStyle = 0;
    QColor borderColor;
    SectionKind section = SectionKind::Detail;
    // Where the text comes from, for messages: the object's kind and name,
    // the field it shows and the row (0-based, -1 for none).
    ObjectKind kind = ObjectKind::Text;
    QString name;
    QString field;
    long row = -1;
};

struct PageLayout {
    int index = 0;                  // 0-based
    std::vector<PlacedItem> items;  // in section order, each band's objects in the report's order
};

class Paginator {
public:
    // Raises ErrReportData when a field object names a field the rows do not have.
    Paginator(const Report &report, RowSource &rows);

    const Report &report() const { return m_report; }
    RowSource &rows() { return m_rows; }
    long rowCount() const { return m_rowCount; }
    int pageCount() const { return m_pageCount; }
    PageLayout page(int index);

    // One band of `kind` placed with its top at `top` (twips from the page's
    // top), for row `row` (-1 for none), on page `page` (0-based).
    void placeSection(SectionKind kind, int top, long row, int page, std::vector<PlacedItem> &out);

private:
    const std::vector<vb::Variant> &rowValues(long row);

    const Report &m_report;
    RowSource &m_rows;
    std::vector<int> m_fieldIndex[SectionCount]; // per object: the row field, -1 for other kinds
    long m_rowCount = 0;
    long m_firstPageRows = 0, m_pageRows = 0;    // capacity of page 1 and of every later page
    int m_lastRowPage = 0, m_footerPage = 0, m_pageCount = 1;
    long m_cachedRow = -1;
    std::vector<vb::Variant> m_values;
};

} // namespace report
