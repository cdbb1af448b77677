#include "Parser.h"

#include <initializer_list>

namespace vbs {

namespace {

class Parser {
public:
    explicit Parser(const QString &text, bool inClass) : toks(tokenize(text)), meAllowed(inClass) {}

    std::unique_ptr<Unit> program()
    {
        auto unit = std::make_unique<Unit>();
        this->unit = unit.get();
        for (;;) {
            skipNewlines();
            if (at(Tok::End))
                break;
            topLevel(unit->top);
        }
        return unit;
    }

    ExprPtr expressionOnly()
    {
        skipNewlines();
        ExprPtr e = expression();
        skipNewlines();
        if (!at(Tok::End))
            error(1025);
        return e;
    }

private:
    std::vector<Token> toks;
    size_t pos = 0;
    Unit *unit = nullptr;
    Procedure *proc = nullptr;  // procedure being parsed
    ClassDef *cls = nullptr;    // class being parsed
    bool meAllowed = false;     // code executed inside a class method
    int doDepth = 0;
    int forDepth = 0;
    int nesting = 0; // expressions and blocks inside each other

    // Deeply nested text would exhaust the stack of the recursive parser and
    // evaluator; such code is refused with a compile error instead.
    struct Nest {
        Parser &p;
        explicit Nest(Parser &parser) : p(parser)
        {
            if (++p.nesting > 200)
                p.error(1001);
        }
        ~Nest() { --p.nesting; }
    };

    // ---- token helpers ----------------------------------------------------
    const Token &tok() const { return toks[pos]; }
    const Token &peek(int n = 1) const { return toks[std::min(pos + n, toks.size() - 1)]; }
    bool at(Tok t) const { return tok().type == t; }
    bool atKw(Kw k) const { return tok().type == Tok::Ident && tok().kw == k; }
    bool atOp(const char *op) const { return tok().type == Tok::Op && tok().text == QLatin1String(op); }
    bool atWord(const char *w) const
    {
        return tok().type == Tok::Ident && tok().kw == Kw::None && tok().text.compare(QLatin1String(w), Qt::CaseInsensitive) == 0;
    }
    void next() { if (pos + 1 < toks.size()) ++pos; }
    [[noreturn]] void error(int number) const { compileError(number, tok().line, tok().column); }
    void expectKw(Kw k, int err) { if (!atKw(k)) error(err); next(); }
    void expectOp(const char *op, int err) { if (!atOp(op)) error(err); next(); }
    bool acceptKw(Kw k) { if (atKw(k)) { next(); return true; } return false; }
    bool acceptOp(const char *op) { if (atOp(op)) { next(); return true; } return false; }
    void skipNewlines() { while (at(Tok::Newline)) next(); }
    bool atStatementEnd() const { return at(Tok::Newline) || at(Tok::End) || atKw(Kw::Else); }
    bool atLineEnd() const { return (at(Tok::Newline) && tok().text != u":") || at(Tok::End); }
    void endOfStatement()
    {
        if (at(Tok::Newline))
            next();
        else if (!at(Tok::End))
            error(1025);
    }

    // Property and Default are names too where no declaration can start
    bool atName() const
    {
        return at(Tok::Ident) && (tok().kw == Kw::None || tok().kw == Kw::Property || tok().kw == Kw::Default);
    }
    // Sub, Function or Property Get/Let/Set
    bool atProcStart() const
    {
        if (atKw(Kw::Sub) || atKw(Kw::Function))
            return true;
        return atKw(Kw::Property) && peek().type == Tok::Ident
            && (peek().kw == Kw::Get || peek().kw == Kw::Let || peek().kw == Kw::Set);
    }
    bool defaultMarker() const
    {
        if (!atKw(Kw::Default) || peek().type != Tok::Ident)
            return false;
        return peek().kw == Kw::Sub || peek().kw == Kw::Function || peek().kw == Kw::Property;
    }

    QString identifier()
    {
        if (!atName())
            error(1010);
        QString n = tok().text;
        next();
        return n;
    }
    // after '.', any word (keywords included) names a member
    QString memberName()
    {
        if (!at(Tok::Ident))
            error(1010);
        QString n = tok().text;
        next();
        return n;
    }

    template<class T>
    std::unique_ptr<T> node()
    {
        auto n = std::make_unique<T>();
        n->line = tok().line;
        n->column = tok().column;
        return n;
    }
    template<class T>
    std::unique_ptr<T> stmtNode(int line, int column)
    {
        auto n = std::make_unique<T>();
        n->line = line;
        n->column = column;
        return n;
    }

