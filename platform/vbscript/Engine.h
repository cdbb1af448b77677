#pragma once
// Internals of the interpreter shared by the compiler, the evaluator, the
// built-ins and the host: the global name table, call frames, the Err state,
// script class instances and the time-out clock.

#include "Ast.h"
#include "com/Dispatch.h"
#include "vb/VbError.h"

#include <QLoggingCategory>
#include <chrono>
#include <deque>
#include <functional>
#include <span>

// corvantis.script: errors the engine does not pass on to the script or its host.
Q_DECLARE_LOGGING_CATEGORY(lcScript)

namespace vbs {

struct GlobalEntry {
    enum Kind : uint8_t { Unset, Variable, Const, Proc, Class, HostObject };
    Kind kind = Unset;
    QString name;
    vb::Variant value;  // Variable, Const, HostObject
    ProcPtr proc;
    ClassPtr cls;
    // an undeclared name bound to a member of an object added with its members
    com::Dispatch *hostObj = nullptr;
    int hostId = -1;
    uint32_t hostGen = 0;
};

struct GlobalTable {
    std::deque<GlobalEntry> entries; // a deque: entries never move, nodes point at them
    QHash<QString, GlobalEntry *> byName; // lower-cased
    GlobalEntry *find(const QString &lower) const { return byName.value(lower, nullptr); }
    GlobalEntry *findOrAdd(const QString &name);
    // Counts every change of what a name is (its kind, or a constant's
    // value): compiled code is only reused while the names it was resolved
    // against are unchanged.
    uint64_t generation = 0;
    void setKind(GlobalEntry *e, GlobalEntry::Kind k)
    {
        if (e->kind != k) {
            e->kind = k;
            ++generation;
        }
    }
    // Drops every value and declaration (Reset); the entries stay valid for
    // code of instances that outlive it.
    void clear();
};

// Locals that Execute adds to a running procedure.
struct FrameExtra {
    QHash<QString, int> index; // lower-cased name -> slot (>= procedure's localCount)
    std::deque<vb::Variant> store;
};

struct Frame {
    Engine *eng = nullptr;
    const Procedure *proc = nullptr; // null for top-level code
    ScriptObject *me = nullptr;
    vb::Variant **slotv = nullptr;
    int slotCount = 0;
    bool resumeNext = false;
    std::vector<vb::Variant> withStack;
    std::unique_ptr<FrameExtra> extra;
    std::vector<vb::Variant *> extraSlots;

    vb::Variant &local(int slot) const
    {
        return slot < slotCount ? *slotv[slot] : *extraSlots[slot - slotCount];
    }
};

// Raised by the time-out: On Error does not trap it, it ends the running code.
struct ScriptAbort {};

// A built-in function: args are evaluated (objects reduced to their default
// value unless `rawArgs`), then fn is called.
struct Builtin {
    const char *name;
    int minArgs;
    int maxArgs;
    bool rawArgs;
    vb::Variant (*fn)(Frame &f, std::span<vb::Variant> args);
    bool valueOnly = false; // the conversions: used as a statement they raise 458
};
const Builtin *findBuiltin(const QString &lowerName);
// `Randomize` where a value is wanted (`x = Randomize(1)`): 13, the name
// being the statement's and no function.
const Builtin *randomizeAsValue();
bool builtinConstant(const QString &lowerName, vb::Variant *value);

// Instance of a script class, reachable by hosts as any late-bound object.
class ScriptObject : public com::Dispatch {
public:
    ScriptObject(ClassPtr cls, std::weak_ptr<Engine> eng);
    ClassPtr cls;
    std::vector<vb::Variant> fields;
    std::weak_ptr<Engine> engine;

    QString typeName() const override { return cls->name; }
    int memberId(const QString &name) const override;
    vb::Variant invoke(int id, int kind, std::span<vb::Variant> args) override;

    // Creates an instance and runs Class_Initialize; Class_Terminate runs when
    // the last reference goes.
    static vb::Variant create(Engine &eng, const ClassPtr &cls);
};

// The procedure of a class member that serves a call of `kind` (com::Method,
// Get, Let, Set bits): Set falls back to Property Let, a read or call to the
// Sub or Function; null when the member has none.
const ProcPtr *procedureFor(const ClassMember &m, int kind);

// The Err object.
struct ErrState {
    int32_t number = 0;
    QString description;
    QString source;
    QString helpFile;
    int32_t helpContext = 0;
    void clear() { *this = ErrState(); }
};

class Engine : public std::enable_shared_from_this<Engine> {
public:
    Engine();
    ~Engine();

    std::shared_ptr<GlobalTable> globals;
    std::vector<com::DispatchPtr> memberObjects; // added with their members, in order
    uint32_t hostGen = 1;
    ErrState err;
    vb::ObjectPtr errObject;

