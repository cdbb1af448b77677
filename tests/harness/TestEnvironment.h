#pragma once
// What every test runs in. Before each test the harness gives it
//  - a fresh temporary folder (tempDir()), removed after the test;
//  - the settings store redirected to tempDir() + "/settings" (and the XDG
//    configuration, data and cache folders redirected below tempDir());
//  - a fixed clock reading 10 Dec 2026 13:05:09 (setClock() changes it);
//  - the scripted dialogs (dialogs()) installed; after the test any answer
//    left unused fails it;
//  - the DoEvents counter and seams reset, the application title "Corvantis".

#include "ScriptedDialogs.h"

#include <QDateTime>
#include <QString>
#include <functional>

namespace vb {
class FixedClock;
}

namespace corvantis::test {

ScriptedDialogs &dialogs();

// The moment every test starts at.
QDateTime defaultClockTime();
void setClock(const QDateTime &at);
void setClock(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
vb::FixedClock &clock(); // to advance it

// The running test's temporary folder (absolute, without a trailing "/").
QString tempDir();

// Extensions of the harness (e.g. a per-test database copy).
// addTestHooks: run setUp before every test and tearDown after it; call it
// before the tests run (from a static initializer of a harness source is fine:
// it then applies to the test programs that use that source).
void addTestHooks(std::function<void()> setUp, std::function<void()> tearDown);
// atTestEnd: run once when the running test ends, before its folder is removed.
void atTestEnd(std::function<void()> callback);

// Used by the harness main.
void installHarness();

} // namespace corvantis::test