    // ---- top level ----------------------------------------------------------
    void topLevel(StmtList &out)
    {
        if (atWord("option")) {
            next();
            if (!atWord("explicit"))
                error(1002);
            next();
            unit->optionExplicit = true;
            endOfStatement();
            return;
        }
        if (atKw(Kw::Class)) {
            classDecl();
            return;
        }
        bool isPublic = true, hasAccess = false, isDefault = false;
        const int line = tok().line, column = tok().column;
        if (atKw(Kw::Public) || atKw(Kw::Private)) {
            isPublic = atKw(Kw::Public);
            hasAccess = true;
            next();
            if (defaultMarker()) {
                error(1048);
            }
        }
        if (atProcStart()) {
            if (atKw(Kw::Property))
                error(1048);
            unit->procs.push_back(procedure(isPublic, isDefault, line, column));
            return;
        }
        if (hasAccess) {
            if (atKw(Kw::Const)) {
                next();
                constDecl(unit->consts, isPublic);
            } else {
                varDecl(unit->dims, &out, isPublic, false);
            }
            endOfStatement();
            return;
        }
        statement(out);
        endOfStatement();
    }

    // ---- declarations -------------------------------------------------------
    void varDecl(std::vector<DimDecl> &dims, StmtList *out, bool isPublic, bool inProc)
    {
        do {
            DimDecl d;
            d.line = tok().line;
            d.column = tok().column;
            d.name = identifier();
            d.isPublic = isPublic;
            if (acceptOp("(")) {
                d.isArray = true;
                if (!atOp(")")) {
                    do {
                        d.bounds.push_back(expression());
                    } while (acceptOp(","));
                }
                expectOp(")", 1006);
                if (out) {
                    auto s = stmtNode<DimArrayStmt>(d.line, d.column);
                    auto n = std::make_unique<NameExpr>();
                    n->name = d.name;
                    n->line = d.line;
                    n->column = d.column;
                    s->var = std::move(n);
                    for (auto &b : d.bounds)
                        s->bounds.push_back(cloneBound(b));
                    s->keepExisting = inProc;
                    out->push_back(std::move(s));
                }
            }
            dims.push_back(std::move(d));
        } while (acceptOp(","));
    }

    // Bounds are literals or constant names; the Dim statement keeps its own copy.
    ExprPtr cloneBound(const ExprPtr &e)
    {
        if (auto *l = dynamic_cast<Literal *>(e.get())) {
            auto c = std::make_unique<Literal>(l->value);
            c->line = l->line; c->column = l->column;
            return c;
        }
        if (auto *n = dynamic_cast<NameExpr *>(e.get())) {
            auto c = std::make_unique<NameExpr>();
            c->name = n->name; c->line = n->line; c->column = n->column;
            return c;
        }
        if (auto *u = dynamic_cast<Unary *>(e.get())) {
            auto c = std::make_unique<Unary>();
            c->kind = u->kind; c->operand = cloneBound(u->operand); c->line = u->line; c->column = u->column;
            return c;
        }
        if (auto *top = dynamic_cast<Binary *>(e.get())) {
            // a run of operators is copied in a loop down its left operands
            std::vector<const Binary *> chain{top};
            while (auto *b = dynamic_cast<const Binary *>(chain.back()->lhs.get()))
                chain.push_back(b);
            ExprPtr acc = cloneBound(chain.back()->lhs);
            for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
                auto c = std::make_unique<Binary>();
                c->op = (*it)->op; c->lhs = std::move(acc); c->rhs = cloneBound((*it)->rhs);
                c->line = (*it)->line; c->column = (*it)->column;
                acc = std::move(c);
            }
            return acc;
        }
        if (auto *p = dynamic_cast<Paren *>(e.get())) {
            auto c = std::make_unique<Paren>();
            c->inner = cloneBound(p->inner); c->line = p->line; c->column = p->column;
            return c;
        }
        compileError(1026, e->line, e->column);
    }

    void constDecl(std::vector<ConstDecl> &consts, bool isPublic)
    {
        do {
            ConstDecl c;
            c.line = tok().line;
            c.column = tok().column;
            c.name = identifier();
            c.isPublic = isPublic;
            expectOp("=", 1011);
            c.value = expression();
            consts.push_back(std::move(c));
        } while (acceptOp(","));
    }

    ProcPtr procedure(bool isPublic, bool isDefault, int line, int column)
    {
        auto p = std::make_shared<Procedure>();
        p->isPublic = isPublic;
        p->isDefault = isDefault;
        p->line = line;
        p->column = column;
        Kw endKw;
        if (acceptKw(Kw::Sub)) {
            p->kind = ProcKind::Sub;
            endKw = Kw::Sub;
        } else if (acceptKw(Kw::Function)) {
            p->kind = ProcKind::Function;
            endKw = Kw::Function;
        } else {
            expectKw(Kw::Property, 1050);
            if (acceptKw(Kw::Get))
                p->kind = ProcKind::PropertyGet;
            else if (acceptKw(Kw::Let))
                p->kind = ProcKind::PropertyLet;
            else if (acceptKw(Kw::Set))
                p->kind = ProcKind::PropertySet;
            else
                error(1049);
            endKw = Kw::Property;
        }
        if (isDefault && p->kind != ProcKind::PropertyGet && p->kind != ProcKind::Function && p->kind != ProcKind::Sub)
            error(1058);
        p->line = tok().line; // errors about the procedure point at its name
        p->column = tok().column;
        p->name = identifier();
        if (acceptOp("(")) {
            if (!atOp(")")) {
                do {
                    bool byVal = false;
                    if (acceptKw(Kw::ByVal))
                        byVal = true;
                    else
                        acceptKw(Kw::ByRef);
                    p->params.push_back(identifier());
                    p->byVal.push_back(byVal);
                    if (acceptOp("("))
                        expectOp(")", 1006);
                } while (acceptOp(","));
            }
            expectOp(")", 1006);
        }
        if ((p->kind == ProcKind::PropertyLet || p->kind == ProcKind::PropertySet) && p->params.empty())
            error(1054);
        if (at(Tok::Newline))
            next(); // else the body starts on the header's line: `Sub S() x = 1 End Sub`
        Procedure *saved = proc;
        proc = p.get();
        const int savedDo = doDepth, savedFor = forDepth;
        doDepth = forDepth = 0;
        block(p->body, [&] { return atKw(Kw::End); }, true);
        next(); // End
        if (!atKw(endKw))
            error(endKw == Kw::Sub ? 1016 : endKw == Kw::Function ? 1015 : 1050);
        next();
        proc = saved;
        doDepth = savedDo;
        forDepth = savedFor;
        return p;
    }

