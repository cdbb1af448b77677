// Corvantis: the X12 interchange workstation.
#include "mainwindow/Icons.h"
#include "mainwindow/Program.h"

#include "ado/Connection.h"
#include "controls/GuardedApplication.h"

int main(int argc, char **argv)
{
    // However the program leaves main (an exit path that skips closing the
    // database included), the log's folding threads end before the static
    // objects and the libraries' own clean-up go.
    struct EndLogFolding {
        ~EndLogFolding() { ado::endLogFolding(); }
    } endLogFolding;
    controls::GuardedApplication app(argc, argv);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] { ado::endLogFolding(); });
    mainwindow::reportEscapedErrors(app);
    app.setWindowIcon(mainwindow::windowIcon());
    return mainwindow::runProgram(app);
}
