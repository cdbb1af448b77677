// Corvantis: the X12 interchange workstation.
#include "mainwindow/Icons.h"
#include "mainwindow/Program.h"

#include <QApplication>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    app.setWindowIcon(mainwindow::windowIcon());
    return mainwindow::runProgram(app);
}