    void classDecl()
    {
        next(); // Class
        auto c = std::make_shared<ClassDef>();
        c->line = tok().line;
        c->column = tok().column;
        c->name = identifier();
        endOfStatement();
        cls = c.get();
        std::vector<ProcPtr> procs;
        for (;;) {
            skipNewlines();
            if (at(Tok::End))
                error(1014);
            if (atKw(Kw::End)) {
                next();
                expectKw(Kw::Class, 1047);
                break;
            }
            const int line = tok().line, column = tok().column;
            bool isPublic = true, isDefault = false, hasAccess = false;
            if (atKw(Kw::Public) || atKw(Kw::Private)) {
                isPublic = atKw(Kw::Public);
                hasAccess = true;
                next();
                if (defaultMarker()) {
                    if (!isPublic)
                        error(1057);
                    isDefault = true;
                    next();
                }
            }
            if (atProcStart()) {
                auto p = procedure(isPublic, isDefault, line, column);
                p->owner = c.get();
                procs.push_back(std::move(p));
            } else if (atKw(Kw::Dim) && !hasAccess) {
                next();
                varDecl(c->fields, nullptr, true, false);
            } else if (hasAccess && !isDefault && !atKw(Kw::Const)) {
                varDecl(c->fields, nullptr, isPublic, false);
            } else if (atKw(Kw::Const) || (hasAccess && atKw(Kw::Const))) {
                error(1002);
            } else {
                error(1024);
            }
            if (atKw(Kw::End) && peek().kw == Kw::Class)
                continue; // End Class on the line of the last declaration
            endOfStatement();
        }
        cls = nullptr;
        // members: fields first, then procedures grouped by name
        for (size_t i = 0; i < c->fields.size(); ++i) {
            const QString low = c->fields[i].name.toLower();
            if (c->memberIndex.contains(low))
                compileError(1041, c->fields[i].line, c->fields[i].column);
            ClassMember m;
            m.name = c->fields[i].name;
            m.isPublic = c->fields[i].isPublic;
            m.field = int(i);
            c->memberIndex.insert(low, int(c->members.size()));
            c->members.push_back(m);
        }
        for (auto &p : procs) {
            const QString low = p->name.toLower();
            if (low == u"class_initialize" || low == u"class_terminate") {
                if (p->kind != ProcKind::Sub)
                    compileError(1002, p->line, p->column);
                if (!p->params.empty())
                    compileError(1053, p->line, p->column);
                (low == u"class_initialize" ? c->init : c->term) = p;
            }
            int idx = c->findMember(low);
            if (idx < 0) {
                idx = int(c->members.size());
                ClassMember m;
                m.name = p->name;
                m.isPublic = p->isPublic;
                c->memberIndex.insert(low, idx);
                c->members.push_back(m);
            }
            ClassMember &m = c->members[idx];
            ProcPtr *slot = nullptr;
            switch (p->kind) {
            case ProcKind::Sub: case ProcKind::Function: slot = &m.method; break;
            case ProcKind::PropertyGet: slot = &m.get; break;
            case ProcKind::PropertyLet: slot = &m.let; break;
            case ProcKind::PropertySet: slot = &m.set; break;
            }
            const bool clash = m.field >= 0 || *slot
                || ((p->kind == ProcKind::Sub || p->kind == ProcKind::Function) && (m.get || m.let || m.set))
                || (p->kind != ProcKind::Sub && p->kind != ProcKind::Function && m.method);
            if (clash)
                compileError(1041, p->line, p->column);
            *slot = p;
            if (p->isPublic)
                m.isPublic = true;
            if (p->isDefault) {
                if (c->defaultMember >= 0 && c->defaultMember != idx)
                    compileError(1052, p->line, p->column);
                c->defaultMember = idx;
            }
        }
        // property accessors agree on their argument count
        for (auto &m : c->members) {
            if (m.get && m.let && m.let->params.size() != m.get->params.size() + 1)
                compileError(1051, m.let->line, m.let->column);
            if (m.get && m.set && m.set->params.size() != m.get->params.size() + 1)
                compileError(1051, m.set->line, m.set->column);
        }
        unit->classes.push_back(std::move(c));
    }

