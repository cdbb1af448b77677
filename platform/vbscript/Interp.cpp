// The evaluator: eval/exec of every node, calls, and the helpers they share.

#include "Engine.h"
#include "Lexer.h"
#include "Objects.h"
#include "RegExp.h"
#include "ScriptControl.h"

#include "com/ClassRegistry.h"
#include "vb/CaughtError.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <ctime>
#include <pthread.h>
#include <typeinfo>

Q_LOGGING_CATEGORY(lcScript, "corvantis.script")

namespace vbs {

using vb::Variant;
using vb::VarType;

namespace {

constexpr int kMaxDepth = 1000; // script calls deep on one thread; beyond it "Out of stack space"
constexpr ptrdiff_t kStackReserve = 256 * 1024; // stack kept free for the host and error handling

// Small argument buffer: calls rarely have more than a handful of arguments.
template<class T, int N = 6>
struct SmallBuf {
    alignas(T) unsigned char inl[N * sizeof(T)];
    T *p;
    size_t n;
    explicit SmallBuf(size_t count) : n(count)
    {
        p = count > size_t(N) ? static_cast<T *>(::operator new(count * sizeof(T))) : reinterpret_cast<T *>(inl);
        for (size_t i = 0; i < n; ++i)
            new (p + i) T();
    }
    ~SmallBuf()
    {
        for (size_t i = 0; i < n; ++i)
            p[i].~T();
        if (p != reinterpret_cast<T *>(inl))
            ::operator delete(p);
    }
    SmallBuf(const SmallBuf &) = delete;
    SmallBuf &operator=(const SmallBuf &) = delete;
    T &operator[](size_t i) { return p[i]; }
};

inline bool isIntType(VarType t) { return t == VarType::Integer || t == VarType::Long; }

// Result of integer arithmetic with the classic widening: Integer while both
// operands were Integer and it fits, then Long, then Double.
inline Variant intResult(int64_t r, bool bothInteger)
{
    if (bothInteger && r >= -32768 && r <= 32767)
        return Variant(int16_t(r));
    if (r >= INT32_MIN && r <= INT32_MAX)
        return Variant(int32_t(r));
    return Variant(double(r));
}

void store(Variant &dst, Variant &&v, bool isSet)
{
    if (isSet) {
        if (!v.isObject())
            vb::raise(424);
        dst = std::move(v);
    } else if (v.isObject()) {
        dst = defaultValue(v);
    } else {
        dst = std::move(v);
    }
}

std::vector<int32_t> indexes(Frame &f, ExprSpan args, size_t count)
{
    std::vector<int32_t> idx(count);
    for (size_t i = 0; i < count; ++i) {
        if (!args[i])
            vb::raise(9);
        idx[i] = value(args[i]->eval(f)).toLong();
    }
    return idx;
}

bool truth(Frame &f, const ExprPtr &e)
{
    Variant v = e->eval(f);
    if (v.type() == VarType::Boolean)
        return v.rawInt() != 0;
    bool b;
    if (v.isString() && boolText(v.rawString(), &b))
        return b;
    return vb::isTrue(value(std::move(v)));
}

// Under On Error Resume Next a loop, Select or With whose header fails goes
// on at the first statement of its body, as the classic engine does: the
// error is recorded and `onFail` says so.
template<class Header>
bool headerFails(Frame &f, Header &&header)
{
    if (!f.resumeNext) {
        header();
        return false;
    }
    try {
        header();
    } catch (const vb::VbError &e) {
        f.eng->setErr(e);
        return true;
    }
    return false;
}

// The body of a For or For Each whose header failed, run once; its Next then
// finds no loop to continue and raises `nextError` (92 "For loop not
// initialized", 451 "Object not a collection"), which Resume Next records.
Flow bodyOnce(Frame &f, const Stmt *loop, const StmtList &body, int nextError)
{
    const Flow r = execBlock(f, body);
    if (r == Flow::ExitFor)
        return Flow::Normal;
    if (r != Flow::Normal)
        return r;
    f.eng->current = loop;
    vb::raise(nextError);
}

GlobalEntry *boundHost(Engine &eng, GlobalEntry *e)
{
    if (e->hostGen != eng.hostGen) {
        e->hostGen = eng.hostGen;
        e->hostObj = nullptr;
        e->hostId = com::kUnknownMember;
        for (auto &o : eng.memberObjects) {
            const int id = o->memberId(e->name);
            if (id != com::kUnknownMember) {
                e->hostObj = o.get();
                e->hostId = id;
                break;
            }
        }
    }
    return e->hostObj ? e : nullptr;
}

// The type_info objects of one program are unique, so comparing their
// addresses is enough (and far cheaper than comparing names); an instance
// made by another copy of this library simply takes the general path.
ScriptObject *scriptObject(const Variant &v)
{
    const vb::ObjectPtr &o = v.rawObject();
    if (o && &typeid(*o) == &typeid(ScriptObject))
        return static_cast<ScriptObject *>(o.get());
    return nullptr;
}

} // namespace

NamedError::NamedError(int32_t number, QString n) : vb::VbError(number), name(std::move(n)) {}

void raiseNamed(int number, const QString &name)
{
    throw NamedError(number, name);
}

com::Dispatch *asDispatch(const Variant &v, com::DispatchPtr &hold)
{
    if (!v.isObject())
        vb::raise(424);
    const vb::ObjectPtr &o = v.rawObject();
    if (!o)
        vb::raise(91);
    // the last class seen to be a Dispatch skips the cross-cast
    thread_local const std::type_info *lastDispatchType = nullptr;
    const std::type_info *type = &typeid(*o);
    if (type == lastDispatchType)
        return static_cast<com::Dispatch *>(o.get());
    if (auto *d = dynamic_cast<com::Dispatch *>(o.get())) {
        if (static_cast<vb::Object *>(d) == o.get()) // same address: the fast path may cast statically
            lastDispatchType = type;
        return d;
    }
    // an object of the runtime reached through an adapter (a plain record set ...)
    hold = com::toDispatch(o);
    if (!hold)
        vb::raise(438);
    return hold.get();
}

Variant defaultValue(const Variant &v)
{
    Variant cur = v;
    for (int i = 0; i < 8 && cur.isObject(); ++i) {
        com::DispatchPtr hold;
        com::Dispatch *d = asDispatch(cur, hold);
        cur = d->invoke(com::kDefaultMember, com::Method | com::Get, {});
    }
    if (cur.isObject())
        vb::raise(438);
    return cur;
}

Variant evalArg(Frame &f, const ExprPtr &e)
{
    return e ? e->eval(f) : Variant::missing();
}

Flow execBlock(Frame &f, const StmtList &list)
{
    Engine *eng = f.eng;
    for (const auto &s : list) {
        eng->current = s.get();
        if (!f.resumeNext) {
            const Flow r = s->exec(f);
            if (r != Flow::Normal)
                return r;
            continue;
        }
        try {
            const Flow r = s->exec(f);
            if (r != Flow::Normal)
                return r;
        } catch (const vb::VbError &e) {
            eng->setErr(e);
        }
    }
    return Flow::Normal;
}

void Expr::assign(Frame &, Variant &&, bool) const { vb::raise(501); }

Variant NameExpr::eval(Frame &) const { vb::raise(51); }
Variant CallExpr::eval(Frame &) const { vb::raise(51); }

// ---- engine: calls ---------------------------------------------------------------

Engine::Engine() : globals(std::make_shared<GlobalTable>())
{
    // scripts make the regular expression object with CreateObject as well as with New
    static const bool regExpRegistered = [] {
        com::registerBuiltinClass(QStringLiteral("VBScript.RegExp"), [] { return std::make_shared<RegExpObject>(); });
        return true;
    }();
    (void)regExpRegistered;
}

Engine::~Engine()
{
    globals->clear();
}

namespace {
std::atomic<TimeoutClock> g_timeoutClock{nullptr};
}

void setTimeoutClock(TimeoutClock clock) { g_timeoutClock.store(clock, std::memory_order_relaxed); }

int64_t coarseMs()
{
    if (TimeoutClock c = g_timeoutClock.load(std::memory_order_relaxed))
        return c() + 1;
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC_COARSE, &ts);
    return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000 + 1; // never 0: 0 means "not started"
}

