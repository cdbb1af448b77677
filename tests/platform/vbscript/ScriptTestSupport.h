#pragma once
// Helpers for script tests: run code in a fresh control and read back what it
// left in a global variable or what it printed through a small host object.

#include "com/HostObject.h"
#include "vbscript/ScriptControl.h"
#include "vb/VbError.h"

#include <QStringList>
#include <gtest/gtest.h>
#include <vector>

namespace vbstest {

// A host object that records what scripts print: Out.Print "text".
class Printer : public com::HostClass<Printer> {
public:
    static com::DispatchTable<Printer> describe()
    {
        com::DispatchTable<Printer> t("Printer");
        t.method("Print", 0, 1, [](Printer &p, com::Args &a) {
            p.lines << (a.has(0) ? a[0].toString() : QString());
            return vb::Variant();
        });
        return t;
    }
    QStringList lines;
};

// Runs `code` and returns the value of the expression `result` afterwards.
inline vb::Variant evalAfter(const QString &code, const QString &result)
{
    vbs::ScriptControl sc;
    sc.AddCode(code);
    return sc.Eval(result);
}

// The error number the code raises (0 when it runs through).
inline int errorOf(const QString &code)
{
    vbs::ScriptControl sc;
    try {
        sc.AddCode(code);
    } catch (const vb::VbError &e) {
        return e.number;
    }
    return 0;
}

inline std::string show(const vb::Variant &v)
{
    try {
        return (v.typeName() + QLatin1Char(':') + (v.isObject() || v.isArray() ? QString() : v.toString())).toStdString();
    } catch (...) {
        return v.typeName().toStdString();
    }
}

// An expression and what it yields, as show() writes it ("TypeName:text").
struct ExprCase {
    const char *expr;
    const char *expected;
};

// Evaluates each expression in a fresh control, after running `setup` there.
inline void checkExpressions(const std::vector<ExprCase> &cases, const QString &setup = {})
{
    for (const auto &c : cases) {
        vbs::ScriptControl sc;
        if (!setup.isEmpty())
            sc.AddCode(setup);
        try {
            EXPECT_EQ(show(sc.Eval(QString::fromUtf8(c.expr))), c.expected) << c.expr;
        } catch (const vb::VbError &e) {
            ADD_FAILURE() << c.expr << " raised " << e.number << " " << e.description.toStdString();
        }
    }
}

} // namespace vbstest
