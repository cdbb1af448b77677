// Tools > Integrator: the integration window, modeless and without an owner.
// Its runs use this window's Inbox and Recycled lists and commands; the exit
// path unloads it and is refused while one of its runs runs.
#include "mainwindow/frmMain.h"

#include "integration/window/frmIntegrator.h"

#include "controls/Forms.h"
#include "controls/ScreenPlacement.h"
#include "controls/ListView.h"
#include "core/loader/WorkProgress.h"
#include "core/modGlobal.h"

namespace mainwindow {

using namespace Qt::StringLiterals;
using integration::frmIntegrator;

void frmMain::installIntegratorCommands()
{
    // The progress the runs show lives as long as this window.
    auto progress = std::shared_ptr<core::WorkProgress>(makeWindowProgress(*this));
    frmIntegrator::setMailboxAccess([this, progress] {
        integration::MailboxAccess access;
        access.inbox = lvwInbox;
        access.recycled = lvwRecycled;
        access.makeUniqueSelection = [this](controls::ListView &list, const QString &p, const QString &t,
                                            const QString &v, const QString &d) {
            return MakeUniqueSelection(&list, p, t, v, d);
        };
        access.isSelectionUnique = [this](controls::ListView &list) { return IsSelectionUnique(&list); };
        access.refreshBox = [this](const QString &table) {
            for (controls::ListView *list : {lvwInbox, lvwOutbox, lvwSent, lvwRecycled})
                if (list->tag() == table)
                    RefreshBox(list);
        };
        access.progress = progress.get();
        return access;
    });
    connect(this, &QObject::destroyed, [] { frmIntegrator::setMailboxAccess({}); });
    registerOtherWindow({u"frmIntegrator"_s, [] { return controls::isLoaded<frmIntegrator>(); },
                         [] { return controls::unload<frmIntegrator>(); }});
    setMenuHandler(u"mnuIntegrator"_s, [] {
        modGlobal::LogHistory(u"Info"_s, u"Selected [Tools] - [Integrator]"_s);
        frmIntegrator &window = controls::form<frmIntegrator>();
        controls::placeOnScreen(&window);
        window.show();
        window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        window.showNormal();
        window.raise();
        window.activateWindow();
    });
}

} // namespace mainwindow
