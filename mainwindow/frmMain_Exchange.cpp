// Tools > Exchange: the communications window, modeless. The exit path
// unloads it, which it refuses while a network's script runs.
#include "mainwindow/frmMain.h"

#include "communications/frmExchange.h"

#include "controls/Forms.h"
#include "controls/ScreenPlacement.h"
#include "core/modGlobal.h"

namespace mainwindow {

using namespace Qt::StringLiterals;

void frmMain::installExchangeCommands()
{
    using communications::frmExchange;
    registerOtherWindow({u"frmExchange"_s, [] { return controls::isLoaded<frmExchange>(); },
                         [] { return controls::unload<frmExchange>(); }});
    setMenuHandler(u"mnuExchange"_s, [] {
        modGlobal::LogHistory(u"Info"_s, u"Selected [Tools] - [Exchange]"_s);
        frmExchange &window = controls::form<frmExchange>();
        controls::placeOnScreen(&window);
        window.show();
        window.setWindowState(window.windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized));
        window.raise();
        window.activateWindow();
    });
}

} // namespace mainwindow
