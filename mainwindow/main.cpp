// Corvantis: the X12 interchange workstation.
#include "mainwindow/Icons.h"
#include "mainwindow/Program.h"

#include "controls/GuardedApplication.h"

int main(int argc, char **argv)
{
    controls::GuardedApplication app(argc, argv);
    mainwindow::reportEscapedErrors(app);
    app.setWindowIcon(mainwindow::windowIcon());
    return mainwindow::runProgram(app);
}
