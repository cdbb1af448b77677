// The open report as the commands use it: open a file, bind rows, print or
// export; a report saved with its data shows those rows when none are bound.
// Printing goes through the print service.
#include "report/Export.h"
#include "report/PrintService.h"
#include "report/Printing.h"
#include "report/ReportDocument.h"
#include "report/ReportFile.h"

#include "ErrorOf.h"
#include "ReportTestSupport.h"
#include "vb/Dialogs.h"
#include "vb/VbError.h"

#include <QPrinter>

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

namespace {

class RecordingPrinter final : public PrintService {
public:
    void print(Paginator &pages) override { printed.push_back(pages.pageCount()); }
    std::vector<int> printed;
};

// Puts the program's print services back however a test ends.
struct PrintServicesRestored {
    ~PrintServicesRestored()
    {
        setPrintService(nullptr);
        setDefaultPrintService(std::make_shared<QtPrintService>());
        vb::sharedPrinter().setOutputFileName({});
        vb::sharedPrinter().setOutputFormat(QPrinter::NativeFormat);
    }
};

} // namespace

TEST(ReportDocument, PrintingGoesThroughThePrintService)
{
    const PrintServicesRestored restored;
    const auto doc = ReportDocument::open(fixture("invoices.rpt"));
    doc->setDataSource(invoices());

    // A program with the report widgets prints on the shared printer.
    QPrinter &printer = vb::sharedPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(tmp("printed.pdf"));
    doc->printOut();
    EXPECT_TRUE(QString::fromUtf8(runTool("pdftotext", {"-layout", tmp("printed.pdf"), "-"})).contains("Invoices"));

    // An installed service takes every print; none restores the default.
    const auto recording = std::make_shared<RecordingPrinter>();
    setPrintService(recording);
    doc->printOut();
    EXPECT_EQ(recording->printed, std::vector<int>{1});
    setPrintService(nullptr);
    QFile::remove(tmp("printed.pdf"));
    doc->printOut();
    EXPECT_TRUE(QFile::exists(tmp("printed.pdf")));
    EXPECT_EQ(recording->printed.size(), 1u);

    // Without any service (a process without the widgets) printing is refused, not skipped.
    setDefaultPrintService(nullptr);
    QFile::remove(tmp("printed.pdf"));
    QString description;
    try {
        doc->printOut();
    } catch (const vb::VbError &error) {
        EXPECT_EQ(error.number, ErrReportData);
        description = error.description;
    }
    EXPECT_EQ(description, QStringLiteral("Printing is not available: this program has no printer support"));
    EXPECT_FALSE(QFile::exists(tmp("printed.pdf")));
}
