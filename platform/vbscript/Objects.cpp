// Objects the engine hands out: instances of script classes, the Err object
// and procedure references (GetRef).

#include "Objects.h"

#include "vb/CaughtError.h"

namespace vbs {

using vb::Variant;

ScriptObject::ScriptObject(ClassPtr c, std::weak_ptr<Engine> e) : cls(std::move(c)), engine(std::move(e))
{
    fields.resize(cls->fields.size());
}

int ScriptObject::memberId(const QString &name) const
{
    const int idx = cls->findMember(name.toLower());
    if (idx < 0 || !cls->members[idx].isPublic)
        return com::kUnknownMember;
    return idx + 1;
}

const ProcPtr *procedureFor(const ClassMember &m, int kind)
{
    if (kind & com::Set)
        return m.set ? &m.set : m.let ? &m.let : nullptr;
    if (kind & com::Let)
        return m.let ? &m.let : nullptr;
    return m.get ? &m.get : m.method ? &m.method : nullptr;
}

Variant ScriptObject::invoke(int id, int kind, std::span<Variant> args)
{
    std::shared_ptr<Engine> eng = engine.lock();
    if (!eng)
        vb::raise(-2147417848, QStringLiteral("The object invoked has disconnected from its clients"));
    const int idx = id == com::kDefaultMember ? cls->defaultMember : id - 1;
    if (idx < 0 || idx >= int(cls->members.size()))
        vb::raise(438);
    const ClassMember &m = cls->members[idx];
    if (m.field >= 0) {
        Variant &fld = fields[m.field];
        if (kind & (com::Let | com::Set)) {
            if (args.empty())
                vb::raise(450);
            Variant v = args.back();
            if (args.size() == 1) {
                if (kind & com::Set) {
                    if (!v.isObject())
                        vb::raise(424);
                    fld = std::move(v);
                } else {
                    fld = value(std::move(v));
                }
                return Variant();
            }
            if (!fld.isArray())
                vb::raise(13);
            std::vector<int32_t> idxs;
            for (size_t i = 0; i + 1 < args.size(); ++i)
                idxs.push_back(value(args[i]).toLong());
            fld.mutableArray()->at(idxs) = (kind & com::Set) ? std::move(v) : value(std::move(v));
            return Variant();
        }
        if (args.empty())
            return fld;
        if (!fld.isArray())
            vb::raise(450);
        std::vector<int32_t> idxs;
        for (auto &a : args)
            idxs.push_back(value(a).toLong());
        return fld.rawArray()->at(idxs);
    }
    const ProcPtr *p = procedureFor(m, kind);
    if (!p)
        vb::raise(438);
    return eng->callProcValues(*p, this, args);
}

namespace {

// Runs Class_Terminate when the last reference goes. The instance is handed to
// the terminate code under a fresh owner, so code that keeps `Me` keeps the
// instance alive instead of holding a dangling one.
struct TerminateDeleter {
    void operator()(ScriptObject *p) const
    {
        std::shared_ptr<Engine> eng = p->engine.lock();
        ProcPtr term = p->cls->term;
        if (!eng || !term) {
            delete p;
            return;
        }
        std::shared_ptr<ScriptObject> again(p, [](ScriptObject *q) { delete q; });
        const Stmt *saved = eng->current;
        try {
            eng->callProcValues(term, p, {});
        } catch (...) {
            // Errors of Class_Terminate are not reported to the script, as in
            // the classic engine; they are recorded.
            qCWarning(lcScript).noquote() << "Class_Terminate of" << p->cls->name << "failed:" << vb::caughtErrorText();
        }
        eng->current = saved;
    }
};

} // namespace

Variant ScriptObject::create(Engine &eng, const ClassPtr &cls)
{
    std::shared_ptr<ScriptObject> obj(new ScriptObject(cls, eng.weak_from_this()), TerminateDeleter());
    // fields declared as arrays
    for (size_t i = 0; i < cls->fields.size(); ++i) {
        const DimDecl &d = cls->fields[i];
        if (!d.isArray)
            continue;
        auto a = std::make_shared<vb::SafeArray>();
        a->fixed = !d.bounds.empty();
        Frame fr;
        fr.eng = &eng;
        fr.me = obj.get();
        size_t total = 1;
        for (const auto &b : d.bounds) {
            const int32_t ub = value(b->eval(fr)).toLong();
            if (ub < -1)
                vb::raise(9);
            a->bounds.push_back({0, ub + 1});
            total *= size_t(ub + 1);
        }
        a->data.resize(d.bounds.empty() ? 0 : total);
        obj->fields[i] = Variant(std::move(a));
    }
    Variant v{vb::ObjectPtr(obj)};
    if (cls->init)
        eng.callProcValues(cls->init, obj.get(), {});
    return v;
}

// ---- Err ------------------------------------------------------------------------

namespace {
enum ErrMember { ErrNumber = 1, ErrDescription, ErrSource, ErrHelpFile, ErrHelpContext, ErrRaise, ErrClear };
}

int ErrObject::memberId(const QString &name) const
{
    static const QHash<QString, int> ids = {
        {"number", ErrNumber}, {"description", ErrDescription}, {"source", ErrSource},
        {"helpfile", ErrHelpFile}, {"helpcontext", ErrHelpContext}, {"raise", ErrRaise}, {"clear", ErrClear}};
    return ids.value(name.toLower(), com::kUnknownMember);
}

// The number Err.Raise raises: failure codes of the platform's common kinds
// become the script errors they stand for; other numbers above 65535 that
// are no failure code are refused as an invalid argument (5).
int32_t raisedNumber(int32_t n)
{
    if (n > 65535)
        return 5;
    if (n >= 0)
        return n;
    const uint32_t code = uint32_t(n);
    if ((code & 0xFFFF0000u) == 0x800A0000u) // the script engine's own facility
        return int32_t(code & 0xFFFF);
    switch (code) {
    case 0x8007000Eu: return 7;   // out of memory
    case 0x80070057u: return 5;   // invalid argument
    case 0x80070005u: return 70;  // access denied
    case 0x80004001u: return 445; // not implemented
    case 0x80004002u: return 430; // no such interface
    case 0x80020003u: return 438; // member not found
    case 0x80020006u: return 438; // unknown name
    case 0x80020005u: return 13;  // type mismatch
    case 0x8002000Bu: return 9;   // bad index
    case 0x8002000Eu: return 450; // bad parameter count
    case 0x8002000Fu: return 449; // parameter not optional
    case 0x800A01A8u: return 424;
    default: return n;
    }
}

QString raiseDescription(int32_t number)
{
    const QString text = vb::errorText(number);
    if (text == vb::errorText(-1)) // not one of ours
        return QStringLiteral("Unknown runtime error");
    return text;
}

Variant ErrObject::invoke(int id, int kind, std::span<Variant> args)
{
    std::shared_ptr<Engine> eng = engine.lock();
    if (!eng)
        vb::raise(-2147417848, QStringLiteral("The object invoked has disconnected from its clients"));
    ErrState &e = eng->err;
    if (id == com::kDefaultMember)
        id = ErrNumber;
    const bool assign = kind & (com::Let | com::Set);
    if (assign && id >= ErrRaise)
        vb::raise(438);
    if (assign && args.size() != 1)
        vb::raise(450);
    // A property reads its field, or takes the assigned value.
    auto number = [&](int32_t &field) {
        if (assign) {
            field = value(args[0]).toLong();
            return Variant();
        }
        return Variant(field);
    };
    auto text = [&](QString &field) {
        if (assign) {
            field = value(args[0]).toString();
            return Variant();
        }
        return Variant(field);
    };
    switch (id) {
    case ErrNumber: return number(e.number);
    case ErrDescription: return text(e.description);
    case ErrSource: return text(e.source);
    case ErrHelpFile: return text(e.helpFile);
    case ErrHelpContext: return number(e.helpContext);
    case ErrRaise: {
        if (args.empty() || args[0].isMissing())
            vb::raise(450);
        if (args.size() > 5)
            vb::raise(450);
        int32_t number = raisedNumber(value(args[0]).toLong());
        if (number == 0)
            vb::raise(5);
        auto given = [&](size_t i) { return args.size() > i && !args[i].isMissing(); };
        auto text = [&](size_t i) { return given(i) ? value(args[i]).toString() : QString(); };
        // an Err not cleared since its last error lends that error's texts
        // to a Raise that gives none
        const bool held = e.number != 0;
        QString source = given(1) ? text(1) : held ? e.source : QString();
        QString description = given(2) ? text(2) : held ? e.description : QString();
        if (description.isEmpty())
            description = raiseDescription(number);
        if (source.isEmpty())
            source = QStringLiteral("Microsoft VBScript runtime error");
        e.number = number;
        e.description = description;
        e.source = source;
        if (given(3))
            e.helpFile = text(3);
        if (given(4))
            e.helpContext = value(args[4]).toLong();
        throw RaisedError(number, description, source);
    }
    case ErrClear:
        e.clear();
        return Variant();
    default:
        vb::raise(438);
    }
}

// ---- GetRef -----------------------------------------------------------------------

int ProcRef::memberId(const QString &) const { return com::kUnknownMember; }

Variant ProcRef::invoke(int id, int kind, std::span<Variant> args)
{
    if (id != com::kDefaultMember || (kind & (com::Let | com::Set)))
        vb::raise(438);
    std::shared_ptr<Engine> e = engine.lock();
    if (!e)
        vb::raise(-2147417848, QStringLiteral("The object invoked has disconnected from its clients"));
    return e->callProcValues(proc, nullptr, args);
}

} // namespace vbs
