// The main window's report commands: View, Print, Export, the three Designer
// reports and Tools > ActiveX, each on the list of the selected folder. The
// work lives in reports::ReportCommands; the viewer and designer windows in
// reportwindows.
#include "mainwindow/frmMain.h"

#include "reports/ReportCommands.h"
#include "reportwindows/ReportWindows.h"
#include "reportwindows/frmDesign.h"
#include "reportwindows/frmReport.h"
#include "translation/InboundTranslation.h"
#include "translation/MapScriptHost.h"

#include "controls/ListView.h"
#include "core/ListSelection.h"
#include "core/loader/WorkProgress.h"
#include "core/modGlobal.h"
#include "vb/DoEvents.h"

namespace mainwindow {

using namespace Qt::StringLiterals;

reports::ReportCommands frmMain::reportCommands()
{
    if (!m_reportProgress)
        m_reportProgress = makeWindowProgress(*this);
    reports::ReportServices services;
    services.isSelectionUnique = [this](const core::MailboxSelection &selection) {
        return IsSelectionUnique(listForNode(selection.table));
    };
    services.translateAll = [this](const core::MailboxSelection &selection, const reports::ReportKey &key,
                                   bool exportFlag, bool silent) {
        translation::InboundTranslation run(translation::mapScriptHost(), m_reportProgress.get());
        return run.TranslateAll(selection, key.partner, key.transaction, key.version, key.direction, exportFlag,
                                silent);
    };
    if (controls::ListView *recycled = lvwRecycled)
        services.recycled = [recycled] { return core::selectionOf(*recycled); };
    services.processEvents = [] { vb::DoEvents(); };
    return reports::ReportCommands(std::move(services));
}

void frmMain::installReportCommands()
{
    translation::setReportWindows(&reportwindows::programReportWindows());
    registerOtherWindow({u"frmDesign"_s, [] { return reportwindows::programReportWindows().designer() != nullptr; },
                         [] { return reportwindows::programReportWindows().unloadDesigner(); }});
    registerOtherWindow({u"frmReport"_s, [] { return reportwindows::programReportWindows().viewer() != nullptr; },
                         [] { return reportwindows::programReportWindows().unloadViewer(); }});

    setMenuHandler(u"mnuReportViewer"_s, [this] { mnuReportViewer_Click(); });
    setMenuHandler(u"mnuPrint"_s, [this] { mnuPrint_Click(); });
    setMenuHandler(u"mnuExport"_s, [this] { mnuExport_Click(); });
    setMenuHandler(u"mnuDesignReport"_s, [this] { mnuDesignReport_Click(); });
    setMenuHandler(u"mnuDesignExport"_s, [this] { mnuDesignExport_Click(); });
    setMenuHandler(u"mnuDesignActiveX"_s, [this] { mnuDesignActiveX_Click(); });
    setMenuHandler(u"mnuActiveX"_s, [this] { mnuActiveX_Click(); });
}

namespace {

// The History entry first, then the command on the list of a mailbox node.
template <class Command>
void onMailboxList(frmMain &w, const QString &entry, Command command)
{
    modGlobal::LogHistory(u"Info"_s, entry);
    controls::ListView *list = w.currentList();
    if (!list || !w.isMailboxList(list))
        return;
    command(core::selectionOf(*list));
}

} // namespace

void frmMain::mnuReportViewer_Click()
{
    onMailboxList(*this, u"Selected [View] - [Report]"_s,
                  [this](const core::MailboxSelection &list) { reportCommands().ViewReport(list); });
}

void frmMain::mnuPrint_Click()
{
    onMailboxList(*this, u"Selected [Print] - [Report]"_s,
                  [this](const core::MailboxSelection &list) { reportCommands().PrintReport(list, false); });
}

void frmMain::mnuExport_Click()
{
    onMailboxList(*this, u"Selected [File] - [Export]"_s,
                  [this](const core::MailboxSelection &list) { reportCommands().ExportReport(list, false); });
}

void frmMain::mnuDesignReport_Click()
{
    onMailboxList(*this, u"Selected [Tools] - [Designer] - [Viewer Report]"_s,
                  [this](const core::MailboxSelection &list) { reportCommands().DesignViewerReport(list); });
}

void frmMain::mnuDesignExport_Click()
{
    onMailboxList(*this, u"Selected [Tools] - [Designer] - [Export Report]"_s,
                  [this](const core::MailboxSelection &list) { reportCommands().DesignExportReport(list); });
}

void frmMain::mnuDesignActiveX_Click()
{
    onMailboxList(*this, u"Selected [Tools] - [Designer] - [ActiveX Report]"_s,
                  [this](const core::MailboxSelection &list) { reportCommands().DesignActiveXReport(list); });
}

void frmMain::mnuActiveX_Click()
{
    onMailboxList(*this, u"Selected [ActiveX]"_s, [this](const core::MailboxSelection &list) { reportCommands().ActiveX(list, 0); });
}

} // namespace mainwindow