void Engine::checkTime()
{
    if (yieldHook) {
        HostCallTimer t(*this);
        yieldHook();
    }
    if (timing && coarseMs() > deadline) {
        timedOut = true;
        throw ScriptAbort{};
    }
}

void Engine::setErr(const vb::VbError &e)
{
    if (dynamic_cast<const RaisedError *>(&e) && err.number == e.number)
        return; // Err.Raise filled Err itself
    err.number = e.number;
    err.description = e.description;
    err.source = e.source.isEmpty() ? QStringLiteral("Microsoft VBScript runtime error") : e.source;
    err.helpFile.clear();
    err.helpContext = 0;
}

void ElementRef::writeBack() const
{
    try {
        if (array->isArray())
            array->mutableArray()->at(index) = value;
    } catch (const vb::VbError &) {
        // The callee shrank the array: the element is gone, which is no error.
        qCDebug(lcScript).noquote() << "an argument's array element is gone:" << vb::caughtErrorText();
    }
}

namespace {

// Array elements passed by reference in one call, stored back when it ends
// (also when it fails: by-reference changes are made as they happen).
struct ElementBacks {
    std::vector<ElementRef> list;
    ElementRef *take(Frame &f, const Expr &e, size_t capacity)
    {
        if (list.capacity() == 0)
            list.reserve(capacity); // addresses stay put: slots point at the values
        list.emplace_back();
        if (!e.element(f, list.back())) {
            list.pop_back();
            return nullptr;
        }
        return &list.back();
    }
    ~ElementBacks()
    {
        for (const auto &e : list)
            e.writeBack();
    }
};

// Script calls nest across engines too (a host call may run another control
// on the same thread), so depth is counted per thread, and the stack itself
// is watched in case the host's own frames between engines are large.
thread_local int t_depth = 0;
thread_local const char *t_stackLow = nullptr;
thread_local bool t_stackKnown = false;

bool stackNearlyFull()
{
    if (!t_stackKnown) {
        t_stackKnown = true;
        pthread_attr_t attr;
        if (pthread_getattr_np(pthread_self(), &attr) == 0) {
            void *addr = nullptr;
            size_t size = 0;
            if (pthread_attr_getstack(&attr, &addr, &size) == 0)
                t_stackLow = static_cast<const char *>(addr);
            pthread_attr_destroy(&attr);
        }
    }
    const char probe = 0;
    return t_stackLow && &probe - t_stackLow < kStackReserve;
}

struct DepthGuard {
    Engine &eng;
    explicit DepthGuard(Engine &e) : eng(e)
    {
        if (t_depth >= kMaxDepth || stackNearlyFull())
            vb::raise(28);
        ++t_depth;
        ++eng.depth;
    }
    ~DepthGuard()
    {
        --t_depth;
        --eng.depth;
    }
};

// Runs the procedure in a new frame over its argument and local slots.
Variant runBody(Engine &eng, const ProcPtr &p, ScriptObject *me, Variant **slotv, size_t count)
{
    Frame fr;
    fr.eng = &eng;
    fr.proc = p.get();
    fr.me = me;
    fr.slotv = slotv;
    fr.slotCount = int(count);
    DepthGuard guard(eng);
    const Stmt *saved = eng.current;
    Variant meHold;
    if (fr.me)
        meHold = Variant(fr.me->shared_from_this());
    ProcPtr hold = p; // a later declaration may replace it while it runs
    execBlock(fr, p->body);
    eng.current = saved;
    if (p->resultSlot >= 0)
        return std::move(fr.local(p->resultSlot));
    return Variant();
}

} // namespace

