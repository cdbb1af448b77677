#pragma once
// The open report shared by the report commands, the plug-in runner and the
// map designer's report routines, and the windows that show it. Whoever opens
// a report sets `crxReport`; the viewer or designer window takes it when
// shown; the command clears it afterwards (the window keeps its own
// reference).

#include "report/ReportDocument.h"

namespace translation {

extern report::ReportDocumentPtr crxReport;

// The viewer and designer windows live above this layer; the program
// registers them at start.
class ReportWindows {
public:
    virtual ~ReportWindows() = default;
    // Shows the viewer on crxReport; an open viewer takes the new report and
    // comes to the front.
    virtual void showViewer() = 0;
    // Shows the designer on crxReport; an open designer with unsaved edits
    // asks first (Yes/No/Cancel). False when the user cancelled, with nothing
    // changed.
    virtual bool showDesigner() = 0;
};

// nullptr clears the registration.
void setReportWindows(ReportWindows *windows);
// nullptr when none is registered: callers then raise a clear error.
ReportWindows *reportWindows();

} // namespace translation
