#pragma once
// The viewer and designer windows as the report commands reach them: one of
// each at a time, built on first use and unloaded by the exit path.

#include "translation/OpenReport.h"

#include <QPointer>

namespace reportwindows {

class frmDesign;
class frmReport;

class ProgramReportWindows final : public translation::ReportWindows {
public:
    void showViewer() override;
    bool showDesigner() override;

    frmReport *viewer() const { return m_viewer; }
    frmDesign *designer() const { return m_designer; }
    // The exit path: false when the designer keeps unsaved edits (Cancel).
    bool unloadViewer();
    bool unloadDesigner();

private:
    QPointer<frmReport> m_viewer;
    QPointer<frmDesign> m_designer;
};

// The program's one instance, registered with translation::setReportWindows.
ProgramReportWindows &programReportWindows();

} // namespace reportwindows