Variant Engine::callProc(Frame &caller, const ProcPtr &p, ScriptObject *me, ExprSpan args, Variant *extra)
{
    const size_t n = args.size() + (extra ? 1 : 0);
    if (n != p->params.size())
        vb::raise(450);
    const size_t count = size_t(p->localCount);
    SmallBuf<Variant> storeBuf(count);
    SmallBuf<Variant *> slotBuf(count);
    for (size_t i = 0; i < count; ++i)
        slotBuf[i] = &storeBuf[i];
    ElementBacks elems;
    for (size_t i = 0; i < args.size(); ++i) {
        if (!args[i]) {
            storeBuf[i] = Variant::missing();
        } else if (!p->byVal[i]) {
            if (Variant *r = args[i]->ref(caller))
                slotBuf[i] = r;
            else if (ElementRef *e = elems.take(caller, *args[i], args.size()))
                slotBuf[i] = &e->value;
            else
                storeBuf[i] = args[i]->eval(caller);
        } else {
            storeBuf[i] = args[i]->eval(caller);
        }
    }
    if (extra)
        storeBuf[n - 1] = *extra;
    return runBody(*this, p, me, slotBuf.p, count);
}

Variant Engine::callProcValues(const ProcPtr &p, ScriptObject *me, std::span<Variant> args)
{
    if (args.size() != p->params.size())
        vb::raise(450);
    const size_t count = size_t(p->localCount);
    SmallBuf<Variant> storeBuf(count);
    SmallBuf<Variant *> slotBuf(count);
    for (size_t i = 0; i < count; ++i)
        slotBuf[i] = &storeBuf[i];
    for (size_t i = 0; i < args.size(); ++i) {
        if (!p->byVal[i])
            slotBuf[i] = &args[i];
        else
            storeBuf[i] = args[i];
    }
    return runBody(*this, p, me, slotBuf.p, count);
}

Variant Engine::invokeHost(com::Dispatch *d, int id, int kind, std::span<Variant> args)
{
    // the engine's own objects run script code: that time counts
    const std::type_info *type = &typeid(*d);
    if (type == &typeid(ScriptObject) || type == &typeid(ProcRef) || type == &typeid(ErrObject))
        return d->invoke(id, kind, args);
    HostCallTimer timer(*this);
    try {
        return d->invoke(id, kind, args);
    } catch (const vb::VbError &) {
        throw;
    } catch (const ScriptAbort &) {
        throw;
    } catch (const std::exception &e) {
        vb::raise(440, QStringLiteral("Automation error: ") + QString::fromLocal8Bit(e.what()));
    }
}

namespace {

// Host call with by-reference arguments written back to the script's variables.
Variant hostCall(Frame &f, com::Dispatch *d, int id, int kind, ExprSpan args, Variant *extra)
{
    const size_t n = args.size() + (extra ? 1 : 0);
    SmallBuf<Variant> vals(n);
    SmallBuf<Variant *> refs(n);
    ElementBacks elems;
    for (size_t i = 0; i < args.size(); ++i) {
        refs[i] = nullptr;
        if (!args[i]) {
            vals[i] = Variant::missing();
            continue;
        }
        refs[i] = args[i]->ref(f);
        if (!refs[i]) {
            if (ElementRef *e = elems.take(f, *args[i], args.size()))
                refs[i] = &e->value;
        }
        vals[i] = refs[i] ? *refs[i] : args[i]->eval(f);
    }
    if (extra) {
        refs[n - 1] = nullptr;
        vals[n - 1] = std::move(*extra);
    }
    Variant r = f.eng->invokeHost(d, id, kind, std::span<Variant>(vals.p, n));
    for (size_t i = 0; i < args.size(); ++i)
        if (refs[i] && !refs[i]->sameAs(vals[i]))
            *refs[i] = std::move(vals[i]);
    return r;
}

} // namespace

static Variant indexValue(Frame &f, const Variant &base, ExprSpan args, int kind);

Variant Engine::callMember(Frame &f, const Variant &, ScriptObject *so, int member, int kind, ExprSpan args, Variant *extra)
{
    if (member < 0 || member >= int(so->cls->members.size()))
        vb::raise(438);
    const ClassMember &m = so->cls->members[member];
    if (m.field >= 0) {
        Variant &fld = so->fields[m.field];
        if (kind & (com::Let | com::Set)) {
            if (args.empty()) {
                store(fld, std::move(*extra), (kind & com::Set) != 0);
                return Variant();
            }
            if (fld.isArray()) {
                auto idx = indexes(f, args, args.size());
                store(fld.mutableArray()->at(idx), std::move(*extra), (kind & com::Set) != 0);
                return Variant();
            }
            com::DispatchPtr hold;
            return hostCall(f, asDispatch(fld, hold), com::kDefaultMember, kind, args, extra);
        }
        if (args.empty())
            return fld;
        if (fld.isArray())
            return fld.rawArray()->at(indexes(f, args, args.size()));
        if (fld.isObject()) {
            com::DispatchPtr hold;
            return hostCall(f, asDispatch(fld, hold), com::kDefaultMember, com::Method | com::Get, args, nullptr);
        }
        vb::raise(13);
    }
    const ProcPtr *p = procedureFor(m, kind);
    if (!p)
        vb::raise(438);
    const size_t own = (*p)->params.size();
    if (p == &m.get && !(kind & (com::Let | com::Set)) && args.size() > own) {
        // `obj.Items(1)` on a Property Get without parameters indexes what it returns
        Variant result = callProc(f, *p, so, args.first(own), nullptr);
        return indexValue(f, result, args.subspan(own), kind);
    }
    return callProc(f, *p, so, args, extra);
}

// ---- names -----------------------------------------------------------------------

Variant LocalVar::eval(Frame &f) const { return f.local(slot); }
Variant *LocalVar::ref(Frame &f) const { return &f.local(slot); }
void LocalVar::assign(Frame &f, Variant &&v, bool isSet) const { store(f.local(slot), std::move(v), isSet); }

Variant FieldVar::eval(Frame &f) const { return f.me->fields[field]; }
Variant *FieldVar::ref(Frame &f) const { return &f.me->fields[field]; }
void FieldVar::assign(Frame &f, Variant &&v, bool isSet) const { store(f.me->fields[field], std::move(v), isSet); }

Variant MeExpr::eval(Frame &f) const
{
    if (f.me)
        return Variant(f.me->shared_from_this());
    // outside a class: the host's global object, the first one added with its members
    if (!f.eng->memberObjects.empty())
        return Variant(vb::ObjectPtr(f.eng->memberObjects.front()));
    return Variant::nothing();
}

