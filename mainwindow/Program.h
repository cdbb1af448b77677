#pragma once
// The program from start to end: splash, login, the main window's run, and
// the outcome for main().

class QApplication;
namespace controls { class GuardedApplication; }

namespace mainwindow {

// Runs Corvantis; returns the exit code. A refused second instance, a
// cancelled login and a database that could not be opened end it early,
// without the exit path.
int runProgram(QApplication &app);

// An error that escapes every handler up to the event loop is reported
// through ReportError, as one escaping a guarded handler is.
void reportEscapedErrors(controls::GuardedApplication &app);

} // namespace mainwindow
