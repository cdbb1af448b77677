#pragma once
// The application object: an error that escapes an event handler stops at
// the dispatch of the event loop and goes to `escapedError`, instead of
// unwinding through the loop and ending the program.
//
// Only the outermost dispatch of each running event loop is guarded. An
// event sent synchronously from code (a show, a close, a sendEvent) still
// throws to its sender, who may handle it; code that runs before the loop
// starts is not touched either.

#include <QApplication>
#include <QThread>

#include <functional>

namespace controls {

class GuardedApplication : public QApplication {
public:
    GuardedApplication(int &argc, char **argv) : QApplication(argc, argv) {}

    // Called inside the catch block, so it may rethrow to learn what
    // escaped; it must not throw itself. Without one the error is logged.
    std::function<void()> escapedError;

    bool notify(QObject *receiver, QEvent *event) override
    {
        const int level = QThread::currentThread()->loopLevel();
        if (level <= m_guardedLevel)
            return QApplication::notify(receiver, event);
        const int outer = m_guardedLevel;
        m_guardedLevel = level;
        bool handled = false;
        try {
            handled = QApplication::notify(receiver, event);
        } catch (...) {
            if (escapedError)
                escapedError();
            else
                qCritical("An error escaped an event handler");
        }
        m_guardedLevel = outer;
        return handled;
    }

private:
    int m_guardedLevel = 0; // loop level of the dispatch being guarded; 0: none
};

} // namespace controls