    // ---- blocks and statements ---------------------------------------------
    // `sameLineEnd`: the closing End may follow the last statement on its
    // line (`Sub S() x = 1 End Sub`).
    template<class Stop>
    void block(StmtList &out, Stop stop, bool sameLineEnd = false)
    {
        Nest nest(*this);
        for (;;) {
            skipNewlines();
            if (at(Tok::End))
                error(1014);
            if (stop())
                return;
            statement(out);
            if (sameLineEnd && atKw(Kw::End) && stop())
                return;
            endOfStatement();
        }
    }

    void statement(StmtList &out)
    {
        const int line = tok().line, column = tok().column;
        if (at(Tok::Ident)) {
            switch (tok().kw) {
            case Kw::Dim: {
                next();
                varDecl(proc ? proc->dims : unit->dims, &out, true, proc != nullptr);
                return;
            }
            case Kw::Public: case Kw::Private:
                if (proc || cls)
                    error(1024);
                break;
            case Kw::Const: {
                next();
                constDecl(proc ? proc->consts : unit->consts, true);
                return;
            }
            case Kw::If: ifStatement(out); return;
            case Kw::Do: doStatement(out); return;
            case Kw::While: whileStatement(out); return;
            case Kw::For: forStatement(out); return;
            case Kw::Select: selectStatement(out); return;
            case Kw::With: withStatement(out); return;
            case Kw::Exit: exitStatement(out); return;
            case Kw::On: onErrorStatement(out); return;
            case Kw::ReDim: redimStatement(out); return;
            case Kw::Set: case Kw::Let: {
                const bool isSet = tok().kw == Kw::Set;
                next();
                auto s = stmtNode<AssignStmt>(line, column);
                s->isSet = isSet;
                s->target = postfix();
                expectOp("=", 1011);
                s->value = expression();
                out.push_back(std::move(s));
                return;
            }
            case Kw::Call: {
                next();
                auto s = stmtNode<ExprStmt>(line, column);
                ExprPtr callee = postfix();
                if (!dynamic_cast<CallExpr *>(callee.get())) {
                    auto c = std::make_unique<CallExpr>();
                    c->line = callee->line;
                    c->column = callee->column;
                    c->callee = std::move(callee);
                    c->parens = false;
                    callee = std::move(c);
                }
                s->expr = std::move(callee);
                out.push_back(std::move(s));
                return;
            }
            case Kw::Sub: case Kw::Function:
                // a procedure inside a block of top-level code is declared as any other
                if (proc || cls || meAllowed)
                    error(1024);
                unit->procs.push_back(procedure(true, false, line, column));
                return;
            case Kw::Property:
                if (atProcStart())
                    error(1024);
                break; // a name
            case Kw::Default:
                break; // a name
            case Kw::Class:
                error(1024);
            case Kw::Loop: error(1038);
            case Kw::Next: error(1055);
            case Kw::Wend: case Kw::Else: case Kw::ElseIf: case Kw::Case: case Kw::End:
                error(1024);
            case Kw::None: {
                if (atWord("execute") || atWord("executeglobal")) {
                    if (peek().type == Tok::Op && peek().text == u"=")
                        break;
                    auto s = stmtNode<ExecuteStmt>(line, column);
                    s->global = atWord("executeglobal");
                    next();
                    s->code = expression();
                    out.push_back(std::move(s));
                    return;
                }
                if (atWord("randomize")) {
                    next();
                    auto s = stmtNode<RandomizeStmt>(line, column);
                    if (!atStatementEnd())
                        s->seed = expression();
                    out.push_back(std::move(s));
                    return;
                }
                if (atWord("erase")) {
                    next();
                    auto s = stmtNode<EraseStmt>(line, column);
                    do {
                        s->vars.push_back(postfix());
                    } while (acceptOp(","));
                    out.push_back(std::move(s));
                    return;
                }
                if (atWord("option"))
                    error(1042);
                if (atWord("stop") && (peek().type == Tok::Newline || peek().type == Tok::End || peek().kw == Kw::Else)) {
                    next(); // no debugger to stop in: nothing happens
                    out.push_back(stmtNode<NoopStmt>(line, column));
                    return;
                }
                break;
            }
            default:
                break;
            }
        }
        if (atKw(Kw::Public) || atKw(Kw::Private)) {
            // Public/Private inside a block at top level: declarations
            const bool isPublic = atKw(Kw::Public);
            next();
            if (acceptKw(Kw::Const))
                constDecl(unit->consts, isPublic);
            else
                varDecl(unit->dims, &out, isPublic, false);
            return;
        }
        if (!at(Tok::Ident) && !atOp("."))
            error(1024);
        simpleStatement(out, line, column);
    }

