// The renderer on an image, the page widget, the PDF file and the shared printer.
#include "report/PageWidget.h"
#include "report/Printing.h"
#include "report/Renderer.h"

#include "ErrorOf.h"
#include "ReportTestSupport.h"
#include "vb/Dialogs.h"

#include <QPrinter>
#include <QRegularExpression>

using namespace report;
using namespace report::test;

namespace {

// Share of pixels in `area` that are not white.
double inkIn(const QImage &image, const QRect &area)
{
    long ink = 0, all = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            ++all;
            if (image.pixel(x, y) != qRgb(255, 255, 255))
                ++ink;
        }
    }
    return all ? double(ink) / all : 0;
}

// A report of `n` rows of the fixture's layout: rows repeat the fixture's three.
ado::RecordsetPtr manyInvoices(int n)
{
    auto base = invoices();
    auto rs = std::make_shared<ado::Recordset>();
    for (const ado::Field &f : base->Fields())
        rs->Fields().Append(f.Name(), f.Type(), f.DefinedSize(), ado::adFldUpdatable | ado::adFldIsNullable);
    rs->Open();
    for (int i = 0; i < n; ++i) {
        base->setAbsolutePosition(i % 3 + 1);
        rs->AddNew();
        for (int c = 0; c < base->Fields().Count(); ++c)
            rs->Fields(c).setValue(base->Fields(c).Value());
        rs->Fields("Invoice").setValue(vb::Variant::fromLong(1001 + i));
        rs->Update();
    }
    return rs;
}

} // namespace

TEST(Render, PageImageHasInkWhereTheBandsAre)
{
    const Report r = invoiceReport();
    RecordsetSource rows(invoices());
    Paginator p(r, rows);
    const QImage page = renderPageImage(p, 0);
    ASSERT_EQ(page.size(), QSize(816, 1056));
    EXPECT_GT(inkIn(page, QRect(48, 48, 300, 25)), 0.02) << "title";
    EXPECT_GT(inkIn(page, QRect(48, 120, 150, 48)), 0.02) << "first rows";
    EXPECT_EQ(inkIn(page, QRect(48, 400, 700, 500)), 0.0) << "below the last row";
    EXPECT_GT(inkIn(page, QRect(48, 1000, 100, 16)), 0.02) << "page footer";
    // The title is teal (&H808000).
    bool teal = false;
    for (int x = 48; x < 300 && !teal; ++x)
        for (int y = 48; y < 73 && !teal; ++y)
            teal = page.pixelColor(x, y) == QColor(0, 0x80, 0x80);
    EXPECT_TRUE(teal);
}

TEST(Render, PageWidgetShowsOnePageAtATime)
{
    Report r = invoiceReport();
    RecordsetSource rows(manyInvoices(120));
    Paginator p(r, rows);
    ASSERT_EQ(p.pageCount(), 3);
    PageWidget widget;
    widget.setPaginator(&p);
    widget.resize(widget.sizeHint());
    std::vector<int> changes;
    QObject::connect(&widget, &PageWidget::pageChanged, [&](int i) { changes.push_back(i); });
    const QImage first = widget.grab().toImage();
    EXPECT_GT(inkIn(first, QRect(12 + 48, 12 + 48, 300, 25)), 0.02) << "the report header on page 1";
    widget.nextPage();
    const QImage second = widget.grab().toImage();
    EXPECT_EQ(widget.pageIndex(), 1);
    EXPECT_EQ(inkIn(second, QRect(12 + 48, 12 + 48, 300, 25)) < 0.02 || first != second, true);
    EXPECT_NE(first, second);
    // For a look by eye: CORVANTIS_SCREENSHOT_DIR=/some/folder keeps both pages.
    if (qEnvironmentVariableIsSet("CORVANTIS_SCREENSHOT_DIR")) {
        const QString dir = qEnvironmentVariable("CORVANTIS_SCREENSHOT_DIR");
        first.save(dir + "/page1.png");
        second.save(dir + "/page2.png");
    }
    widget.setPageIndex(99);
    EXPECT_EQ(widget.pageIndex(), 2);
    widget.previousPage();
    EXPECT_EQ(changes, (std::vector<int>{1, 2, 1}));
}

TEST(Render, PdfHasEveryPageAndItsTexts)
{
    Report r = invoiceReport();
    RecordsetSource rows(manyInvoices(120));
    Paginator p(r, rows);
    writePdf(p, tmp("out.pdf"));
    EXPECT_EQ(filesIn(corvantis::test::tempDir()), QStringList{"out.pdf"});
    const QString info = QString::fromLatin1(runTool("pdfinfo", {tmp("out.pdf")}));
    EXPECT_TRUE(info.contains(QRegularExpression("Pages:\\s+3\\n"))) << info.toStdString();
    EXPECT_TRUE(info.contains("612 x 792 pts")) << info.toStdString();
    const QString text = QString::fromUtf8(runTool("pdftotext", {"-layout", tmp("out.pdf"), "-"}));
    EXPECT_TRUE(text.contains("Invoices of December"));
    EXPECT_TRUE(text.contains(QString::fromUtf8("Bäckerei Müller")));
    EXPECT_TRUE(text.contains("1,250.50"));
    EXPECT_TRUE(text.contains("Page 3 of 3"));
    EXPECT_TRUE(text.contains("1120"));
    EXPECT_TRUE(text.contains("End of report"));
}

TEST(Render, PrintingUsesTheReportsPaperAndGivesThePrintSetupBack)
{
    QPrinter &printer = vb::sharedPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(tmp("printed.pdf"));
    // What the user chose in Print Setup.
    printer.setCopyCount(3);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Landscape);
    const QPageLayout chosen = printer.pageLayout();
    const Report r = invoiceReport();
    RecordsetSource rows(invoices());
    Paginator p(r, rows);
    printReport(p, printer);
    const QString text = QString::fromUtf8(runTool("pdftotext", {"-layout", tmp("printed.pdf"), "-"}));
    EXPECT_TRUE(text.contains("Invoices of December")) << text.toStdString();
    EXPECT_TRUE(text.contains("Page 1 of 1"));
    const QString info = QString::fromUtf8(runTool("pdfinfo", {tmp("printed.pdf")}));
    EXPECT_TRUE(info.contains("612 x 792 pts (letter)")) << "the report's own paper: " << info.toStdString();
    EXPECT_EQ(printer.copyCount(), 3);
    EXPECT_TRUE(printer.pageLayout().isEquivalentTo(chosen));
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Landscape);
    printer.setOutputFileName({});
    printer.setOutputFormat(QPrinter::NativeFormat);
    printer.setCopyCount(1);
    printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageOrientation(QPageLayout::Portrait);
}