Variant ErrRef::eval(Frame &f) const { return Variant(f.eng->errObject); }

Variant NewExpr::eval(Frame &f) const
{
    if (entry->kind != GlobalEntry::Class) {
        // the engine's own class, unless a script class took its name
        if (className.compare(QLatin1String("RegExp"), Qt::CaseInsensitive) == 0)
            return Variant(vb::ObjectPtr(std::make_shared<RegExpObject>()));
        raiseNamed(506, className);
    }
    return ScriptObject::create(*f.eng, entry->cls);
}

Variant GlobalRef::eval(Frame &f) const
{
    switch (entry->kind) {
    case GlobalEntry::Variable: case GlobalEntry::Const: case GlobalEntry::HostObject:
        return entry->value;
    case GlobalEntry::Proc:
        return f.eng->callProc(f, entry->proc, nullptr, {}, nullptr);
    case GlobalEntry::Class:
        raiseNamed(13, entry->name);
    case GlobalEntry::Unset:
        break;
    }
    if (boundHost(*f.eng, entry))
        return f.eng->invokeHost(entry->hostObj, entry->hostId, com::Method | com::Get, {});
    if (explicitOn)
        raiseNamed(500, entry->name);
    if (fallback >= 0)
        return f.local(fallback);
    return Variant();
}

Variant *GlobalRef::ref(Frame &f) const
{
    switch (entry->kind) {
    case GlobalEntry::Variable:
        return &entry->value;
    case GlobalEntry::Unset:
        if (boundHost(*f.eng, entry))
            return nullptr;
        if (explicitOn)
            raiseNamed(500, entry->name);
        if (fallback >= 0)
            return &f.local(fallback);
        f.eng->globals->setKind(entry, GlobalEntry::Variable);
        return &entry->value;
    default:
        return nullptr;
    }
}

void GlobalRef::assign(Frame &f, Variant &&v, bool isSet) const
{
    switch (entry->kind) {
    case GlobalEntry::Variable:
        store(entry->value, std::move(v), isSet);
        return;
    case GlobalEntry::Unset:
        if (boundHost(*f.eng, entry)) {
            Variant val = isSet ? std::move(v) : value(std::move(v));
            f.eng->invokeHost(entry->hostObj, entry->hostId, isSet ? com::Set : com::Let, std::span<Variant>(&val, 1));
            return;
        }
        if (explicitOn)
            raiseNamed(500, entry->name);
        if (fallback >= 0) {
            store(f.local(fallback), std::move(v), isSet);
            return;
        }
        store(entry->value, std::move(v), isSet);
        f.eng->globals->setKind(entry, GlobalEntry::Variable);
        return;
    default:
        raiseNamed(501, entry->name);
    }
}

void GlobalRef::exec(Frame &f) const
{
    if (entry->kind == GlobalEntry::Proc) {
        f.eng->callProc(f, entry->proc, nullptr, {}, nullptr);
        return;
    }
    if (entry->kind == GlobalEntry::Unset) {
        if (boundHost(*f.eng, entry)) {
            f.eng->invokeHost(entry->hostObj, entry->hostId, com::Method, {});
            return;
        }
        raiseNamed(35, entry->name);
    }
    eval(f);
}

// Array element or default member of the value in `base`.
static Variant indexValue(Frame &f, const Variant &base, ExprSpan args, int kind)
{
    if (base.isArray())
        return base.rawArray()->at(indexes(f, args, args.size()));
    if (base.isObject()) {
        if (ScriptObject *so = scriptObject(base)) {
            if (so->cls->defaultMember < 0)
                vb::raise(438);
            return f.eng->callMember(f, base, so, so->cls->defaultMember, kind, args, nullptr);
        }
        com::DispatchPtr hold;
        return hostCall(f, asDispatch(base, hold), com::kDefaultMember, kind, args, nullptr);
    }
    if (args.empty())
        return base;
    vb::raise(13);
}

static void indexAssign(Frame &f, Variant *baseRef, const Variant &baseVal, ExprSpan args, Variant &&v, bool isSet)
{
    if (baseRef && baseRef->isArray()) {
        auto idx = indexes(f, args, args.size());
        Variant val = isSet ? std::move(v) : value(std::move(v));
        if (isSet && !val.isObject())
            vb::raise(424);
        baseRef->mutableArray()->at(idx) = std::move(val);
        return;
    }
    const Variant &b = baseRef ? *baseRef : baseVal;
    if (b.isArray()) // a copy (function result): assigning to it changes nothing
        return;
    if (b.isObject()) {
        Variant val = isSet ? std::move(v) : value(std::move(v));
        const int kind = isSet ? com::Set : com::Let;
        if (ScriptObject *so = scriptObject(b)) {
            if (so->cls->defaultMember < 0)
                vb::raise(438);
            f.eng->callMember(f, b, so, so->cls->defaultMember, kind, args, &val);
            return;
        }
        com::DispatchPtr hold;
        hostCall(f, asDispatch(b, hold), com::kDefaultMember, kind, args, &val);
        return;
    }
    vb::raise(13);
}

Variant GlobalCall::eval(Frame &f) const
{
    switch (entry->kind) {
    case GlobalEntry::Proc:
        return f.eng->callProc(f, entry->proc, nullptr, args, nullptr);
    case GlobalEntry::Variable: case GlobalEntry::Const: case GlobalEntry::HostObject:
        return indexValue(f, entry->value, args, com::Method | com::Get);
    case GlobalEntry::Class:
        raiseNamed(13, entry->name);
    case GlobalEntry::Unset:
        break;
    }
    if (boundHost(*f.eng, entry))
        return hostCall(f, entry->hostObj, entry->hostId, com::Method | com::Get, args, nullptr);
    if (explicitOn)
        raiseNamed(500, entry->name);
    if (fallback >= 0 && f.local(fallback).isArray())
        return indexValue(f, f.local(fallback), args, com::Method | com::Get);
    raiseNamed(13, entry->name);
}