    // Assignment or call: `x = 1`, `a(1).b = 2`, `Foo 1, 2`, `Foo(1)`, `obj.M a`.
    void simpleStatement(StmtList &out, int line, int column)
    {
        size_t lastParen = 0;
        ExprPtr target = postfix(&lastParen);
        if (atOp("=")) {
            next();
            auto s = stmtNode<AssignStmt>(line, column);
            s->target = std::move(target);
            s->value = expression();
            out.push_back(std::move(s));
            return;
        }
        auto s = stmtNode<ExprStmt>(line, column);
        auto *call = dynamic_cast<CallExpr *>(target.get());
        if (atStatementEnd()) {
            if (call && call->parens) {
                if (call->args.size() > 1)
                    compileError(1044, call->line, call->column);
                if (call->args.size() == 1 && call->args[0]) {
                    // Foo(x) as a statement passes x by value
                    auto p = std::make_unique<Paren>();
                    p->line = call->args[0]->line;
                    p->column = call->args[0]->column;
                    p->inner = std::move(call->args[0]);
                    call->args[0] = std::move(p);
                }
                call->parens = false;
                s->expr = std::move(target);
            } else {
                auto c = std::make_unique<CallExpr>();
                c->line = target->line;
                c->column = target->column;
                c->callee = std::move(target);
                c->parens = false;
                s->expr = std::move(c);
            }
            out.push_back(std::move(s));
            return;
        }
        // arguments follow without parentheses
        ExprPtr callee;
        if (call && call->parens && lastParen) {
            // `Foo (a) + 1, b`: the parenthesis opened the first argument
            pos = lastParen;
            callee = std::move(call->callee);
        } else {
            callee = std::move(target);
        }
        auto c = std::make_unique<CallExpr>();
        c->line = callee->line;
        c->column = callee->column;
        c->callee = std::move(callee);
        c->parens = false;
        argumentList(c->args, true);
        s->expr = std::move(c);
        out.push_back(std::move(s));
    }

    void argumentList(ExprList &args, bool statementForm)
    {
        for (;;) {
            if (atOp(",")) {
                args.push_back(nullptr);
                next();
                continue;
            }
            if (statementForm ? atStatementEnd() : atOp(")")) {
                if (!args.empty() && atOp(")") == false && statementForm) {
                    // trailing comma: an omitted last argument
                }
                break;
            }
            args.push_back(expression());
            if (!acceptOp(","))
                break;
            if (statementForm ? atStatementEnd() : atOp(")"))
                args.push_back(nullptr);
        }
        if (statementForm && !atStatementEnd())
            error(1025);
    }

    void ifStatement(StmtList &out)
    {
        auto s = node<IfStmt>();
        next(); // If
        s->conds.push_back(expression());
        expectKw(Kw::Then, 1017);
        if (at(Tok::Newline) && tok().text == u":" && (peek().type == Tok::End || (peek().type == Tok::Newline && peek().text != u":"))) {
            next(); // `If x Then :` closing its line: a one-line If doing nothing
            s->blocks.emplace_back();
            out.push_back(std::move(s));
            return;
        }
        if (!atLineEnd() && !(at(Tok::Newline))) {
            // single-line form
            s->blocks.emplace_back();
            singleLine(s->blocks.back());
            if (acceptKw(Kw::Else)) {
                s->blocks.emplace_back();
                singleLine(s->blocks.back());
            }
            if (atKw(Kw::End) && peek().kw == Kw::If) { // tolerated: If x Then y End If
                next();
                next();
            }
            out.push_back(std::move(s));
            return;
        }
        s->blocks.emplace_back();
        block(s->blocks.back(), [&] { return atKw(Kw::ElseIf) || atKw(Kw::Else) || atKw(Kw::End); });
        for (;;) {
            if (acceptKw(Kw::ElseIf)) {
                s->conds.push_back(expression());
                expectKw(Kw::Then, 1017);
                s->blocks.emplace_back();
                if (!at(Tok::Newline)) {
                    statement(s->blocks.back());
                }
                block(s->blocks.back(), [&] { return atKw(Kw::ElseIf) || atKw(Kw::Else) || atKw(Kw::End); });
                continue;
            }
            if (acceptKw(Kw::Else)) {
                s->blocks.emplace_back();
                if (!at(Tok::Newline))
                    statement(s->blocks.back());
                block(s->blocks.back(), [&] { return atKw(Kw::End); });
            }
            next(); // End
            expectKw(Kw::If, 1012);
            break;
        }
        out.push_back(std::move(s));
    }

    void singleLine(StmtList &out)
    {
        Nest nest(*this); // `If a Then If b Then ...` nests on one line
        for (;;) {
            if (atLineEnd() || atKw(Kw::Else))
                return;
            statement(out);
            if (at(Tok::Newline) && tok().text == u":") {
                next();
                continue;
            }
            if (atLineEnd() || atKw(Kw::Else) || (atKw(Kw::End) && peek().kw == Kw::If))
                return;
            error(1025);
        }
    }

