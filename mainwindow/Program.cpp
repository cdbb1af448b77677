#include "mainwindow/Program.h"

#include "controls/Forms.h"
#include "controls/GuardedApplication.h"
#include "core/HandlerGuard.h"
#include "mainwindow/Startup.h"
#include "mainwindow/frmMain.h"
#include "mainwindow/frmSplash.h"

#include <QApplication>

namespace mainwindow {

void reportEscapedErrors(controls::GuardedApplication &app)
{
    app.escapedError = [] { modGlobal::ReportCurrentError(); };
}

int runProgram(QApplication &app)
{
    QApplication::setQuitOnLastWindowClosed(false);
    SingleInstance instance;
    frmSplash &splash = controls::form<frmSplash>();
    if (splash.Form_Load(instance) == StartOutcome::EndProgram) {
        controls::unload<frmSplash>();
        return 0;
    }
    splash.show();
    const StartOutcome outcome = splash.Form_Activate();
    controls::unload<frmSplash>();
    if (outcome == StartOutcome::EndProgram) {
        // Ends at once: the main window goes without its exit path.
        controls::unload<frmMain>();
        return 0;
    }
    frmMain &main = controls::form<frmMain>();
    QObject::connect(&main, &frmMain::exited, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    const int code = app.exec();
    controls::unload<frmMain>();
    return code;
}

} // namespace mainwindow
