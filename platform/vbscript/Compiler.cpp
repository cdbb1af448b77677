// Resolution: turns the parsed tree into one whose names reach their storage
// directly, registers the declarations of a unit in the global table, and
// evaluates constants.

#include "Engine.h"
#include "Parser.h"

namespace vbs {

GlobalEntry *GlobalTable::findOrAdd(const QString &name)
{
    const QString low = name.toLower();
    if (GlobalEntry *e = find(low))
        return e;
    entries.emplace_back();
    GlobalEntry *e = &entries.back();
    e->name = name;
    byName.insert(low, e);
    return e;
}

void GlobalTable::clear()
{
    // Script variables go first, so that Class_Terminate code running while
    // they are released still finds the procedures and the added objects.
    for (int round = 0; round < 4; ++round) {
        std::vector<vb::Variant> values;
        for (auto &e : entries) {
            if (e.kind == GlobalEntry::Variable && !e.value.isEmpty()) {
                values.push_back(std::move(e.value));
                e.value = vb::Variant();
            }
        }
        if (values.empty())
            break;
        values.clear();
    }
    // Procedures of instances that outlive the reset keep the table (and so
    // every entry their code points at) alive; the table no longer holds
    // them, so nothing circular remains.
    std::vector<vb::Variant> values;
    std::vector<ProcPtr> procs;
    std::vector<ClassPtr> classes;
    for (auto &e : entries) {
        values.push_back(std::move(e.value));
        e.value = vb::Variant();
        procs.push_back(std::move(e.proc));
        classes.push_back(std::move(e.cls));
        e.kind = GlobalEntry::Unset;
        e.hostObj = nullptr;
        e.hostId = -1;
    }
    values.clear();
    procs.clear();
    classes.clear();
}

class Resolver {
public:
    Resolver(Engine &e, const SourceText *s, bool explicitOn) : eng(e), g(*e.globals), src(s), explicitOn(explicitOn) {}

    Engine &eng;
    GlobalTable &g;
    const SourceText *src;
    bool explicitOn;
    Procedure *proc = nullptr;
    ClassDef *cls = nullptr;
    Frame *execFrame = nullptr; // Execute/Eval inside a running procedure
    QHash<QString, int> fallbacks;

    void stmts(StmtList &list)
    {
        for (auto &s : list) {
            s->src = src;
            s->resolve(*this);
        }
    }

    void args(ExprList &list)
    {
        for (auto &a : list)
            if (a)
                expr(a);
    }

    void expr(ExprPtr &e)
    {
        if (auto *n = dynamic_cast<NameExpr *>(e.get())) {
            e = name(n->name, nullptr, n->line, n->column);
            return;
        }
        if (auto *c = dynamic_cast<CallExpr *>(e.get())) {
            args(c->args);
            if (auto *n = dynamic_cast<NameExpr *>(c->callee.get())) {
                e = name(n->name, &c->args, c->line, c->column);
                return;
            }
            if (auto *m = dynamic_cast<MemberExpr *>(c->callee.get()); m && !m->hasArgs) {
                ExprPtr callee = std::move(c->callee);
                m->args = std::move(c->args);
                m->hasArgs = true;
                m->lowerName = m->name.toLower();
                if (m->object)
                    expr(m->object);
                e = std::move(callee);
                return;
            }
            auto ix = std::make_unique<IndexExpr>();
            ix->line = c->line;
            ix->column = c->column;
            ix->base = std::move(c->callee);
            expr(ix->base);
            ix->args = std::move(c->args);
            e = std::move(ix);
            return;
        }
        e->resolve(*this);
    }

    int localSlot(const QString &low) const
    {
        if (proc) {
            auto it = proc->localIndex.constFind(low);
            if (it != proc->localIndex.constEnd())
                return *it;
        }
        if (execFrame && execFrame->extra) {
            auto it = execFrame->extra->index.constFind(low);
            if (it != execFrame->extra->index.constEnd())
                return *it;
        }
        return -1;
    }

