// Pagination: page counts from the row count alone, pages laid out from their
// own rows only, special fields, and fields the data does not have.
#include "report/Paginator.h"

#include "ErrorOf.h"
#include "ReportTestSupport.h"

using namespace report;
using namespace report::test;
using corvantis::test::errorOf;

namespace {

// n rows of one number field; counts the rows read.
class CountingSource final : public RowSource {
public:
    explicit CountingSource(long n) : m_n(n), m_fields{{"N", 3, 4, 0, 0}} {}
    const std::vector<FieldDef> &fields() const override { return m_fields; }
    long rowCount() override { return m_n; }
    void readRow(long index, std::vector<vb::Variant> &values) override
    {
        ++reads;
        values = {vb::Variant::fromLong(int32_t(index + 1))};
    }
    long reads = 0;
private:
    long m_n;
    std::vector<FieldDef> m_fields;
};

// Page body 10 detail lines high: 1440 * 2 margins, page 5280 twips high.
Report tenLineReport(int reportHeader, int reportFooter)
{
    Report r;
    r.page = {12240, 1440 + 2400 + 1440, 720, 720, 720, 720};
    r.page.marginTop = 720; r.page.marginBottom = 720;
    r.page.height = 720 + 720 + 2400 + 480; // page header and footer of 240 each
    r.section(SectionKind::PageHeader).height = 240;
    r.section(SectionKind::PageFooter).height = 240;
    r.section(SectionKind::ReportHeader).height = reportHeader;
    r.section(SectionKind::ReportFooter).height = reportFooter;
    r.section(SectionKind::Detail).height = 240;
    ReportObject n;
    n.kind = ObjectKind::Field;
    n.field = "n";
    r.section(SectionKind::Detail).objects.push_back(n);
    ReportObject page;
    page.kind = ObjectKind::Special;
    page.special = SpecialKind::PageNofM;
    r.section(SectionKind::PageFooter).objects.push_back(page);
    return r;
}

QStringList texts(const PageLayout &page, SectionKind kind)
{
    QStringList out;
    for (const PlacedItem &item : page.items) {
        if (item.section == kind)
            out << item.text;
    }
    return out;
}

} // namespace

TEST(Paginator, PageCountFollowsFromTheRowCount)
{
    struct Case { long rows; int header, footer; int pages; };
    const Case cases[] = {
        {0, 0, 0, 1},
        {10, 0, 0, 1},      // exactly one page
        {11, 0, 0, 2},
        {30, 0, 0, 3},
        {8, 480, 0, 1},     // the report header takes two lines of page 1
        {9, 480, 0, 2},
        {10, 0, 240, 2},    // a full last page pushes the report footer over
        {9, 0, 240, 1},
        {25, 480, 480, 3},  // 8 + 10 + 7, footer fits after 7
    };
    for (const Case &c : cases) {
        Report r = tenLineReport(c.header, c.footer);
        CountingSource rows(c.rows);
        Paginator p(r, rows);
        EXPECT_EQ(p.pageCount(), c.pages) << c.rows << " rows, header " << c.header << ", footer " << c.footer;
        EXPECT_EQ(rows.reads, 0) << "counting pages read rows";
    }
}

TEST(Paginator, APageReadsOnlyItsOwnRows)
{
    Report r = tenLineReport(480, 0);
    CountingSource rows(100000);
    Paginator p(r, rows);
    EXPECT_EQ(p.pageCount(), 1 + (100000 - 8 + 9) / 10);
    const PageLayout third = p.page(2);
    EXPECT_EQ(rows.reads, 10);
    const QStringList numbers = texts(third, SectionKind::Detail);
    ASSERT_EQ(numbers.size(), 10);
    EXPECT_EQ(numbers.first(), "19");
    EXPECT_EQ(numbers.last(), "28");
    EXPECT_EQ(texts(third, SectionKind::PageFooter), QStringList{"Page 3 of 10001"});
    const PageLayout first = p.page(0);
    EXPECT_EQ(texts(first, SectionKind::Detail).size(), 8);
    const PageLayout last = p.page(p.pageCount() - 1);
    EXPECT_EQ(texts(last, SectionKind::Detail).last(), "100000");
    EXPECT_EQ(errorOf([&] { p.page(p.pageCount()); }), 9);
}

TEST(Paginator, BandsArePlacedInTwipsFromThePageCorner)
{
    const Report r = invoiceReport();
    RecordsetSource rows(invoices());
    Paginator p(r, rows);
    ASSERT_EQ(p.pageCount(), 1);
    const PageLayout page = p.page(0);
    const PlacedItem &title = page.items.front();
    EXPECT_EQ(title.rect, QRect(720, 720, 8500, 432));
    EXPECT_EQ(title.color, QColor(0, 0x80, 0x80));
    // Detail rows start below the report header (720) and page header (360).
    QList<int> tops;
    for (const PlacedItem &item : page.items) {
        if (item.section == SectionKind::Detail && item.rect.left() == 720)
            tops << item.rect.top();
    }
    EXPECT_EQ(tops, (QList<int>{1800, 2040, 2280}));
    EXPECT_EQ(texts(page, SectionKind::Detail).mid(0, 5),
              (QStringList{"ACME", "1001", "1,250.50", "12/01/2026", "first, \"rush\" order"}));
    EXPECT_EQ(texts(page, SectionKind::PageFooter), (QStringList{"12/10/2026", "Page 1 of 1"}));
    const PlacedItem &footer = page.items.back();
    EXPECT_EQ(footer.section, SectionKind::PageFooter);
    EXPECT_EQ(footer.rect.top(), 15840 - 720 - 240);
}

TEST(Paginator, AFieldTheDataDoesNotHaveIsNamed)
{
    Report r = invoiceReport();
    r.section(SectionKind::Detail).objects[0].field = "Vendor";
    RecordsetSource rows(invoices());
    try {
        Paginator p(r, rows);
        ADD_FAILURE() << "a report with a missing field was laid out";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, ErrReportData);
        EXPECT_TRUE(e.description.contains("\"Vendor\""));
    }
}

TEST(Paginator, SpecialFieldsOfTheEngineCodes)
{
    EXPECT_EQ(specialKindFromEngineCode(5), SpecialKind::PrintDate);
    EXPECT_EQ(specialKindFromEngineCode(17), SpecialKind::PageNofM);
    EXPECT_EQ(errorOf([] { specialKindFromEngineCode(4); }), 5);
}
