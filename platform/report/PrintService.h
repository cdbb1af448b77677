#pragma once
// Printing goes through one service, as the dialogs do: the report model and
// the commands above it say what to print; the widgets part of the engine
// (platform_report_widgets, which links the printer support) prints on the
// program's shared printer and is the default service of every target that
// links it. Tests may install their own. A process without that part has no
// printer: printing there raises ErrReportData saying so.

#include <memory>

namespace report {

class Paginator;

class PrintService {
public:
    virtual ~PrintService() = default;
    // Every page on the printer printing uses: one copy, no prompt.
    virtual void print(Paginator &pages) = 0;
};

// Installs the service; nullptr restores the default service.
void setPrintService(std::shared_ptr<PrintService> service);
// The service used while none is installed; nullptr: none, printing refused.
void setDefaultPrintService(std::shared_ptr<PrintService> service);
PrintService &printService();

} // namespace report