    int newLocal(const QString &low)
    {
        if (execFrame) {
            Frame &f = *execFrame;
            if (!f.extra)
                f.extra = std::make_unique<FrameExtra>();
            const int slot = f.slotCount + int(f.extraSlots.size());
            f.extra->store.emplace_back();
            f.extraSlots.push_back(&f.extra->store.back());
            f.extra->index.insert(low, slot);
            return slot;
        }
        const int slot = proc->localCount++;
        return slot;
    }

    template<class T>
    std::unique_ptr<T> at(std::unique_ptr<T> n, int line, int column)
    {
        n->line = line;
        n->column = column;
        return n;
    }

    void declare(const QString &name)
    {
        const QString low = name.toLower();
        if (proc && proc->localConsts.contains(low))
            return;
        if ((proc || execFrame) && localSlot(low) >= 0)
            return;
        if (cls && cls->findMember(low) >= 0)
            return;
        GlobalEntry *e = g.find(low);
        if (e && e->kind != GlobalEntry::Unset)
            return;
        if (execFrame && execFrame->proc) {
            newLocal(low);
        } else if (proc) {
            proc->localIndex.insert(low, proc->localCount++);
        } else {
            e = g.findOrAdd(name);
            g.setKind(e, GlobalEntry::Variable);
        }
    }

    ExprPtr withArgs(ExprPtr base, ExprList *a, int line, int column)
    {
        if (!a)
            return base;
        auto ix = std::make_unique<IndexExpr>();
        ix->base = std::move(base);
        ix->args = std::move(*a);
        return at(std::move(ix), line, column);
    }

    ExprPtr name(const QString &nm, ExprList *a, int line, int column)
    {
        const QString low = nm.toLower();
        if (proc) {
            auto c = proc->localConsts.constFind(low);
            if (c != proc->localConsts.constEnd())
                return withArgs(at(std::make_unique<Literal>(*c), line, column), a, line, column);
        }
        const int slot = (proc || execFrame) ? localSlot(low) : -1;
        if (slot >= 0) {
            if (proc && slot == proc->resultSlot && a) {
                // the function calling itself
                if (proc->owner) {
                    auto m = std::make_unique<MeCall>();
                    m->member = proc->owner->findMember(low);
                    m->args = std::move(*a);
                    return at(std::move(m), line, column);
                }
                auto gc = std::make_unique<GlobalCall>();
                gc->entry = g.findOrAdd(nm);
                gc->args = std::move(*a);
                return at(std::move(gc), line, column);
            }
            return withArgs(at(std::make_unique<LocalVar>(slot), line, column), a, line, column);
        }
        if (cls) {
            const int idx = cls->findMember(low);
            if (idx >= 0) {
                const ClassMember &m = cls->members[idx];
                if (m.field >= 0)
                    return withArgs(at(std::make_unique<FieldVar>(m.field), line, column), a, line, column);
                auto mc = std::make_unique<MeCall>();
                mc->member = idx;
                if (a)
                    mc->args = std::move(*a);
                return at(std::move(mc), line, column);
            }
        }
        GlobalEntry *e = g.find(low);
        if (e && e->kind != GlobalEntry::Unset)
            return global(e, a, -1, line, column);
        if (low == u"err")
            return withArgs(at(std::make_unique<ErrRef>(), line, column), a, line, column);
        vb::Variant cv;
        if (builtinConstant(low, &cv))
            return withArgs(at(std::make_unique<Literal>(cv), line, column), a, line, column);
        const Builtin *b = findBuiltin(low);
        if (!b && low == u"randomize")
            b = randomizeAsValue();
        if (b) {
            auto bc = std::make_unique<BuiltinCall>();
            bc->fn = b;
            if (a)
                bc->args = std::move(*a);
            return at(std::move(bc), line, column);
        }
        int fb = -1;
        if (proc || (execFrame && execFrame->proc)) {
            auto it = fallbacks.constFind(low);
            if (it != fallbacks.constEnd()) {
                fb = *it;
            } else {
                fb = newLocal(low);
                fallbacks.insert(low, fb);
            }
        }
        return global(g.findOrAdd(nm), a, fb, line, column);
    }

