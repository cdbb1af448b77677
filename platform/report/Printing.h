#pragma once
// Printing a report on a Qt printer (platform_report_widgets): the print
// service of a program with windows, and the printing the viewer does after
// its print dialog.

#include "report/PrintService.h"

#include <QString>

class QPrinter;

namespace report {

class Paginator;

// Every page to `printer`: one copy, no prompt, the report's own paper size
// and margins; the printer's own copies, paper and layout (the user's Print
// Setup) are given back afterwards. Raises ErrReportData when the printer
// cannot be started, with the text of printerStartFailure.
void printReport(Paginator &paginator, QPrinter &printer);

// Why printing could not start: the printer by its name, or, when it has
// none, that no printer is installed (or none is chosen) and where a report
// can still be printed.
QString printerStartFailure(const QString &printerName, bool anyPrinterInstalled);

// Prints on the program's shared printer (vb::sharedPrinter), the one Print
// Setup changes.
class QtPrintService final : public PrintService {
public:
    void print(Paginator &pages) override;
};

} // namespace report
