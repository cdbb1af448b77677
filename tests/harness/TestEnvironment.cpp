#include "TestEnvironment.h"

#include "vb/AppInfo.h"
#include "vb/Clock.h"
#include "vb/DoEvents.h"
#include "vb/Settings.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <exception>
#include <memory>
#include <vector>

namespace corvantis::test {

namespace {

struct Hooks {
    std::function<void()> setUp;
    std::function<void()> tearDown;
};

struct HarnessState {
    std::shared_ptr<ScriptedDialogs> dialogs = std::make_shared<ScriptedDialogs>();
    std::shared_ptr<vb::FixedClock> clock = std::make_shared<vb::FixedClock>(defaultClockTime());
    std::unique_ptr<QTemporaryDir> folder;
    std::vector<Hooks> hooks;
    std::vector<std::function<void()>> endCallbacks;
};

HarnessState &state()
{
    static HarnessState s;
    return s;
}

void guarded(const char *what, const std::function<void()> &f)
{
    try {
        f();
    } catch (const std::exception &e) {
        ADD_FAILURE() << "Test harness " << what << " failed: " << e.what();
    } catch (...) {
        ADD_FAILURE() << "Test harness " << what << " failed";
    }
}

void beginTest()
{
    HarnessState &s = state();
    s.folder = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/corvantis-test-XXXXXX"));
    if (!s.folder->isValid())
        ADD_FAILURE() << "Cannot create the test's temporary folder: " << s.folder->errorString().toStdString();
    const QString root = tempDir();
    QDir(root).mkpath(QStringLiteral("settings"));
    vb::setSettingsRoot(root + QStringLiteral("/settings"));
    qputenv("XDG_CONFIG_HOME", (root + QStringLiteral("/xdg-config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (root + QStringLiteral("/xdg-data")).toLocal8Bit());
    qputenv("XDG_CACHE_HOME", (root + QStringLiteral("/xdg-cache")).toLocal8Bit());

    s.clock->set(defaultClockTime());
    vb::setClock(s.clock);

    s.dialogs->reset();
    vb::setDialogService(s.dialogs);

    vb::setDoEventsObserver({});
    vb::setDoEventsTickSource({});
    vb::resetDoEventsCount();
    vb::AppInfo::setTitle(QStringLiteral("Corvantis"));

    for (const Hooks &h : s.hooks)
        if (h.setUp)
            guarded("set-up", h.setUp);
}

void endTest()
{
    HarnessState &s = state();
    s.dialogs->verifyAllAnswersUsed();
    std::vector<std::function<void()>> callbacks;
    callbacks.swap(s.endCallbacks);
    for (auto it = callbacks.rbegin(); it != callbacks.rend(); ++it)
        guarded("test-end callback", *it);
    for (auto it = s.hooks.rbegin(); it != s.hooks.rend(); ++it)
        if (it->tearDown)
            guarded("tear-down", it->tearDown);
    vb::setDoEventsObserver({});
    vb::setDoEventsTickSource({});
    s.folder.reset();
}

// Runs around every test. Its end runs before the result printer's, so a
// failure it adds shows in the test's own result.
class HarnessListener : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo &) override { beginTest(); }
    void OnTestEnd(const ::testing::TestInfo &) override { endTest(); }
};

} // namespace

ScriptedDialogs &dialogs()
{
    return *state().dialogs;
}

QDateTime defaultClockTime()
{
    return QDateTime(QDate(2026, 12, 10), QTime(13, 5, 9));
}

void setClock(const QDateTime &at)
{
    state().clock->set(at);
    vb::setClock(state().clock);
}

void setClock(int year, int month, int day, int hour, int minute, int second)
{
    setClock(QDateTime(QDate(year, month, day), QTime(hour, minute, second)));
}

vb::FixedClock &clock()
{
    return *state().clock;
}

QString tempDir()
{
    const HarnessState &s = state();
    if (!s.folder || !s.folder->isValid())
        return {};
    return QDir(s.folder->path()).absolutePath();
}

void addTestHooks(std::function<void()> setUp, std::function<void()> tearDown)
{
    state().hooks.push_back({std::move(setUp), std::move(tearDown)});
}

void atTestEnd(std::function<void()> callback)
{
    state().endCallbacks.push_back(std::move(callback));
}

void installHarness()
{
    // Nothing outside a test may pop up a real dialog or read the real clock either.
    vb::setDialogService(state().dialogs);
    vb::setClock(state().clock);
    ::testing::UnitTest::GetInstance()->listeners().Append(new HarnessListener);
}

} // namespace corvantis::test