    ExprPtr global(GlobalEntry *e, ExprList *a, int fallback, int line, int column)
    {
        if (a) {
            auto gc = std::make_unique<GlobalCall>();
            gc->entry = e;
            gc->fallback = fallback;
            gc->explicitOn = explicitOn;
            gc->args = std::move(*a);
            return at(std::move(gc), line, column);
        }
        auto gr = std::make_unique<GlobalRef>();
        gr->entry = e;
        gr->fallback = fallback;
        gr->explicitOn = explicitOn;
        return at(std::move(gr), line, column);
    }
};

// ---- resolve() of the nodes ----------------------------------------------------

void Paren::resolve(Resolver &r) { r.expr(inner); }
void NewExpr::resolve(Resolver &r) { entry = r.g.findOrAdd(className); }
void Binary::resolve(Resolver &r)
{
    // down the chain of left operands in a loop, then back up it
    std::vector<Binary *> chain{this};
    while (auto *b = dynamic_cast<Binary *>(chain.back()->lhs.get()))
        chain.push_back(b);
    r.expr(chain.back()->lhs);
    uint32_t depth = 0;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        Binary &b = **it;
        b.spine = ++depth;
        r.expr(b.rhs);
        if (b.op >= Op::Eq && b.op <= Op::Ge)
            b.literalSides = uint8_t((isHardTyped(b.lhs.get()) ? 1 : 0) | (isHardTyped(b.rhs.get()) ? 2 : 0));
    }
}
void Unary::resolve(Resolver &r) { r.expr(operand); }
void GlobalCall::resolve(Resolver &r) { r.args(args); }
void IndexExpr::resolve(Resolver &r) { r.expr(base); r.args(args); }
void MeCall::resolve(Resolver &r) { r.args(args); }
void MemberExpr::resolve(Resolver &r)
{
    lowerName = name.toLower();
    if (object)
        r.expr(object);
    r.args(args);
}
void BuiltinCall::resolve(Resolver &r) { r.args(args); }

void ExprStmt::resolve(Resolver &r) { r.expr(expr); }

void AssignStmt::resolve(Resolver &r)
{
    r.expr(target);
    r.expr(value);
    // x = x & y: append in place instead of copying the whole text each time
    if (!isSet) {
        if (auto *b = dynamic_cast<Binary *>(value.get()); b && b->op == Op::Concat) {
            auto *t = dynamic_cast<LocalVar *>(target.get());
            auto *l = dynamic_cast<LocalVar *>(b->lhs.get());
            if (t && l && t->slot == l->slot)
                appendSelf = true;
            auto *tg = dynamic_cast<GlobalRef *>(target.get());
            auto *lg = dynamic_cast<GlobalRef *>(b->lhs.get());
            if (tg && lg && tg->entry == lg->entry && tg->fallback < 0)
                appendSelf = true;
        }
    }
}

void IfStmt::resolve(Resolver &r)
{
    for (auto &c : conds)
        r.expr(c);
    for (auto &b : blocks)
        r.stmts(b);
}

void DoStmt::resolve(Resolver &r)
{
    if (cond)
        r.expr(cond);
    r.stmts(body);
}

void ForStmt::resolve(Resolver &r)
{
    r.expr(var);
    r.expr(from);
    r.expr(to);
    if (step)
        r.expr(step);
    r.stmts(body);
}

void ForEachStmt::resolve(Resolver &r)
{
    r.expr(var);
    r.expr(group);
    r.stmts(body);
}

void SelectStmt::resolve(Resolver &r)
{
    r.expr(subject);
    const int subjectSide = isHardTyped(subject.get()) ? 1 : 0;
    for (auto &c : cases) {
        for (auto &t : c.tests) {
            r.expr(t.a);
            t.aSides = uint8_t(subjectSide | (isHardTyped(t.a.get()) ? 2 : 0));
            if (t.b) {
                r.expr(t.b);
                t.bSides = uint8_t(subjectSide | (isHardTyped(t.b.get()) ? 2 : 0));
            }
        }
        r.stmts(c.body);
    }
}

