#include "report/Printing.h"

#include "report/Renderer.h"

#include "vb/Dialogs.h"
#include "vb/VbError.h"

#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

namespace report {

namespace {

// The printer is shared with Print Setup: the user's copies, paper and
// layout come back once the report is printed, whatever happened.
class PrinterSettingsKept {
public:
    explicit PrinterSettingsKept(QPrinter &printer)
        : m_printer(printer), m_copies(printer.copyCount()), m_fullPage(printer.fullPage()),
          m_layout(printer.pageLayout()), m_docName(printer.docName())
    {
    }
    ~PrinterSettingsKept()
    {
        m_printer.setCopyCount(m_copies);
        m_printer.setFullPage(m_fullPage);
        m_printer.setPageLayout(m_layout);
        m_printer.setDocName(m_docName);
    }
    PrinterSettingsKept(const PrinterSettingsKept &) = delete;
    PrinterSettingsKept &operator=(const PrinterSettingsKept &) = delete;

private:
    QPrinter &m_printer;
    int m_copies;
    bool m_fullPage;
    QPageLayout m_layout;
    QString m_docName;
};

} // namespace

QString printerStartFailure(const QString &printerName, bool anyPrinterInstalled)
{
    if (!printerName.trimmed().isEmpty())
        return QStringLiteral("The printer %1 cannot be started").arg(printerName);
    if (!anyPrinterInstalled)
        return QStringLiteral("No printer is installed. The report viewer prints the report to a PDF file.");
    return QStringLiteral("No printer is chosen. Choose one in Print Setup, or print the report to a PDF file "
                          "from the report viewer.");
}

void printReport(Paginator &paginator, QPrinter &printer)
{
    const PrinterSettingsKept kept(printer);
    printer.setCopyCount(1);
    printer.setFullPage(true);
    printer.setPageSize(pageSizeOf(paginator.report().page));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setDocName(paginator.report().title);
    QPainter painter;
    if (!painter.begin(&printer))
        vb::raise(ErrReportData,
                  printerStartFailure(printer.printerName(), !QPrinterInfo::availablePrinterNames().isEmpty()),
                  QStringLiteral("Report"));
    const double scale = printer.resolution() / 1440.0;
    paintPages(paginator, painter, scale, [&] { printer.newPage(); });
    painter.end();
}

void QtPrintService::print(Paginator &pages)
{
    printReport(pages, vb::sharedPrinter());
}

} // namespace report
