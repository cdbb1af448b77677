#pragma once
// Printing a report on a Qt printer (platform_report_widgets): the print
// service of a program with windows, and the printing the viewer does after
// its print dialog.

#include "report/PrintService.h"

class QPrinter;

namespace report {

class Paginator;

// Every page to `printer`: one copy, no prompt, the report's own paper size
// and margins; the printer's own copies, paper and layout (the user's Print
// Setup) are given back afterwards. Raises ErrReportData when the printer
// cannot be started.
void printReport(Paginator &paginator, QPrinter &printer);

// Prints on the program's shared printer (vb::sharedPrinter), the one Print
// Setup changes.
class QtPrintService final : public PrintService {
public:
    void print(Paginator &pages) override;
};

} // namespace report
