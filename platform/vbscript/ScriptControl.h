#pragma once
// The script control: hosts VBScript for map scripts and network scripts.
//
//   vbs::ScriptControl sc;
//   sc.AddObject("objScript", script);            // reached as objScript.Segment
//   sc.AddObject("Inet", inet, true);             // also `Execute ...` without the name
//   sc.AddCode("objScript.Segment = \"ST\"");     // compiles, then runs the top level
//
// AddCode, Eval and Run raise vb::VbError when the code fails; before they
// do, the Error object is filled and the error() signal is emitted (the
// control's Error event). A run that exceeds Timeout is stopped, timeout() is
// emitted and the call raises as well.

#include "vb/Variant.h"
#include "vb/VbError.h"

#include <QObject>
#include <QString>
#include <functional>
#include <span>
#include <memory>
#include <vector>

namespace vbs {

class Engine;

// The control's Error object.
struct ScriptError {
    int32_t Number = 0;
    QString Description;
    QString Source;
    QString Text;   // the source line the error is on
    int Line = 0;   // 1-based; 0 when the error has no place in the code
    int Column = 0; // 1-based
    void Clear() { *this = ScriptError(); }
};

// Number raised by AddCode/Eval/Run when the time-out stopped the code.
constexpr int32_t kScriptTimeoutError = -2147467260; // "Operation aborted"

class ScriptControl : public QObject {
    Q_OBJECT
public:
    explicit ScriptControl(QObject *parent = nullptr);
    ~ScriptControl() override;

    QString Language() const { return QStringLiteral("VBScript"); }
    void setLanguage(const QString &language); // only VBScript; 5 otherwise

    // Milliseconds a call may run; -1 (or any negative value) for no limit.
    // Time spent inside calls to host objects and dialogs does not count.
    int Timeout() const;
    void setTimeout(int milliseconds);

    // Drops every procedure, class, variable and added object.
    void Reset();

    // Adds a host object under `name`; with addMembers its members are also
    // reachable without the name (the first object added wins a shared name).
    // 457 when the name is already added.
    void AddObject(const QString &name, vb::ObjectPtr object, bool addMembers = false);

    // Compiles the whole text (nothing runs when it has a compile error),
    // keeps its declarations until Reset and runs its top-level statements.
    void AddCode(const QString &code);

    // Evaluates an expression at global level.
    vb::Variant Eval(const QString &expression);

    // Runs a statement at global level (ExecuteStatement of the control).
    void ExecuteStatement(const QString &statement);

    // Calls a global Sub or Function by name; arguments by reference.
    vb::Variant Run(const QString &procedureName, std::span<vb::Variant> args = {});

    const ScriptError &Error() const { return m_error; }

    // True while code of this control runs (a host call may start another control).
    bool isRunning() const;

    // Called every few thousand loop turns while code runs, so the host can
    // process window messages; time spent in it does not count.
    void setYieldHook(std::function<void()> hook);

signals:
    void error();   // the Error event: Error() describes the failure
    void timeout(); // the Timeout event: the running code was stopped

private:
    template<class F>
    auto guarded(F &&body) -> decltype(body());
    [[noreturn]] void fail(int32_t number, const QString &description, const QString &source, int line, int column, const QString &text);

    std::shared_ptr<Engine> m_engine;
    ScriptError m_error;
    int m_timeout = 60000;
    int m_running = 0;
    std::function<void()> m_yieldHook;
};

// Milliseconds of a monotonic clock by which time-outs are measured; tests
// install their own (nullptr restores the system's). Process-wide.
using TimeoutClock = int64_t (*)();
void setTimeoutClock(TimeoutClock clock);

// The built-in function names the engine provides (for reference lists and tests).
std::vector<QString> builtinNames();

} // namespace vbs
