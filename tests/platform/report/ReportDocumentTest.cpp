// The open report as the commands use it: open a file, bind rows, print or
// export; a report saved with its data shows those rows when none are bound.
#include "report/Export.h"
#include "report/ReportDocument.h"
#include "report/ReportFile.h"

#include "ErrorOf.h"
#include "ReportTestSupport.h"

using namespace report;
using namespace report::test;
using corvantis::test::errorOf;

TEST(ReportDocument, BoundRowsAreExportedThroughTheOpenedReport)
{
    const auto doc = ReportDocument::open(fixture("invoices.rpt"));
    EXPECT_EQ(doc->report().title, "Invoices");
    doc->setDataSource(invoices());
    EXPECT_EQ(doc->pages().pageCount(), 1);
    doc->exportTo(ExportCsv, tmp("out.csv"));
    EXPECT_EQ(bytesOf(tmp("out.csv")), bytesOf(fixture("invoices.csv")));
}

TEST(ReportDocument, AReportSavedWithItsDataShowsThoseRows)
{
    const auto doc = ReportDocument::open(fixture("invoices-data.rpt"));
    EXPECT_EQ(doc->rows().rowCount(), 3);
    QStringList detail;
    for (const PlacedItem &item : doc->pages().page(0).items) {
        if (item.section == SectionKind::Detail)
            detail << item.text;
    }
    EXPECT_EQ(detail.mid(5, 2), (QStringList{QString::fromUtf8("Bäckerei Müller"), "1002"}));
    // Binding rows replaces them and lays the pages out afresh.
    auto rs = invoices();
    rs->setFilter(QStringLiteral("Invoice = 1003"));
    doc->setDataSource(rs);
    EXPECT_EQ(doc->rows().rowCount(), 1);
    EXPECT_EQ(doc->pages().page(0).items.size(), doc->report().section(SectionKind::ReportHeader).objects.size()
                                                     + doc->report().section(SectionKind::PageHeader).objects.size()
                                                     + doc->report().section(SectionKind::Detail).objects.size()
                                                     + doc->report().section(SectionKind::ReportFooter).objects.size()
                                                     + doc->report().section(SectionKind::PageFooter).objects.size());
}

TEST(ReportDocument, AReportWithoutRowsOpensEmpty)
{
    saveReport(invoiceReport(), tmp("plain.RPT"));
    const auto doc = ReportDocument::open(tmp("plain.RPT"));
    EXPECT_EQ(doc->rows().rowCount(), 0);
    EXPECT_EQ(doc->pages().pageCount(), 1);
    EXPECT_EQ(errorOf([] { ReportDocument::open(tmp("none.RPT")); }), ErrReportFile);
}