void WithStmt::resolve(Resolver &r)
{
    r.expr(object);
    r.stmts(body);
}

void ReDimStmt::resolve(Resolver &r)
{
    for (auto &i : items) {
        if (auto *n = dynamic_cast<NameExpr *>(i.var.get()))
            r.declare(n->name); // ReDim declares a name it does not find, even under Option Explicit
        r.expr(i.var);
        r.args(i.bounds);
    }
}

void EraseStmt::resolve(Resolver &r) { r.args(vars); }

void DimArrayStmt::resolve(Resolver &r)
{
    r.expr(var);
    r.args(bounds);
}

void ExecuteStmt::resolve(Resolver &r) { r.expr(code); }
void RandomizeStmt::resolve(Resolver &r)
{
    if (seed)
        r.expr(seed);
}

// ---- constants ------------------------------------------------------------------

namespace {

struct ConstScope {
    const QHash<QString, vb::Variant> *local = nullptr;
    const QHash<QString, vb::Variant> *unit = nullptr;
    const GlobalTable *globals = nullptr;
};

vb::Variant constValue(const Expr *e, const ConstScope &s);

// A run of operators down the left operands, folded in a loop.
vb::Variant constChain(const Binary *top, const ConstScope &s)
{
    std::vector<const Binary *> chain{top};
    while (auto *b = dynamic_cast<const Binary *>(chain.back()->lhs.get()))
        chain.push_back(b);
    vb::Variant acc = constValue(chain.back()->lhs.get(), s);
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const Binary &b = **it;
        vb::Variant r = constValue(b.rhs.get(), s);
        if (b.op == Op::Concat && acc.isString() && !r.isArray()) {
            QString text = acc.rawString(); // appended in place, not copied per operator
            acc = vb::Variant();
            text += r.isString() ? r.rawString() : r.isNull() ? QString() : r.toString();
            acc = vb::Variant(std::move(text));
            continue;
        }
        try {
            // Only these operators may stand in a constant's value.
            switch (b.op) {
            case Op::Add: case Op::Sub: case Op::Mul: case Op::Div: case Op::IntDiv: case Op::Mod:
            case Op::Pow: case Op::Concat: case Op::Or: case Op::And:
                acc = applyOperator(b.op, acc, r);
                continue;
            default: break;
            }
        } catch (const vb::VbError &) {
        }
        compileError(1045, b.line, b.column);
    }
    return acc;
}

vb::Variant constValue(const Expr *e, const ConstScope &s)
{
    if (auto *l = dynamic_cast<const Literal *>(e))
        return l->value;
    if (auto *p = dynamic_cast<const Paren *>(e))
        return constValue(p->inner.get(), s);
    if (auto *n = dynamic_cast<const NameExpr *>(e)) {
        const QString low = n->name.toLower();
        if (s.local && s.local->contains(low))
            return s.local->value(low);
        if (s.unit && s.unit->contains(low))
            return s.unit->value(low);
        if (GlobalEntry *g = s.globals->find(low); g && g->kind == GlobalEntry::Const)
            return g->value;
        vb::Variant v;
        if (builtinConstant(low, &v))
            return v;
        compileError(1045, n->line, n->column);
    }
    if (auto *b = dynamic_cast<const Binary *>(e))
        return constChain(b, s);
    try {
        if (auto *u = dynamic_cast<const Unary *>(e)) {
            vb::Variant v = constValue(u->operand.get(), s);
            return u->kind == Unary::Neg ? vb::opNeg(v) : u->kind == Unary::Not ? notValue(v) : v;
        }
    } catch (const vb::VbError &) {
    }
    compileError(1045, e->line, e->column);
}

void checkNew(QHash<QString, int> &seen, const QString &name, int line, int column)
{
    const QString low = name.toLower();
    if (seen.contains(low))
        compileError(1041, line, column);
    seen.insert(low, 1);
}

