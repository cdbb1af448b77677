// Setup > Map Designer: the modeless map designer, which the exit path
// unloads (refused while a translation uses it), and what it needs of this
// window for its inbound trial run.
#include "mainwindow/frmMain.h"

#include "mapeditor/frmMap.h"

#include "controls/Forms.h"
#include "controls/ScreenPlacement.h"
#include "core/loader/WorkProgress.h"
#include "core/modGlobal.h"

namespace mainwindow {

using namespace Qt::StringLiterals;

void frmMain::installMapDesignerCommands()
{
    mapeditor::MapDesignerServices designer;
    designer.inbox = [this] { return lvwInbox; };
    designer.isSelectionUnique = [this](controls::ListView &list) { return IsSelectionUnique(&list); };
    designer.progress = [this] {
        if (!m_reportProgress)
            m_reportProgress = makeWindowProgress(*this);
        return m_reportProgress.get();
    };
    mapeditor::setMapDesignerServices(std::move(designer));
    registerOtherWindow({u"frmMap"_s, [] { return controls::isLoaded<mapeditor::frmMap>(); },
                         [] { return controls::unload<mapeditor::frmMap>(); }});
    setMenuHandler(u"mnuMap"_s, [] {
        modGlobal::LogHistory(u"Info"_s, u"Selected [Setup] - [Map Designer]"_s);
        mapeditor::frmMap &window = controls::form<mapeditor::frmMap>();
        controls::placeOnScreen(&window);
        window.show();
        window.setWindowState(window.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
        window.raise();
        window.activateWindow();
    });
}

} // namespace mainwindow