    void doStatement(StmtList &out)
    {
        auto s = node<DoStmt>();
        next(); // Do
        if (atKw(Kw::While) || atKw(Kw::Until)) {
            s->kind = atKw(Kw::While) ? DoStmt::While : DoStmt::Until;
            next();
            s->cond = expression();
        } else if (!at(Tok::Newline)) {
            error(1028);
        }
        ++doDepth;
        block(s->body, [&] { return atKw(Kw::Loop); });
        --doDepth;
        next(); // Loop
        if (atKw(Kw::While) || atKw(Kw::Until)) {
            if (s->cond)
                error(1025);
            s->kind = atKw(Kw::While) ? DoStmt::While : DoStmt::Until;
            s->condAtEnd = true;
            next();
            s->cond = expression();
        }
        out.push_back(std::move(s));
    }

    void whileStatement(StmtList &out)
    {
        auto s = node<DoStmt>();
        next();
        s->kind = DoStmt::While;
        s->wend = true;
        s->cond = expression();
        block(s->body, [&] { return atKw(Kw::Wend); });
        next();
        out.push_back(std::move(s));
    }

    // A For or For Each body up to its Next, and the counter name Next may name.
    void forBody(StmtList &body)
    {
        ++forDepth;
        block(body, [&] { return atKw(Kw::Next); });
        --forDepth;
        next();
        if (atName())
            next();
    }

    void forStatement(StmtList &out)
    {
        const int line = tok().line, column = tok().column;
        next(); // For
        if (acceptKw(Kw::Each)) {
            auto s = stmtNode<ForEachStmt>(line, column);
            s->var = nameNode();
            expectKw(Kw::In, 1046);
            s->group = expression();
            forBody(s->body);
            out.push_back(std::move(s));
            return;
        }
        auto s = stmtNode<ForStmt>(line, column);
        s->var = nameNode();
        expectOp("=", 1011);
        s->from = expression();
        expectKw(Kw::To, 1013);
        s->to = expression();
        if (atWord("step")) {
            next();
            s->step = expression();
        }
        forBody(s->body);
        out.push_back(std::move(s));
    }

    ExprPtr nameNode()
    {
        if (!atName())
            error(1040);
        auto n = node<NameExpr>();
        n->name = tok().text;
        next();
        return n;
    }

    void selectStatement(StmtList &out)
    {
        auto s = node<SelectStmt>();
        next(); // Select
        expectKw(Kw::Case, 1021);
        s->subject = expression();
        endOfStatement();
        skipNewlines();
        while (atKw(Kw::Case)) {
            next();
            SelectStmt::Case c;
            if (acceptKw(Kw::Else)) {
                c.isElse = true;
            } else {
                do {
                    SelectStmt::Test t;
                    if (acceptKw(Kw::Is)) {
                        t.kind = SelectStmt::Test::Compare;
                        static const std::pair<const char *, Op> ops[] = {
                            {"=", Op::Eq}, {"<>", Op::Ne}, {"<", Op::Lt}, {"<=", Op::Le}, {">", Op::Gt}, {">=", Op::Ge}};
                        bool found = false;
                        for (auto &o : ops) {
                            if (atOp(o.first)) {
                                t.op = o.second;
                                found = true;
                                next();
                                break;
                            }
                        }
                        if (!found)
                            error(1002);
                        t.a = concatLevel();
                    } else {
                        t.a = expression();
                        t.kind = SelectStmt::Test::Value;
                        if (acceptKw(Kw::To)) {
                            t.kind = SelectStmt::Test::Range;
                            t.b = expression();
                        }
                    }
                    c.tests.push_back(std::move(t));
                } while (acceptOp(","));
            }
            if (at(Tok::Newline))
                next();
            block(c.body, [&] { return atKw(Kw::Case) || atKw(Kw::End); });
            s->cases.push_back(std::move(c));
            if (s->cases.back().isElse && atKw(Kw::Case))
                error(1014);
        }
        if (!atKw(Kw::End))
            error(1021);
        next();
        expectKw(Kw::Select, 1022);
        out.push_back(std::move(s));
    }

    void withStatement(StmtList &out)
    {
        auto s = node<WithStmt>();
        next();
        s->object = expression();
        block(s->body, [&] { return atKw(Kw::End); });
        next();
        expectKw(Kw::With, 1029);
        out.push_back(std::move(s));
    }

    void exitStatement(StmtList &out)
    {
        auto s = node<ExitStmt>();
        next();
        if (acceptKw(Kw::Do)) {
            if (doDepth == 0)
                compileError(1039, s->line, s->column);
            s->flow = Flow::ExitDo;
        } else if (acceptKw(Kw::For)) {
            if (forDepth == 0)
                compileError(1039, s->line, s->column);
            s->flow = Flow::ExitFor;
        } else if (atKw(Kw::Sub) || atKw(Kw::Function) || atKw(Kw::Property)) {
            const bool ok = proc
                && ((atKw(Kw::Sub) && proc->kind == ProcKind::Sub)
                    || (atKw(Kw::Function) && proc->kind == ProcKind::Function)
                    || (atKw(Kw::Property) && proc->kind != ProcKind::Sub && proc->kind != ProcKind::Function));
            if (!ok)
                compileError(1039, s->line, s->column);
            next();
            s->flow = Flow::ExitProc;
        } else {
            error(1039);
        }
        out.push_back(std::move(s));
    }