void GlobalCall::exec(Frame &f) const
{
    switch (entry->kind) {
    case GlobalEntry::Proc:
        f.eng->callProc(f, entry->proc, nullptr, args, nullptr);
        return;
    case GlobalEntry::Unset:
        if (boundHost(*f.eng, entry)) {
            hostCall(f, entry->hostObj, entry->hostId, com::Method, args, nullptr);
            return;
        }
        if (fallback >= 0 && f.local(fallback).isArray())
            break;
        raiseNamed(35, entry->name);
    default:
        break;
    }
    if (entry->kind != GlobalEntry::Unset && entry->value.isObject()) {
        indexValue(f, entry->value, args, com::Method);
        return;
    }
    eval(f);
}

void GlobalCall::assign(Frame &f, Variant &&v, bool isSet) const
{
    switch (entry->kind) {
    case GlobalEntry::Variable:
        indexAssign(f, &entry->value, entry->value, args, std::move(v), isSet);
        return;
    case GlobalEntry::HostObject:
        indexAssign(f, nullptr, entry->value, args, std::move(v), isSet);
        return;
    case GlobalEntry::Unset:
        if (boundHost(*f.eng, entry)) {
            Variant val = isSet ? std::move(v) : value(std::move(v));
            hostCall(f, entry->hostObj, entry->hostId, isSet ? com::Set : com::Let, args, &val);
            return;
        }
        if (explicitOn)
            raiseNamed(500, entry->name);
        if (fallback >= 0) {
            indexAssign(f, &f.local(fallback), Variant(), args, std::move(v), isSet);
            return;
        }
        vb::raise(13);
    default:
        raiseNamed(501, entry->name);
    }
}

Variant IndexExpr::eval(Frame &f) const
{
    if (Variant *p = base->ref(f))
        return indexValue(f, *p, args, com::Method | com::Get);
    return indexValue(f, base->eval(f), args, com::Method | com::Get);
}

static bool arrayElement(Frame &f, Variant *p, ExprSpan args, ElementRef &out)
{
    if (!p || !p->isArray())
        return false;
    out.array = p;
    out.index = indexes(f, args, args.size());
    out.value = p->rawArray()->at(out.index);
    return true;
}

bool GlobalCall::element(Frame &f, ElementRef &out) const
{
    if (entry->kind == GlobalEntry::Variable)
        return arrayElement(f, &entry->value, args, out);
    if (entry->kind == GlobalEntry::Unset && fallback >= 0 && !boundHost(*f.eng, entry))
        return arrayElement(f, &f.local(fallback), args, out);
    return false;
}

bool IndexExpr::element(Frame &f, ElementRef &out) const
{
    Variant *p = base->ref(f);
    if (!p || !p->isArray())
        return false;
    out.array = p;
    out.index = indexes(f, args, args.size());
    out.value = p->rawArray()->at(out.index);
    return true;
}

void IndexExpr::exec(Frame &f) const
{
    Variant b = base->eval(f);
    if (b.isObject()) {
        indexValue(f, b, args, com::Method);
        return;
    }
    indexValue(f, b, args, com::Method | com::Get);
}

void IndexExpr::assign(Frame &f, Variant &&v, bool isSet) const
{
    if (Variant *p = base->ref(f)) {
        indexAssign(f, p, Variant(), args, std::move(v), isSet);
        return;
    }
    indexAssign(f, nullptr, base->eval(f), args, std::move(v), isSet);
}

Variant MeCall::eval(Frame &f) const
{
    return f.eng->callMember(f, Variant(), f.me, member, com::Method | com::Get, args, nullptr);
}

void MeCall::exec(Frame &f) const
{
    f.eng->callMember(f, Variant(), f.me, member, com::Method, args, nullptr);
}

void MeCall::assign(Frame &f, Variant &&v, bool isSet) const
{
    Variant val = isSet ? std::move(v) : value(std::move(v));
    f.eng->callMember(f, Variant(), f.me, member, isSet ? com::Set : com::Let, args, &val);
}

Variant MemberExpr::call(Frame &f, int kind, Variant *extra) const
{
    Variant obj;
    if (object) {
        obj = object->eval(f);
    } else {
        if (f.withStack.empty())
            vb::raise(505);
        obj = f.withStack.back();
    }
    if (!obj.isObject() || !obj.rawObject()) {
        // "Object required: 'Inet'" names the variable that holds no object
        // (a member of Nothing is 424 as well, not 91)
        if (auto *g = dynamic_cast<const GlobalRef *>(object.get()))
            raiseNamed(424, g->entry->name);
        vb::raise(424);
    }
    if (ScriptObject *so = scriptObject(obj)) {
        if (cacheKey != so->cls.get()) {
            cacheId = so->cls->findMember(lowerName);
            cacheKey = so->cls.get();
        }
        if (cacheId < 0 || (!so->cls->members[cacheId].isPublic && f.me != so))
            raiseNamed(438, name);
        return f.eng->callMember(f, obj, so, cacheId, kind, args, extra);
    }
    com::DispatchPtr hold;
    com::Dispatch *d = asDispatch(obj, hold);
    const void *key = &typeid(*d);
    if (cacheKey != key) {
        cacheId = d->memberId(name);
        cacheKey = key;
    }
    if (cacheId == com::kUnknownMember)
        raiseNamed(438, name);
    return hostCall(f, d, cacheId, kind, args, extra);
}

Variant MemberExpr::eval(Frame &f) const { return call(f, com::Method | com::Get, nullptr); }
void MemberExpr::exec(Frame &f) const { call(f, com::Method, nullptr); }

void MemberExpr::assign(Frame &f, Variant &&v, bool isSet) const
{
    Variant val = isSet ? std::move(v) : value(std::move(v));
    if (isSet && !val.isObject())
        vb::raise(424);
    call(f, isSet ? com::Set : com::Let, &val);
}

Variant BuiltinCall::eval(Frame &f) const
{
    const int n = int(args.size());
    if (n < fn->minArgs || n > fn->maxArgs)
        raiseNamed(450, QString::fromLatin1(fn->name));
    SmallBuf<Variant> vals{size_t(n)};
    for (int i = 0; i < n; ++i) {
        if (!args[i]) {
            vals[i] = Variant::missing();
            continue;
        }
        vals[i] = args[i]->eval(f);
        if (!fn->rawArgs && vals[i].isObject())
            vals[i] = defaultValue(vals[i]);
    }
    return fn->fn(f, std::span<Variant>(vals.p, size_t(n)));
}

