#include "ScriptControl.h"

#include "Engine.h"
#include "Lexer.h"
#include "Objects.h"

#include "com/ClassRegistry.h"

namespace vbs {

using vb::Variant;

ScriptControl::ScriptControl(QObject *parent) : QObject(parent)
{
    Reset();
}

ScriptControl::~ScriptControl()
{
    if (m_engine)
        m_engine->globals->clear();
}

void ScriptControl::setLanguage(const QString &language)
{
    if (language.compare(QLatin1String("VBScript"), Qt::CaseInsensitive) != 0)
        vb::raise(5, QStringLiteral("Only VBScript is supported"));
}

int ScriptControl::Timeout() const { return m_timeout; }

void ScriptControl::setTimeout(int milliseconds)
{
    m_timeout = milliseconds < 0 ? -1 : milliseconds;
}

bool ScriptControl::isRunning() const { return m_running > 0; }

void ScriptControl::setYieldHook(std::function<void()> hook)
{
    m_yieldHook = std::move(hook);
    if (m_engine)
        m_engine->yieldHook = m_yieldHook;
}

void ScriptControl::Reset()
{
    if (m_running)
        vb::raise(5, QStringLiteral("The script control cannot be reset while its code runs"));
    std::shared_ptr<Engine> old = std::move(m_engine);
    m_engine = std::make_shared<Engine>();
    m_engine->errObject = std::make_shared<ErrObject>(m_engine);
    m_engine->yieldHook = m_yieldHook;
    m_error.Clear();
    if (old)
        old->globals->clear(); // Class_Terminate of the old instances runs here
}

void ScriptControl::AddObject(const QString &name, vb::ObjectPtr object, bool addMembers)
{
    if (name.isEmpty() || !object)
        vb::raise(5);
    com::DispatchPtr disp = com::toDispatch(object); // 438 for an object nothing can call by name
    GlobalTable &g = *m_engine->globals;
    GlobalEntry *e = g.find(name.toLower());
    if (e && e->kind != GlobalEntry::Unset)
        vb::raise(457);
    e = g.findOrAdd(name);
    g.setKind(e, GlobalEntry::HostObject);
    e->value = Variant(vb::ObjectPtr(disp));
    if (addMembers) {
        m_engine->memberObjects.push_back(disp);
        ++m_engine->hostGen;
    }
}

void ScriptControl::fail(int32_t number, const QString &description, const QString &source, int line, int column, const QString &text)
{
    m_error.Number = number;
    m_error.Description = description;
    m_error.Source = source;
    m_error.Line = line;
    m_error.Column = column;
    m_error.Text = text;
    emit error();
    throw vb::VbError(number, description, source);
}

template<class F>
auto ScriptControl::guarded(F &&body) -> decltype(body())
{
    Engine &eng = *m_engine;
    std::shared_ptr<Engine> hold = m_engine; // a Reset from a host call must not pull the engine away
    const bool outer = !eng.timing && m_timeout >= 0;
    if (outer) {
        eng.timing = true;
        eng.timedOut = false;
        eng.deadline = coarseMs() + m_timeout;
    }
    ++m_running;
    struct Done {
        ScriptControl &sc;
        Engine &eng;
        bool outer;
        ~Done()
        {
            --sc.m_running;
            if (outer)
                eng.timing = false;
        }
    } done{*this, eng, outer};
    eng.current = nullptr;
    try {
        return body();
    } catch (const CompileError &ce) {
        fail(ce.number, ce.description, QStringLiteral("Microsoft VBScript compilation error"), ce.line, ce.column, QString());
    } catch (const vb::VbError &e) {
        const Stmt *s = eng.current;
        const QString source = e.source.isEmpty() ? QStringLiteral("Microsoft VBScript runtime error") : e.source;
        const auto *named = dynamic_cast<const NamedError *>(&e);
        fail(e.number, named ? named->hostDescription() : e.description, source, s ? s->line : 0, s ? s->column : 0, s && s->src ? s->src->line(s->line) : QString());
    } catch (const ScriptAbort &) {
        if (!outer)
            throw; // the outermost call of this control reports it
        const Stmt *s = eng.current;
        m_error.Number = kScriptTimeoutError;
        m_error.Description = QStringLiteral("The script ran longer than the time-out and was stopped");
        m_error.Source = QStringLiteral("ScriptControl");
        m_error.Line = s ? s->line : 0;
        m_error.Column = s ? s->column : 0;
        m_error.Text = s && s->src ? s->src->line(s->line) : QString();
        emit timeout();
        throw vb::VbError(m_error.Number, m_error.Description, m_error.Source);
    }
}

void ScriptControl::AddCode(const QString &code)
{
    m_error.Clear();
    std::shared_ptr<Engine> hold = m_engine;
    std::shared_ptr<Unit> u;
    try {
        u = m_engine->compileCached(code);
    } catch (const CompileError &ce) {
        QString t = code;
        t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
        t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
        const QStringList lines = t.split(QLatin1Char('\n'));
        fail(ce.number, ce.description, QStringLiteral("Microsoft VBScript compilation error"), ce.line, ce.column,
             ce.line >= 1 && ce.line <= lines.size() ? lines[ce.line - 1] : QString());
    }
    guarded([&] { m_engine->runTop(*u); });
}

Variant ScriptControl::Eval(const QString &expression)
{
    m_error.Clear();
    return guarded([&] {
        Frame fr;
        fr.eng = m_engine.get();
        ExprPtr e;
        m_engine->compile(expression, nullptr, true, &e);
        return e->eval(fr);
    });
}

void ScriptControl::ExecuteStatement(const QString &statement)
{
    AddCode(statement);
}

Variant ScriptControl::Run(const QString &procedureName, std::span<Variant> args)
{
    m_error.Clear();
    return guarded([&] {
        GlobalEntry *e = m_engine->globals->find(procedureName.toLower());
        if (!e || e->kind != GlobalEntry::Proc)
            raiseNamed(35, procedureName);
        return m_engine->callProcValues(e->proc, nullptr, args);
    });
}

} // namespace vbs