// Lays out the locals of a procedure: parameters, the result, Dims, then
// constants (values, not slots).
void layoutProcedure(Procedure &p, const ConstScope &outer)
{
    QHash<QString, int> seen;
    for (size_t i = 0; i < p.params.size(); ++i) {
        checkNew(seen, p.params[i], p.line, p.column);
        p.localIndex.insert(p.params[i].toLower(), int(i));
    }
    p.localCount = int(p.params.size());
    if (p.kind == ProcKind::Function || p.kind == ProcKind::PropertyGet) {
        const QString low = p.name.toLower();
        if (seen.contains(low))
            compileError(1041, p.line, p.column);
        seen.insert(low, 1);
        p.resultSlot = p.localCount++;
        p.localIndex.insert(low, p.resultSlot);
    }
    for (auto &d : p.dims) {
        checkNew(seen, d.name, d.line, d.column);
        p.localIndex.insert(d.name.toLower(), p.localCount++);
    }
    ConstScope cs = outer;
    cs.local = &p.localConsts;
    for (auto &c : p.consts) {
        checkNew(seen, c.name, c.line, c.column);
        p.localConsts.insert(c.name.toLower(), constValue(c.value.get(), cs));
    }
}

} // namespace

// ---- compiling a unit -------------------------------------------------------------

void Engine::registerUnit(const Unit &u, bool inProc)
{
    GlobalTable &g = *globals;
    for (auto &c : u.consts) {
        GlobalEntry *e = g.findOrAdd(c.name);
        vb::Variant v = u.constValues.value(c.name.toLower());
        if (e->kind == GlobalEntry::Const && !e->value.sameAs(v))
            ++g.generation;
        g.setKind(e, GlobalEntry::Const);
        e->value = std::move(v);
        e->proc.reset();
        e->cls.reset();
    }
    if (!inProc) {
        for (auto &d : u.dims) {
            GlobalEntry *e = g.findOrAdd(d.name);
            if (e->kind != GlobalEntry::Variable) {
                g.setKind(e, GlobalEntry::Variable);
                e->value = vb::Variant();
                e->proc.reset();
                e->cls.reset();
            }
        }
    }
    for (auto &p : u.procs) {
        GlobalEntry *e = g.findOrAdd(p->name);
        g.setKind(e, GlobalEntry::Proc);
        e->proc = p;
        e->cls.reset();
        e->value = vb::Variant();
        p->globals = globals;
        p->src = u.src;
        p->optionExplicit = u.optionExplicit;
    }
    for (auto &c : u.classes) {
        GlobalEntry *e = g.findOrAdd(c->name);
        g.setKind(e, GlobalEntry::Class);
        e->cls = c;
        e->proc.reset();
        e->value = vb::Variant();
        c->globals = globals;
        for (auto &m : c->members)
            for (ProcPtr *pp : {&m.method, &m.get, &m.let, &m.set})
                if (*pp) {
                    (*pp)->globals = globals;
                    (*pp)->src = u.src;
                    (*pp)->optionExplicit = u.optionExplicit;
                }
    }

}


