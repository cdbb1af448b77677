#include "translation/OpenReport.h"

namespace translation {

report::ReportDocumentPtr crxReport;

namespace {
ReportWindows *g_reportWindows = nullptr;
}

void setReportWindows(ReportWindows *windows)
{
    g_reportWindows = windows;
}

ReportWindows *reportWindows()
{
    return g_reportWindows;
}

} // namespace translation