void BuiltinCall::exec(Frame &f) const
{
    eval(f);
    if (fn->valueOnly)
        vb::raise(458); // a conversion has no use as a statement
}

// ---- operators -------------------------------------------------------------------

Binary::~Binary()
{
    // Unlinks the chain of left operands one node at a time: destroying it
    // through the members would recurse once per operator.
    ExprPtr next = std::move(lhs);
    while (auto *b = dynamic_cast<Binary *>(next.get())) {
        ExprPtr down = std::move(b->lhs);
        next = std::move(down);
    }
}

// Beyond this many operators down the left operands the chain is evaluated
// in a loop; shorter ones (nearly all) take the plain recursive path.
constexpr uint32_t kChainLoop = 64;

// Inlined into both evaluators: the per-operator path of every expression.
[[gnu::always_inline]] inline Variant Binary::apply(const Variant &l, const Variant &r) const
{
    const VarType lt = l.type(), rt = r.type();
    if (isIntType(lt) && isIntType(rt)) {
        const int64_t a = l.rawInt(), b = r.rawInt();
        const bool bothInteger = lt == VarType::Integer && rt == VarType::Integer;
        switch (op) {
        case Op::Add: return intResult(a + b, bothInteger);
        case Op::Sub: return intResult(a - b, bothInteger);
        case Op::Mul: return intResult(a * b, bothInteger);
        case Op::Eq: return Variant(a == b);
        case Op::Ne: return Variant(a != b);
        case Op::Lt: return Variant(a < b);
        case Op::Le: return Variant(a <= b);
        case Op::Gt: return Variant(a > b);
        case Op::Ge: return Variant(a >= b);
        case Op::IntDiv:
            if (b == 0)
                vb::raise(11);
            return intResult(a / b, bothInteger);
        case Op::Mod:
            if (b == 0)
                vb::raise(11);
            return intResult(a % b, bothInteger);
        default:
            break;
        }
    } else if (lt == VarType::String && rt == VarType::String) {
        switch (op) {
        case Op::Concat: case Op::Add: return Variant(l.rawString() + r.rawString());
        case Op::Eq: return Variant(l.rawString() == r.rawString());
        case Op::Ne: return Variant(l.rawString() != r.rawString());
        default: break;
        }
    }
    if (op >= Op::Eq && op <= Op::Ge)
        return compareValues(op, l, r, literalSides);
    return applyOperator(op, l, r);
}

Variant Binary::eval(Frame &f) const
{
    if (spine > kChainLoop)
        return evalChain(f);
    if (op == Op::Is) {
        Variant l = lhs->eval(f);
        return Variant(vb::opIs(l, rhs->eval(f)));
    }
    Variant l = lhs->eval(f);
    if (l.isObject())
        l = defaultValue(l);
    Variant r = rhs->eval(f);
    if (r.isObject())
        r = defaultValue(r);
    return apply(l, r);
}

Variant Binary::evalChain(Frame &f) const
{
    std::vector<const Binary *> chain;
    chain.reserve(spine);
    const Binary *b = this;
    for (;;) {
        chain.push_back(b);
        if (b->spine <= 1)
            break;
        b = static_cast<const Binary *>(b->lhs.get()); // the resolver counted a Binary there
    }
    Variant acc = b->lhs->eval(f);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const Binary &n = **it;
        if (n.op == Op::Is) {
            acc = Variant(vb::opIs(acc, n.rhs->eval(f)));
            continue;
        }
        if (acc.isObject())
            acc = defaultValue(acc);
        Variant r = value(n.rhs->eval(f));
        if (n.op == Op::Concat && acc.isString() && !r.isArray()) {
            // text built up along the chain is appended in place, not copied per operator
            QString s = acc.rawString();
            acc = Variant();
            if (r.isString())
                s += r.rawString();
            else if (!r.isNull())
                s += r.toString();
            acc = Variant(std::move(s));
            continue;
        }
        acc = n.apply(acc, r);
    }
    return acc;
}

Variant applyOperator(Op op, const Variant &l, const Variant &r)
{
    switch (op) {
    case Op::Add: return vb::opAdd(l, r);
    case Op::Sub: return vb::opSub(l, r);
    case Op::Mul: return vb::opMul(l, r);
    case Op::Div: return vb::opDiv(l, r);
    case Op::IntDiv: return vb::opIntDiv(l, r);
    case Op::Mod: return vb::opMod(l, r);
    case Op::Pow: return vb::opPow(l, r);
    case Op::Concat: return vb::opConcat(l, r);
    case Op::Eq: return vb::opEq(l, r);
    case Op::Ne: return vb::opNe(l, r);
    case Op::Lt: return vb::opLt(l, r);
    case Op::Le: return vb::opLe(l, r);
    case Op::Gt: return vb::opGt(l, r);
    case Op::Ge: return vb::opGe(l, r);
    case Op::And: return vb::opAnd(l, r);
    case Op::Or: return vb::opOr(l, r);
    case Op::Xor: return vb::opXor(l, r);
    case Op::Eqv: return vb::opEqv(l, r);
    case Op::Imp: return vb::opImp(l, r);
    case Op::Is: break;
    }
    vb::raise(51);
}

Variant Unary::eval(Frame &f) const
{
    if (kind == Plus)
        return operand->eval(f); // the operator changes nothing, so an object stays itself (`+obj Is obj`)
    Variant v = value(operand->eval(f));
    switch (kind) {
    case Neg:
        if (v.type() == VarType::Integer)
            return intResult(-v.rawInt(), true);
        if (v.type() == VarType::Long)
            return intResult(-v.rawInt(), false);
        return vb::opNeg(v);
    case Not:
        return notValue(v);
    case Plus:
        break;
    }
    return v;
}

// ---- statements --------------------------------------------------------------------

Flow ExprStmt::exec(Frame &f) const
{
    expr->exec(f);
    return Flow::Normal;
}