std::unique_ptr<Unit> Engine::compile(const QString &text, Frame *scope, bool expressionOnly, ExprPtr *exprOut)
{
    GlobalTable &g = *globals;
    if (expressionOnly) {
        ExprPtr e = parseExpression(text, scope && scope->proc && scope->proc->owner);
        Resolver r(*this, nullptr, false);
        if (scope && scope->proc) {
            r.proc = const_cast<Procedure *>(scope->proc);
            r.cls = scope->proc->owner;
            r.execFrame = scope;
            r.explicitOn = scope->proc->optionExplicit;
        }
        r.expr(e);
        *exprOut = std::move(e);
        return nullptr;
    }

    std::unique_ptr<Unit> u = parseProgram(text, scope && scope->proc && scope->proc->owner);

    // a procedure declared twice in one text: the last declaration holds
    {
        QHash<QString, size_t> last;
        for (size_t i = 0; i < u->procs.size(); ++i)
            last.insert(u->procs[i]->name.toLower(), i);
        std::vector<ProcPtr> kept;
        for (size_t i = 0; i < u->procs.size(); ++i)
            if (last.value(u->procs[i]->name.toLower()) == i)
                kept.push_back(std::move(u->procs[i]));
        u->procs = std::move(kept);
    }
    // everything that can fail is checked before the global table changes
    QHash<QString, int> seen;
    for (auto &p : u->procs)
        checkNew(seen, p->name, p->line, p->column);
    for (auto &c : u->classes)
        checkNew(seen, c->name, c->line, c->column);
    const bool inProc = scope && scope->proc;
    if (!inProc) {
        for (auto &d : u->dims)
            checkNew(seen, d.name, d.line, d.column);
        for (auto &c : u->consts)
            checkNew(seen, c.name, c.line, c.column);
    }
    auto clashesWithHost = [&](const QString &name, int line, int column) {
        if (GlobalEntry *e = g.find(name.toLower()); e && e->kind == GlobalEntry::HostObject)
            compileError(1041, line, column);
    };
    for (auto &p : u->procs)
        clashesWithHost(p->name, p->line, p->column);
    for (auto &c : u->classes)
        clashesWithHost(c->name, c->line, c->column);
    for (auto &d : u->dims)
        clashesWithHost(d.name, d.line, d.column);

    QHash<QString, vb::Variant> unitConsts;
    ConstScope cs;
    cs.globals = &g;
    if (inProc)
        cs.local = &scope->proc->localConsts;
    cs.unit = &unitConsts;
    for (auto &c : u->consts)
        unitConsts.insert(c.name.toLower(), constValue(c.value.get(), cs));
    cs.local = nullptr;
    for (auto &p : u->procs)
        layoutProcedure(*p, cs);
    for (auto &c : u->classes) {
        for (auto &m : c->members)
            for (ProcPtr *pp : {&m.method, &m.get, &m.let, &m.set})
                if (*pp)
                    layoutProcedure(**pp, cs);
    }

    u->constValues = std::move(unitConsts);
    registerUnit(*u, inProc);

    // resolve the bodies
    for (auto &p : u->procs) {
        Resolver r(*this, u->src.get(), u->optionExplicit);
        r.proc = p.get();
        r.stmts(p->body);
    }
    for (auto &c : u->classes) {
        for (auto &m : c->members)
            for (ProcPtr *pp : {&m.method, &m.get, &m.let, &m.set})
                if (*pp) {
                    Resolver r(*this, u->src.get(), u->optionExplicit);
                    r.proc = pp->get();
                    r.cls = c.get();
                    r.stmts((*pp)->body);
                }
        for (auto &f : c->fields) {
            Resolver r(*this, u->src.get(), u->optionExplicit);
            r.cls = c.get();
            r.args(f.bounds);
        }
    }
    Resolver top(*this, u->src.get(), u->optionExplicit || (inProc && scope->proc->optionExplicit));
    if (inProc) {
        top.proc = const_cast<Procedure *>(scope->proc);
        top.cls = scope->proc->owner;
        top.execFrame = scope;
        // Dims of code executed inside a procedure are locals of that call
        for (auto &d : u->dims) {
            const QString low = d.name.toLower();
            if (top.localSlot(low) < 0)
                top.newLocal(low);
        }
    }
    top.stmts(u->top);
    return u;
}

} // namespace vbs

namespace vbs {

std::shared_ptr<Unit> Engine::compileCached(const QString &text)
{
    auto it = codeCache.constFind(text);
    if (it != codeCache.constEnd() && it->generation == globals->generation) {
        std::shared_ptr<Unit> u = it->unit;
        registerUnit(*u, false);
        return u;
    }
    std::shared_ptr<Unit> u = compile(text, nullptr, false, nullptr);
    // a map has a bounded set of snippets; a host generating texts without
    // end must not grow this without end either
    if (codeCache.size() >= 4096)
        codeCache.clear();
    codeCache.insert(text, CachedUnit{u, globals->generation});
    return u;
}

} // namespace vbs
