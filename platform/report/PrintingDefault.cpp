// Compiled into every target that links platform_report_widgets (an
// interface source), so a program with windows prints on its shared printer
// without a start-up call and the linker cannot drop the installation.
#include "report/Printing.h"

namespace {

const bool g_qtPrintingInstalled = [] {
    report::setDefaultPrintService(std::make_shared<report::QtPrintService>());
    return true;
}();

} // namespace