Flow AssignStmt::exec(Frame &f) const
{
    if (appendSelf) {
        const auto *b = static_cast<const Binary *>(value.get());
        Variant r = vbs::value(b->rhs->eval(f));
        Variant *p = target->ref(f);
        if (p && p->isString() && !r.isArray()) {
            QString add = r.isString() ? r.rawString() : r.isNull() ? QString() : r.toString();
            QString s = p->rawString();
            *p = Variant();
            s += add;
            *p = Variant(std::move(s));
            return Flow::Normal;
        }
        Variant l = p ? *p : b->lhs->eval(f);
        target->assign(f, vb::opConcat(vbs::value(std::move(l)), r), false);
        return Flow::Normal;
    }
    target->assign(f, value->eval(f), isSet);
    return Flow::Normal;
}

Flow IfStmt::exec(Frame &f) const
{
    for (size_t i = 0; i < conds.size(); ++i) {
        bool c;
        if (f.resumeNext) {
            // classic behaviour: a failing condition under Resume Next enters the branch
            try {
                c = truth(f, conds[i]);
            } catch (const vb::VbError &e) {
                f.eng->setErr(e);
                c = true;
            }
        } else {
            c = truth(f, conds[i]);
        }
        if (c)
            return execBlock(f, blocks[i]);
    }
    if (blocks.size() > conds.size())
        return execBlock(f, blocks.back());
    return Flow::Normal;
}

Flow DoStmt::exec(Frame &f) const
{
    Engine &eng = *f.eng;
    for (;;) {
        if (cond && !condAtEnd) {
            eng.current = this;
            bool c = false;
            if (headerFails(f, [&] { c = truth(f, cond); }))
                c = kind != Until; // a failing condition enters the body
            if ((kind == Until) == c)
                break;
        }
        const Flow r = execBlock(f, body);
        if (r == Flow::ExitDo && !wend)
            break;
        if (r != Flow::Normal)
            return r;
        if (cond && condAtEnd) {
            eng.current = this;
            bool c = false;
            if (headerFails(f, [&] { c = truth(f, cond); }))
                break; // a failing condition at the end goes on after the loop
            if ((kind == Until) == c)
                break;
        }
        eng.tick();
    }
    return Flow::Normal;
}

Flow ForStmt::exec(Frame &f) const
{
    Engine &eng = *f.eng;
    Variant start, end, stp;
    bool down = false;
    const bool failed = headerFails(f, [&] {
        start = value(from->eval(f));
        end = value(to->eval(f));
        stp = step ? value(step->eval(f)) : Variant(int16_t(1));
        if (start.isNull() || end.isNull() || stp.isNull())
            vb::raise(94);
        // the loop counts in numbers: text bounds are converted (13 when they are no number)
        for (Variant *v : {&start, &end, &stp})
            if (v->isString())
                *v = Variant(v->numericValue());
        down = vb::opLt(stp, Variant(int16_t(0))).rawInt() != 0;
        var->assign(f, std::move(start), false);
    });
    if (failed)
        return bodyOnce(f, this, body, 92);
    for (;;) {
        Variant *p = var->ref(f);
        Variant cur = p ? *p : value(var->eval(f));
        bool done;
        if (isIntType(cur.type()) && isIntType(end.type()))
            done = down ? cur.rawInt() < end.rawInt() : cur.rawInt() > end.rawInt();
        else
            done = down ? vb::opLt(cur, end).rawInt() != 0 : vb::opGt(cur, end).rawInt() != 0;
        if (done)
            break;
        const Flow r = execBlock(f, body);
        if (r == Flow::ExitFor)
            break;
        if (r != Flow::Normal)
            return r;
        eng.current = this;
        p = var->ref(f);
        cur = p ? *p : value(var->eval(f));
        Variant nextVal = (isIntType(cur.type()) && isIntType(stp.type()))
            ? intResult(cur.rawInt() + stp.rawInt(), cur.type() == VarType::Integer && stp.type() == VarType::Integer)
            : vb::opAdd(cur, stp);
        if (p)
            *p = std::move(nextVal);
        else
            var->assign(f, std::move(nextVal), false);
        eng.tick();
    }
    return Flow::Normal;
}

Flow ForEachStmt::exec(Frame &f) const
{
    Engine &eng = *f.eng;
    Variant g;
    std::vector<Variant> items;
    const std::vector<Variant> *list = nullptr;
    const bool failed = headerFails(f, [&] {
        g = group->eval(f);
        if (g.isArray()) {
            list = &g.rawArray()->data;
        } else if (g.isObject()) {
            com::DispatchPtr hold;
            com::Dispatch *d = asDispatch(g, hold);
            if (&typeid(*d) == &typeid(ScriptObject))
                vb::raise(451);
            HostCallTimer t(eng);
            items = d->enumerate();
            list = &items;
        } else {
            vb::raise(451);
        }
    });
    if (failed)
        return bodyOnce(f, this, body, 451);
    for (size_t i = 0; i < list->size(); ++i) {
        Variant item = (*list)[i];
        const bool isObj = item.isObject();
        var->assign(f, std::move(item), isObj);
        const Flow r = execBlock(f, body);
        if (r == Flow::ExitFor)
            return Flow::Normal;
        if (r != Flow::Normal)
            return r;
        eng.tick();
    }
    // run to its end, the loop leaves its variable Empty
    var->assign(f, Variant(), false);
    return Flow::Normal;
}

static bool caseMatches(Frame &f, const Variant &s, const SelectStmt::Test &t)
{
    const Variant a = value(t.a->eval(f));
    switch (t.kind) {
    case SelectStmt::Test::Value:
        return vb::isTrue(compareValues(Op::Eq, s, a, t.aSides));
    case SelectStmt::Test::Range: {
        const Variant b = value(t.b->eval(f));
        return vb::isTrue(compareValues(Op::Ge, s, a, t.aSides)) && vb::isTrue(compareValues(Op::Le, s, b, t.bSides));
    }
    case SelectStmt::Test::Compare:
        return vb::isTrue(compareValues(t.op, s, a, t.aSides));
    }
    return false;
}