    void onErrorStatement(StmtList &out)
    {
        auto s = node<OnErrorStmt>();
        next(); // On
        if (!atWord("error"))
            error(1002);
        next();
        if (atWord("resume")) {
            next();
            if (!atKw(Kw::Next))
                error(1002);
            next();
            s->resumeNext = true;
        } else if (atWord("goto")) {
            next();
            if (!at(Tok::Number) || tok().value.rawInt() != 0 || !tok().value.isNumericType())
                error(1002);
            next();
            s->resumeNext = false;
        } else {
            error(1002);
        }
        out.push_back(std::move(s));
    }

    void redimStatement(StmtList &out)
    {
        auto s = node<ReDimStmt>();
        next();
        if (atWord("preserve")) {
            next();
            s->preserve = true;
        }
        do {
            ReDimStmt::Item item;
            item.var = nameNode();
            expectOp("(", 1005);
            do {
                item.bounds.push_back(expression());
            } while (acceptOp(","));
            expectOp(")", 1006);
            s->items.push_back(std::move(item));
        } while (acceptOp(","));
        out.push_back(std::move(s));
    }

    // ---- expressions --------------------------------------------------------
    ExprPtr binary(Op op, ExprPtr l, ExprPtr r, int line, int column)
    {
        auto b = std::make_unique<Binary>();
        b->op = op;
        b->lhs = std::move(l);
        b->rhs = std::move(r);
        b->line = line;
        b->column = column;
        return b;
    }

    ExprPtr expression()
    {
        Nest nest(*this);
        return impLevel();
    }

    // One left-associative level: operand (operator operand)*. An entry with a
    // symbol matches that operator token, one without matches its keyword.
    struct LevelOp {
        const char *symbol;
        Kw keyword;
        Op op;
    };
    ExprPtr leftAssoc(ExprPtr (Parser::*operand)(), std::initializer_list<LevelOp> ops)
    {
        ExprPtr l = (this->*operand)();
        for (;;) {
            const LevelOp *hit = nullptr;
            for (const LevelOp &o : ops) {
                if (o.symbol ? atOp(o.symbol) : atKw(o.keyword)) {
                    hit = &o;
                    break;
                }
            }
            if (!hit)
                return l;
            const int ln = tok().line, c = tok().column;
            next();
            l = binary(hit->op, std::move(l), (this->*operand)(), ln, c);
        }
    }

    ExprPtr impLevel() { return leftAssoc(&Parser::eqvLevel, {{nullptr, Kw::Imp, Op::Imp}}); }
    ExprPtr eqvLevel() { return leftAssoc(&Parser::xorLevel, {{nullptr, Kw::Eqv, Op::Eqv}}); }
    ExprPtr xorLevel() { return leftAssoc(&Parser::orLevel, {{nullptr, Kw::Xor, Op::Xor}}); }
    ExprPtr orLevel() { return leftAssoc(&Parser::andLevel, {{nullptr, Kw::Or, Op::Or}}); }
    ExprPtr andLevel() { return leftAssoc(&Parser::notLevel, {{nullptr, Kw::And, Op::And}}); }
    ExprPtr notLevel()
    {
        if (atKw(Kw::Not)) {
            Nest nest(*this);
            auto u = node<Unary>();
            next();
            u->kind = Unary::Not;
            u->operand = notLevel();
            return u;
        }
        return compareLevel();
    }
    ExprPtr compareLevel()
    {
        return leftAssoc(&Parser::concatLevel, {{"=", Kw::None, Op::Eq},
                                                {"<>", Kw::None, Op::Ne},
                                                {"<", Kw::None, Op::Lt},
                                                {">", Kw::None, Op::Gt},
                                                {"<=", Kw::None, Op::Le},
                                                {">=", Kw::None, Op::Ge},
                                                {nullptr, Kw::Is, Op::Is}});
    }
    ExprPtr concatLevel() { return leftAssoc(&Parser::addLevel, {{"&", Kw::None, Op::Concat}}); }
    ExprPtr addLevel()
    {
        return leftAssoc(&Parser::modLevel, {{"+", Kw::None, Op::Add}, {"-", Kw::None, Op::Sub}});
    }
    ExprPtr modLevel() { return leftAssoc(&Parser::intDivLevel, {{nullptr, Kw::Mod, Op::Mod}}); }
    ExprPtr intDivLevel() { return leftAssoc(&Parser::mulLevel, {{"\\", Kw::None, Op::IntDiv}}); }
    ExprPtr mulLevel()
    {
        return leftAssoc(&Parser::powLevel, {{"*", Kw::None, Op::Mul}, {"/", Kw::None, Op::Div}});
    }
    // `-3^2` is 9 and `2^3^2` is 64: negation binds tighter, ^ groups to the left.
    ExprPtr powLevel() { return leftAssoc(&Parser::unaryLevel, {{"^", Kw::None, Op::Pow}}); }
    ExprPtr unaryLevel()
    {
        Nest nest(*this);
        if (atOp("-") || atOp("+")) {
            auto u = node<Unary>();
            u->kind = atOp("-") ? Unary::Neg : Unary::Plus;
            next();
            u->operand = unaryLevel();
            // -2147483648 is the Long it reads as (32768 is a Long, and so is -32768)
            if (u->kind == Unary::Neg) {
                if (auto *lit = dynamic_cast<Literal *>(u->operand.get())) {
                    const vb::Variant &v = lit->value;
                    if (v.type() == vb::VarType::Double && v.rawDouble() == 2147483648.0)
                        return literal(vb::Variant(int32_t(INT32_MIN)), u->line, u->column);
                }
            }
            return u;
        }
        if (atKw(Kw::Not)) {
            auto u = node<Unary>();
            next();
            u->kind = Unary::Not;
            u->operand = unaryLevel();
            return u;
        }
        return postfix();
    }

