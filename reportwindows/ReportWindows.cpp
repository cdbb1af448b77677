#include "reportwindows/ReportWindows.h"

#include "reportwindows/frmDesign.h"
#include "reportwindows/frmReport.h"

#include "controls/ScreenPlacement.h"

namespace reportwindows {

void ProgramReportWindows::showViewer()
{
    if (!m_viewer) {
        auto *window = new frmReport;
        try {
            window->Form_Load();
        } catch (...) {
            delete window;
            throw;
        }
        m_viewer = window;
    } else {
        // A later View shows its own report, not the one loaded first.
        m_viewer->takeReport();
    }
    controls::placeOnScreen(m_viewer);
    m_viewer->show();
    m_viewer->raise();
    m_viewer->activateWindow();
}

bool ProgramReportWindows::showDesigner()
{
    if (m_designer) {
        if (!m_designer->resolvePendingEdits())
            return false;
        m_designer->Form_Load();
    } else {
        auto *window = new frmDesign;
        try {
            window->Form_Load();
        } catch (...) {
            delete window;
            throw;
        }
        m_designer = window;
    }
    controls::placeOnScreen(m_designer);
    m_designer->show();
    m_designer->raise();
    m_designer->activateWindow();
    return true;
}

bool ProgramReportWindows::unloadViewer()
{
    if (m_viewer)
        m_viewer->close();
    return true;
}

bool ProgramReportWindows::unloadDesigner()
{
    if (!m_designer)
        return true;
    return m_designer->close();
}

ProgramReportWindows &programReportWindows()
{
    static ProgramReportWindows windows;
    return windows;
}

} // namespace reportwindows