Flow SelectStmt::exec(Frame &f) const
{
    Variant s;
    // Under Resume Next a failing subject runs no Case (Err holds its error),
    // and a failing Case test counts as met: that Case's body runs.
    if (headerFails(f, [&] { s = value(subject->eval(f)); }))
        return Flow::Normal;
    for (const auto &c : cases) {
        bool match = c.isElse;
        for (const auto &t : c.tests) {
            if (match)
                break;
            if (!f.resumeNext) {
                match = caseMatches(f, s, t);
                continue;
            }
            try {
                match = caseMatches(f, s, t);
            } catch (const vb::VbError &e) {
                f.eng->setErr(e);
                match = true;
            }
        }
        if (match)
            return execBlock(f, c.body);
    }
    return Flow::Normal;
}

Flow WithStmt::exec(Frame &f) const
{
    Variant obj;
    // a failing object under Resume Next runs the body against no object
    headerFails(f, [&] {
        obj = object->eval(f);
        if (!obj.isObject())
            vb::raise(424);
    });
    f.withStack.push_back(std::move(obj));
    struct Pop {
        Frame &f;
        ~Pop() { f.withStack.pop_back(); }
    } pop{f};
    return execBlock(f, body);
}

Flow ExitStmt::exec(Frame &f) const
{
    // Exit Sub/Function/Property clears Err in a procedure that traps its errors
    if (flow == Flow::ExitProc && f.resumeNext)
        f.eng->clearErr();
    return flow;
}

Flow OnErrorStmt::exec(Frame &f) const
{
    f.resumeNext = resumeNext;
    f.eng->clearErr();
    return Flow::Normal;
}

static std::shared_ptr<vb::SafeArray> makeArray(Frame &f, const ExprList &bounds, bool fixed)
{
    auto a = std::make_shared<vb::SafeArray>();
    a->fixed = fixed;
    size_t total = 1;
    for (const auto &b : bounds) {
        const int32_t ub = value(b->eval(f)).toLong();
        if (ub < -1)
            vb::raise(9);
        a->bounds.push_back({0, ub + 1});
        total *= size_t(ub + 1);
        if (total > 50'000'000)
            vb::raise(7);
    }
    a->data.resize(bounds.empty() ? 0 : total);
    return a;
}

Flow DimArrayStmt::exec(Frame &f) const
{
    Variant *p = var->ref(f);
    if (!p)
        vb::raise(501);
    if (keepExisting && p->isArray())
        return Flow::Normal;
    *p = Variant(makeArray(f, bounds, !bounds.empty()));
    return Flow::Normal;
}

Flow ReDimStmt::exec(Frame &f) const
{
    for (const auto &item : items) {
        Variant *p = item.var->ref(f);
        if (!p)
            vb::raise(501);
        // ReDim refuses a fixed array before reading the bounds; ReDim Preserve
        // reads them first (13 for a bound that is no number)
        if (!preserve && p->isArray() && p->rawArray()->fixed)
            vb::raise(10);
        auto a = makeArray(f, item.bounds, false);
        if (p->isArray() && p->rawArray()->fixed)
            vb::raise(10);
        if (preserve && p->isArray() && p->rawArray()->dims() > 0) {
            const vb::SafeArray &old = *p->rawArray();
            if (old.dims() != a->dims())
                vb::raise(9);
            for (int d = 0; d + 1 < old.dims(); ++d)
                if (old.bounds[d].count != a->bounds[d].count || old.bounds[d].lower != a->bounds[d].lower)
                    vb::raise(9);
            // only the last dimension changes, so elements keep their flat positions
            const size_t n = std::min(old.data.size(), a->data.size());
            for (size_t i = 0; i < n; ++i)
                a->data[i] = old.data[i];
        }
        *p = Variant(std::move(a));
    }
    return Flow::Normal;
}

Flow EraseStmt::exec(Frame &f) const
{
    for (const auto &v : vars) {
        Variant *p = v->ref(f);
        if (!p || !p->isArray())
            vb::raise(13);
        if (p->rawArray()->fixed) {
            auto &a = p->mutableArray();
            for (auto &e : a->data)
                e = Variant();
        } else {
            *p = Variant(std::make_shared<vb::SafeArray>());
        }
    }
    return Flow::Normal;
}

Flow ExecuteStmt::exec(Frame &f) const
{
    const QString text = value(code->eval(f)).toString();
    Engine &eng = *f.eng;
    std::unique_ptr<Unit> u;
    const bool local = !global && f.proc;
    try {
        u = eng.compile(text, local ? &f : nullptr, false, nullptr);
    } catch (const CompileError &ce) {
        vb::raise(ce.number, ce.description, QStringLiteral("Microsoft VBScript compilation error"));
    }
    // The executed code goes away with this call: an error inside it is
    // reported at the Execute statement, never at a statement that is gone.
    struct Place {
        Engine &eng;
        const Stmt *stmt;
        ~Place() { eng.current = stmt; }
    } place{eng, this};
    if (local) {
        const bool saved = f.resumeNext;
        f.resumeNext = false;
        struct Restore {
            Frame &f;
            bool v;
            ~Restore() { f.resumeNext = v; }
        } restore{f, saved};
        execBlock(f, u->top);
    } else {
        eng.runTop(*u);
    }
    return Flow::Normal;
}

void Engine::runTop(const Unit &u)
{
    Frame fr;
    fr.eng = this;
    execBlock(fr, u.top);
}

Flow RandomizeStmt::exec(Frame &f) const
{
    double n;
    if (seed) {
        n = value(seed->eval(f)).toDouble();
    } else {
        const auto now = std::chrono::system_clock::now().time_since_epoch();
        n = double(std::chrono::duration_cast<std::chrono::milliseconds>(now).count() % 86400000) / 1000.0;
        n = float(n);
    }
    uint64_t bits;
    std::memcpy(&bits, &n, sizeof bits);
    const uint32_t hi = uint32_t(bits >> 32);
    const uint32_t mix = ((hi & 0xFFFF) ^ (hi >> 16)) << 8;
    f.eng->rndSeed = (f.eng->rndSeed & 0xFF0000FFu) | (mix & 0x00FFFF00u);
    return Flow::Normal;
}

} // namespace vbs