    ExprPtr literal(vb::Variant v, int line, int column)
    {
        auto l = std::make_unique<Literal>(std::move(v));
        l->line = line;
        l->column = column;
        return l;
    }

    ExprPtr primary()
    {
        const Token &t = tok();
        const int line = t.line, column = t.column;
        switch (t.type) {
        case Tok::Number: case Tok::Date: {
            vb::Variant v = t.value;
            next();
            return literal(std::move(v), line, column);
        }
        case Tok::String: {
            QString s = t.text;
            next();
            return literal(vb::Variant(std::move(s)), line, column);
        }
        case Tok::Op:
            if (t.text == u"(") {
                next();
                auto p = std::make_unique<Paren>();
                p->line = line;
                p->column = column;
                p->inner = expression();
                expectOp(")", 1006);
                return p;
            }
            if (t.text == u".") { // member of the With object
                next();
                auto m = std::make_unique<MemberExpr>();
                m->line = line;
                m->column = column;
                m->name = memberName();
                return m;
            }
            error(1023);
        case Tok::Ident:
            switch (t.kw) {
            case Kw::None: case Kw::Property: case Kw::Default: {
                auto n = std::make_unique<NameExpr>();
                n->line = line;
                n->column = column;
                n->name = t.text;
                next();
                return n;
            }
            case Kw::True: next(); return literal(vb::Variant(true), line, column);
            case Kw::False: next(); return literal(vb::Variant(false), line, column);
            case Kw::Empty: next(); return literal(vb::Variant(), line, column);
            case Kw::Null: next(); return literal(vb::Variant::null(), line, column);
            case Kw::Nothing: next(); return literal(vb::Variant::nothing(), line, column);
            case Kw::Me: {
                next();
                auto m = std::make_unique<MeExpr>();
                m->line = line;
                m->column = column;
                return m;
            }
            case Kw::New: {
                next();
                auto n = std::make_unique<NewExpr>();
                n->line = line;
                n->column = column;
                n->className = identifier();
                return n;
            }
            default:
                error(1023);
            }
        default:
            error(1023);
        }
    }

    // primary followed by `.name` and `(args)`; *lastParen gets the token
    // index of the last top-level '(' suffix (statement calls use it).
    ExprPtr postfix(size_t *lastParen = nullptr)
    {
        ExprPtr e = primary();
        // each `.name` or `(args)` wraps what precedes it: a chain counts as nesting
        for (int chained = 0;; ++chained) {
            if (nesting + chained > 200)
                error(1001);
            if (atOp(".") && !tok().spaceBefore) {
                const int line = tok().line, column = tok().column;
                next();
                auto m = std::make_unique<MemberExpr>();
                m->line = line;
                m->column = column;
                m->object = std::move(e);
                m->name = memberName();
                e = std::move(m);
                if (lastParen)
                    *lastParen = 0;
                continue;
            }
            if (atOp("(")) {
                // `(f)(x)`, `((a))(0)`: the parenthesised name is called or indexed
                while (auto *p = dynamic_cast<Paren *>(e.get())) {
                    if (dynamic_cast<Literal *>(p->inner.get()))
                        break;
                    ExprPtr inner = std::move(p->inner);
                    e = std::move(inner);
                }
                if (dynamic_cast<Literal *>(e.get()) || dynamic_cast<Paren *>(e.get()))
                    break;
                if (lastParen)
                    *lastParen = pos;
                const int line = e->line, column = e->column;
                next();
                auto c = std::make_unique<CallExpr>();
                c->line = line;
                c->column = column;
                c->callee = std::move(e);
                argumentList(c->args, false);
                expectOp(")", 1006);
                e = std::move(c);
                continue;
            }
            break;
        }
        return e;
    }
};

std::shared_ptr<SourceText> sourceOf(const QString &text)
{
    auto s = std::make_shared<SourceText>();
    QString t = text;
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    s->lines = t.split(QLatin1Char('\n'));
    return s;
}

} // namespace

std::unique_ptr<Unit> parseProgram(const QString &text, bool inClass)
{
    Parser p(text, inClass);
    auto u = p.program();
    u->src = sourceOf(text);
    return u;
}

ExprPtr parseExpression(const QString &text, bool inClass)
{
    Parser p(text, inClass);
    return p.expressionOnly();
}

} // namespace vbs
