#pragma once
// The tree a script compiles to. The parser builds it with plain names; the
// resolver then replaces every name by the node that reaches its storage
// directly (a local slot, a class field, a global entry, a built-in), so the
// evaluator never looks a name up while it runs.

#include "vb/Variant.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <memory>
#include <span>
#include <vector>

namespace vbs {

class Engine;
class Resolver;
class ScriptObject;
struct Frame;
struct Procedure;
struct ClassDef;
struct GlobalEntry;
struct Builtin;

// The text a node was compiled from, kept for the Error object's Text.
struct SourceText {
    QStringList lines;
    QString line(int n) const { return n >= 1 && n <= lines.size() ? lines[n - 1] : QString(); }
};

struct Node {
    int line = 0;
    int column = 0;
    virtual ~Node() = default;
};

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;
using ExprList = std::vector<ExprPtr>; // a null entry is an omitted argument
using ExprSpan = std::span<const ExprPtr>;

struct Expr : Node {
    // Value of the expression; objects stay objects (the caller asks for
    // their default value where it needs one).
    virtual vb::Variant eval(Frame &f) const = 0;
    // The variable behind the expression, for by-reference arguments; null
    // for anything that is not a plain variable.
    virtual vb::Variant *ref(Frame &) const { return nullptr; }
    // Assignment (`x = v`, `Set x = v`); 501 where nothing can be assigned.
    virtual void assign(Frame &f, vb::Variant &&v, bool isSet) const;
    // Used as a statement of its own (`Foo a, b`): no value is needed.
    virtual void exec(Frame &f) const { eval(f); }
    virtual void resolve(Resolver &) {}
    // An array element passed by reference: its value is lent to the callee
    // and stored back after the call (the callee may resize the array, so no
    // pointer into it is handed out). False for anything else.
    virtual bool element(Frame &, struct ElementRef &) const { return false; }
};

struct ElementRef {
    vb::Variant *array = nullptr; // the variable holding the array
    std::vector<int32_t> index;
    vb::Variant value;
    void writeBack() const;
};

enum class Flow : uint8_t { Normal, ExitDo, ExitFor, ExitProc };

struct Stmt : Node {
    const SourceText *src = nullptr;
    virtual Flow exec(Frame &f) const = 0;
    virtual void resolve(Resolver &) {}
};
using StmtPtr = std::unique_ptr<Stmt>;
using StmtList = std::vector<StmtPtr>;

// ---- parse-time forms, replaced by the resolver ---------------------------

struct NameExpr : Expr {
    QString name;
    vb::Variant eval(Frame &) const override;
};

struct CallExpr : Expr { // callee(args) before resolution; also `a(1)(2)`
    ExprPtr callee;
    ExprList args;
    bool parens = true;
    vb::Variant eval(Frame &) const override;
};

// ---- values ----------------------------------------------------------------

struct Literal : Expr {
    vb::Variant value;
    explicit Literal(vb::Variant v) : value(std::move(v)) {}
    vb::Variant eval(Frame &) const override { return value; }
};

struct Paren : Expr { // (x): a value, never a variable
    ExprPtr inner;
    vb::Variant eval(Frame &f) const override { return inner->eval(f); }
    void resolve(Resolver &r) override;
};

struct MeExpr : Expr {
    vb::Variant eval(Frame &f) const override;
};

struct NewExpr : Expr {
    QString className;
    GlobalEntry *entry = nullptr;
    vb::Variant eval(Frame &f) const override;
    void resolve(Resolver &r) override;
};

enum class Op : uint8_t {
    Add, Sub, Mul, Div, IntDiv, Mod, Pow, Concat,
    Eq, Ne, Lt, Le, Gt, Ge, And, Or, Xor, Eqv, Imp, Is,
};

// A line may hold a long run of operators (`a & b & c ...`): the parser
// builds it as a chain down the left operands, which the resolver, the
// evaluator and the destructor walk in a loop, never by one call per operator.
struct Binary : Expr {
    Op op;
    // comparisons: bit 0 the left, bit 1 the right operand is a literal or
    // constant (hard-typed: it decides how text meets a number)
    uint8_t literalSides = 0;
    uint32_t spine = 1; // Binary nodes down the chain of left operands, this one included
    ExprPtr lhs, rhs;
    ~Binary() override;
    vb::Variant eval(Frame &f) const override;
    void resolve(Resolver &r) override;
private:
    vb::Variant evalChain(Frame &f) const;
    // the operator (not Is) applied to plain values
    vb::Variant apply(const vb::Variant &l, const vb::Variant &r) const;
};

struct Unary : Expr {
    enum Kind : uint8_t { Neg, Plus, Not } kind;
    ExprPtr operand;
    vb::Variant eval(Frame &f) const override;
    void resolve(Resolver &r) override;
};

// ---- resolved names --------------------------------------------------------

struct LocalVar : Expr {
    int slot;
    explicit LocalVar(int s) : slot(s) {}
    vb::Variant eval(Frame &f) const override;
    vb::Variant *ref(Frame &f) const override;
    void assign(Frame &f, vb::Variant &&v, bool isSet) const override;
};

struct FieldVar : Expr { // a field of Me, from inside its class
    int field;
    explicit FieldVar(int i) : field(i) {}
    vb::Variant eval(Frame &f) const override;
    vb::Variant *ref(Frame &f) const override;
    void assign(Frame &f, vb::Variant &&v, bool isSet) const override;
};

// A name of the global space: variable, constant, procedure, class, added
// object, or (not declared) a member of an object added with its members,
// else an implicit variable. `fallback` >= 0 inside a procedure: a name not
// found globally is then a local of that procedure.
struct GlobalRef : Expr {
    GlobalEntry *entry;
    int fallback = -1;
    bool explicitOn = false;
    vb::Variant eval(Frame &f) const override;
    vb::Variant *ref(Frame &f) const override;
    void assign(Frame &f, vb::Variant &&v, bool isSet) const override;
    void exec(Frame &f) const override;
};

struct GlobalCall : Expr {
    GlobalEntry *entry;
    int fallback = -1;
    bool explicitOn = false;
    ExprList args;
    vb::Variant eval(Frame &f) const override;
    void assign(Frame &f, vb::Variant &&v, bool isSet) const override;
    void exec(Frame &f) const override;
    void resolve(Resolver &r) override;
    bool element(Frame &f, ElementRef &out) const override;
};

// A variable with arguments: array element or the default member of an object.
struct IndexExpr : Expr {
    ExprPtr base; // LocalVar, FieldVar, or any value (`f(1)(2)`)
    ExprList args;
    vb::Variant eval(Frame &f) const override;
    bool element(Frame &f, ElementRef &out) const override;
    void assign(Frame &f, vb::Variant &&v, bool isSet) const override;
    void exec(Frame &f) const override;
    void resolve(Resolver &r) override;
};

// A member of Me's own class named without `Me.` (method, property, or the
// recursion of the running function).
struct MeCall : Expr {
    int member;
    ExprList args;
    vb::Variant eval(Frame &f) const override;
    void assign(Frame &f, vb::Variant &&v, bool isSet) const override;
    void exec(Frame &f) const override;
    void resolve(Resolver &r) override;
};

struct MemberExpr : Expr { // obj.Name or obj.Name(args); obj null inside With
    ExprPtr object;
    QString name;
    QString lowerName;
    ExprList args;
    bool hasArgs = false;
    mutable const void *cacheKey = nullptr;
    mutable int cacheId = -1;
    vb::Variant eval(Frame &f) const override;
    void assign(Frame &f, vb::Variant &&v, bool isSet) const override;
    void exec(Frame &f) const override;
    void resolve(Resolver &r) override;
    vb::Variant call(Frame &f, int kind, vb::Variant *extra) const;
};

struct BuiltinCall : Expr {
    const Builtin *fn;
    ExprList args;
    vb::Variant eval(Frame &f) const override;
    void exec(Frame &f) const override;
    void resolve(Resolver &r) override;
};

struct ErrRef : Expr {
    vb::Variant eval(Frame &f) const override;
};

// ---- statements ------------------------------------------------------------

struct ExprStmt : Stmt { // call statement
    ExprPtr expr;
    Flow exec(Frame &f) const override;
    void resolve(Resolver &r) override;
};

struct AssignStmt : Stmt {
    ExprPtr target, value;
    bool isSet = false;
    bool appendSelf = false; // x = x & y on a plain variable: appended in place
    Flow exec(Frame &f) const override;
    void resolve(Resolver &r) override;
};

struct IfStmt : Stmt {
    std::vector<ExprPtr> conds;
    std::vector<StmtList> blocks; // one per condition, plus Else when present
    Flow exec(Frame &f) const override;
    void resolve(Resolver &r) override;
};

struct DoStmt : Stmt {
    enum CondKind : uint8_t { None, While, Until } kind = None;
    bool condAtEnd = false;
    bool wend = false; // While ... Wend: Exit Do belongs to an outer loop
    ExprPtr cond;
    StmtList body;
    Flow exec(Frame &f) const override;
    void resolve(Resolver &r) override;
};

struct ForStmt : Stmt {
    ExprPtr var, from, to, step;
    StmtList body;
    Flow exec(Frame &f) const override;
    void resolve(Resolver &r) override;
};

struct ForEachStmt : Stmt {
    ExprPtr var, group;
    StmtList body;
    Flow exec(Frame &f) const override;
    void resolve(Resolver &r) override;
};

struct SelectStmt : Stmt {
    struct Test {
        enum Kind : uint8_t { Value, Range, Compare } kind;
        Op op;
        ExprPtr a, b;
        uint8_t aSides = 0, bSides = 0; // hard-typed sides of the subject compared with a and with b
    };
    struct Case { std::vector<Test> tests; StmtList body; bool isElse = false; };
    ExprPtr subject;
    std::vector<Case> cases;
    Flow exec(Frame &f) const override;
    void resolve(Resolver &r) override;
};

struct WithStmt : Stmt {
    ExprPtr object;
    StmtList body;
    Flow exec(Frame &f) const override;
    void resolve(Resolver &r) override;
};

struct ExitStmt : Stmt {
    Flow flow;
    Flow exec(Frame &f) const override;
};

struct OnErrorStmt : Stmt {
    bool resumeNext;
    Flow exec(Frame &f) const override;
};

struct ReDimStmt : Stmt {
    struct Item { ExprPtr var; ExprList bounds; };
    bool preserve = false;
    std::vector<Item> items;
    Flow exec(Frame &f) const override;
    void resolve(Resolver &r) override;
};

struct EraseStmt : Stmt {
    ExprList vars;
    Flow exec(Frame &f) const override;
    void resolve(Resolver &r) override;
};

// Dim x(3): creates the array where the Dim stands (names were declared at compile time).
struct DimArrayStmt : Stmt {
    ExprPtr var;
    ExprList bounds; // empty: `Dim a()`
    bool keepExisting = true; // inside procedures a Dim in a loop does not clear the array
    Flow exec(Frame &f) const override;
    void resolve(Resolver &r) override;
};

struct ExecuteStmt : Stmt {
    ExprPtr code;
    bool global = false;
    Flow exec(Frame &f) const override;
    void resolve(Resolver &r) override;
};

struct RandomizeStmt : Stmt {
    ExprPtr seed; // may be null
    Flow exec(Frame &f) const override;
    void resolve(Resolver &r) override;
};

struct NoopStmt : Stmt {
    Flow exec(Frame &) const override { return Flow::Normal; }
};

// ---- declarations ----------------------------------------------------------

enum class ProcKind : uint8_t { Sub, Function, PropertyGet, PropertyLet, PropertySet };

struct DimDecl { QString name; int line = 0, column = 0; bool isArray = false; ExprList bounds; bool isPublic = true; };
struct ConstDecl { QString name; int line = 0, column = 0; ExprPtr value; bool isPublic = true; };

struct Procedure {
    QString name;
    ProcKind kind = ProcKind::Sub;
    bool isPublic = true;
    bool isDefault = false;
    int line = 0, column = 0;
    std::vector<QString> params;
    std::vector<bool> byVal;
    int resultSlot = -1;
    int localCount = 0;
    QHash<QString, int> localIndex;  // lower-cased name -> slot, for Execute and Eval in scope
    QHash<QString, vb::Variant> localConsts;
    StmtList body;
    ClassDef *owner = nullptr;
    std::shared_ptr<SourceText> src;
    std::shared_ptr<struct GlobalTable> globals; // keeps the names the body reaches alive
    bool optionExplicit = false;
    // parse-time declarations, used by the resolver
    std::vector<DimDecl> dims;
    std::vector<ConstDecl> consts;
};
using ProcPtr = std::shared_ptr<Procedure>;

struct ClassMember {
    QString name;
    bool isPublic = true;
    int field = -1;
    ProcPtr method, get, let, set;
};

struct ClassDef {
    QString name;
    int line = 0, column = 0;
    std::vector<DimDecl> fields;
    std::vector<ClassMember> members;
    QHash<QString, int> memberIndex; // lower-cased name -> index in members
    int defaultMember = -1;
    ProcPtr init, term;
    std::shared_ptr<struct GlobalTable> globals;
    int findMember(const QString &lowerName) const { return memberIndex.value(lowerName, -1); }
};
using ClassPtr = std::shared_ptr<ClassDef>;

// What one AddCode, Execute or ExecuteGlobal text compiles to.
struct Unit {
    std::shared_ptr<SourceText> src;
    StmtList top;
    std::vector<ProcPtr> procs;
    std::vector<ClassPtr> classes;
    std::vector<DimDecl> dims;     // top-level Dim/Public/Private
    std::vector<ConstDecl> consts;
    QHash<QString, vb::Variant> constValues; // lower-cased name -> value of the unit's constants
    bool optionExplicit = false;
};

} // namespace vbs