    // where the running code is, for the Error object
    const Stmt *current = nullptr;
    int depth = 0;

    // time-out: checked every 4096 loop turns; host calls push the deadline on
    int timeoutMs = 60000;
    bool timing = false;
    int64_t deadline = 0; // coarseMs() value
    uint32_t ticks = 0;
    bool timedOut = false;
    std::function<void()> yieldHook;

    // Rnd state (the classic 24-bit generator)
    uint32_t rndSeed = 0x50000;

    void tick()
    {
        if ((++ticks & 4095) == 0)
            checkTime();
    }
    void checkTime();

    // Compiles text into a unit (throws CompileError); `scope` non-null
    // compiles in the scope of a running procedure (Execute, Eval).
    std::unique_ptr<Unit> compile(const QString &text, Frame *scope, bool expressionOnly, ExprPtr *expr);
    // Registers the declarations of a compiled unit in the global table
    // (done again each time a cached unit is added anew).
    void registerUnit(const Unit &u, bool inProc);
    // Runs the top-level statements of a unit at global level.
    void runTop(const Unit &u);

    // Compiled AddCode texts by their exact text, with the generation of the
    // global table they were resolved against.
    struct CachedUnit {
        std::shared_ptr<Unit> unit;
        uint64_t generation = 0;
    };
    QHash<QString, CachedUnit> codeCache;
    // Compiles a top-level text or takes it from the cache; registers its
    // declarations either way.
    std::shared_ptr<Unit> compileCached(const QString &text);

    // Calls
    vb::Variant callProc(Frame &caller, const ProcPtr &p, ScriptObject *me, ExprSpan args, vb::Variant *extra);
    vb::Variant callProcValues(const ProcPtr &p, ScriptObject *me, std::span<vb::Variant> args);
    vb::Variant invokeHost(com::Dispatch *d, int id, int kind, std::span<vb::Variant> args);
    vb::Variant callMember(Frame &f, const vb::Variant &obj, ScriptObject *so, int member, int kind, ExprSpan args, vb::Variant *extra);

    void setErr(const vb::VbError &e);
    void clearErr() { err.clear(); }

    friend struct HostCallTimer;
};

// Milliseconds of a monotonic clock read cheaply (a few milliseconds of
// resolution, plenty for a time-out counted in seconds); host calls read it
// twice each, so the precise clock would cost more than a short call itself.
int64_t coarseMs();

// Keeps time spent inside host calls out of the time-out.
struct HostCallTimer {
    Engine &eng;
    int64_t start;
    explicit HostCallTimer(Engine &e) : eng(e), start(e.timing ? coarseMs() : 0) {}
    ~HostCallTimer()
    {
        if (eng.timing && start)
            eng.deadline += coarseMs() - start;
    }
};

// Shared evaluation helpers.
vb::Variant defaultValue(const vb::Variant &v); // an object's default member, else v
inline vb::Variant value(vb::Variant v)
{
    if (v.isObject())
        return defaultValue(v);
    return v;
}
// 424 / 91 when there is no object; `hold` keeps an adapter made for a plain runtime object
com::Dispatch *asDispatch(const vb::Variant &v, com::DispatchPtr &hold);
vb::Variant evalArg(Frame &f, const ExprPtr &e);    // omitted argument: the Missing value
Flow execBlock(Frame &f, const StmtList &list);
// An error about a named thing: scripts see the classic text alone in
// Err.Description; the host's Error object also names it ("Object required: 'x'").
struct NamedError : vb::VbError {
    NamedError(int32_t number, QString name);
    QString name;
    QString hostDescription() const { return description + QStringLiteral(": '") + name + QLatin1Char('\''); }
};
[[noreturn]] void raiseNamed(int number, const QString &name);
// The classic binary operator `op` on two plain values; Is (identity) is no
// value operator and raises 51.
vb::Variant applyOperator(Op op, const vb::Variant &l, const vb::Variant &r);
// Whether an operand is hard-typed in comparisons: a literal or a constant
// written in the code (also negated or in parentheses).
bool isHardTyped(const Expr *e);
// A comparison (Eq ... Ge) of two plain values as scripts make it. Text
// against a number (Boolean and Date included): a hard-typed number reads the
// text as a number, else hard-typed text reads the number as text, else (and
// where the text holds no number) the number is less. `hardSides`: bit 0 the
// left operand is hard-typed, bit 1 the right one. Anything else follows
// vb::compare.
vb::Variant compareValues(Op op, const vb::Variant &l, const vb::Variant &r, unsigned hardSides);
// Not as scripts apply it: "#TRUE#"/"#FALSE#" text reads as the condition.
vb::Variant notValue(const vb::Variant &v);
// "#TRUE#" and "#FALSE#" (any case, blanks around): the Boolean text forms
// conditions and CBool accept besides what the runtime reads.
bool boolText(const QString &text, bool *value);

} // namespace vbs
