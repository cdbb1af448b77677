// Host objects and the script control: objects added with and without their
// members, by-reference arguments, script classes called from the host,
// declarations kept across AddCode, the Error and Timeout events.

#include "ScriptTestSupport.h"

#include <QThread>

using vb::Variant;
using namespace vbstest;

namespace {

// The clock time-outs are measured by: stands still unless a test moves it,
// or moves `perRead` milliseconds each time the engine reads it.
struct FakeTimeoutClock {
    static inline std::atomic<int64_t> now{1000};
    static inline std::atomic<int64_t> perRead{0};
    static int64_t read() { return now.fetch_add(perRead.load()); }
    FakeTimeoutClock(int64_t step)
    {
        perRead = step;
        vbs::setTimeoutClock(&read);
    }
    ~FakeTimeoutClock() { vbs::setTimeoutClock(nullptr); }
};

// Counts emissions of a signal of the control.
struct SignalCount {
    template<class Signal>
    SignalCount(vbs::ScriptControl *sc, Signal sig) { QObject::connect(sc, sig, [this] { ++n; }); }
    int count() const { return n; }
    int n = 0;
};

// Stands in for the transfer control: a few methods and properties, a
// by-reference method, a default member, a collection and a failing call.
class FakeNet : public com::HostClass<FakeNet> {
public:
    static com::DispatchTable<FakeNet> describe()
    {
        com::DispatchTable<FakeNet> t("FakeNet");
        t.method("Execute", 0, 2, [](FakeNet &n, com::Args &a) {
            n.calls << "Execute " + a.string(0);
            return Variant();
        });
        t.method("Request", 0, 3, [](FakeNet &n, com::Args &a) {
            QString shape;
            for (size_t i = 0; i < 3; ++i)
                shape += a.has(i) ? a[i].toString() : QStringLiteral("_");
            n.calls << "Request " + shape;
            return Variant();
        });
        t.property("Target", [](FakeNet &n) { return n.target; }, {},
                   [](FakeNet &n, const Variant &v) { n.target = v; });
        t.method("OpenURL", 1, 1, [](FakeNet &n, com::Args &a) {
            n.calls << "OpenURL " + a.string(0);
            return Variant("content of " + a.string(0));
        });
        t.property("URL", [](FakeNet &n) { return Variant(n.url); }, [](FakeNet &n, const Variant &v) { n.url = v.toString(); });
        t.method("Swap", 2, 2, [](FakeNet &, com::Args &a) {
            std::swap(a.ref(0), a.ref(1));
            return Variant();
        });
        t.method("Wait", 1, 1, [](FakeNet &, com::Args &a) {
            FakeTimeoutClock::now += a[0].toLong(); // time passes inside the host call
            return Variant();
        });
        t.method("Fail", 0, 0, [](FakeNet &, com::Args &) -> Variant { vb::raise(3021); });
        t.indexedProperty("Item", 1, 1, [](FakeNet &, com::Args &a) { return Variant("item " + a.string(0)); });
        t.method("Items", 0, 0, [](FakeNet &, com::Args &) {
            auto list = std::make_shared<FakeList>();
            return Variant(vb::ObjectPtr(list));
        });
        t.defaultMember("Item");
        return t;
    }

    class FakeList : public com::HostClass<FakeList> {
    public:
        static com::DispatchTable<FakeList> describe() { return com::DispatchTable<FakeList>("FakeList"); }
        std::vector<Variant> enumerate() override { return {Variant("a"), Variant("b"), Variant(int16_t(3))}; }
    };

    QStringList calls;
    QString url;
    Variant target;
};

// Stands in for the window: members made global as the network scripts use them.
class FakeForm : public com::HostClass<FakeForm> {
public:
    static com::DispatchTable<FakeForm> describe()
    {
        com::DispatchTable<FakeForm> t("FakeForm");
        t.method("LoadInBox", 1, 1, [](FakeForm &f, com::Args &a) {
            f.loaded << a.string(0);
            return Variant();
        });
        t.method("GetInboundPath", 0, 0, [](FakeForm &, com::Args &) { return Variant("/in"); });
        t.property("URL", [](FakeForm &) { return Variant("form url"); });
        return t;
    }
    QStringList loaded;
};

// A property without parameters that returns an array of lines.
class FakeCode : public com::HostClass<FakeCode> {
public:
    static com::DispatchTable<FakeCode> describe()
    {
        com::DispatchTable<FakeCode> t("FakeCode");
        t.property("Lines", [](FakeCode &) {
            auto a = std::make_shared<vb::SafeArray>();
            a->bounds.push_back({0, 2});
            a->data = {Variant("Sub Main"), Variant("End Sub")};
            return Variant(a);
        });
        return t;
    }
};

} // namespace

TEST(HostObjects, ExtraArgumentsIndexAnArrayProperty)
{
    vbs::ScriptControl sc;
    sc.AddObject("objScript", std::make_shared<FakeCode>());
    sc.AddCode("first = objScript.Lines(0)\nlast = objScript.Lines(UBound(objScript.Lines))\n"
               "On Error Resume Next\nx = objScript.Lines(2)\nbeyond = Err.Number\n");
    EXPECT_EQ(show(sc.Eval("first")), "String:Sub Main");
    EXPECT_EQ(show(sc.Eval("last")), "String:End Sub");
    EXPECT_EQ(show(sc.Eval("beyond")), "Long:9");
}

TEST(HostObjects, ReachedByNameOnly)
{
    auto net = std::make_shared<FakeNet>();
    vbs::ScriptControl sc;
    sc.AddObject("Inet", net);
    sc.AddCode("Inet.URL = \"ftp://x\"\nr = Inet.OpenURL(Inet.URL)\nv = Inet(\"k\")");
    EXPECT_EQ(net->url, "ftp://x");
    EXPECT_EQ(sc.Eval("r").toString(), "content of ftp://x");
    EXPECT_EQ(sc.Eval("v").toString(), "item k");
    // without addMembers the member is no global name
    EXPECT_THROW(sc.AddCode("Option Explicit\nx = OpenURL(\"y\")"), vb::VbError);
    EXPECT_EQ(sc.Error().Number, 500);
}

TEST(HostObjects, MembersCallableWithoutTheName)
{
    auto net = std::make_shared<FakeNet>();
    auto form = std::make_shared<FakeForm>();
    vbs::ScriptControl sc;
    sc.AddObject("Form", form, true);
    sc.AddObject("Inet", net, true);
    sc.AddCode("LoadInBox GetInboundPath & \"/f.edi\"\n"
               "Form.LoadInBox \"two\"\n"
               "OpenURL \"http://a\"\n"
               "Inet.Execute \"GET\"\n"
               "Execute \"fromStatement = 5\"\n" // the Execute statement wins over Inet.Execute
               "u = URL\n");                     // both have URL: the first added wins
    EXPECT_EQ(form->loaded, QStringList({"/in/f.edi", "two"}));
    EXPECT_EQ(net->calls, QStringList({"OpenURL http://a", "Execute GET"}));
    EXPECT_EQ(show(sc.Eval("fromStatement")), "Integer:5");
    EXPECT_EQ(sc.Eval("u").toString(), "form url");
    // a member assigned without the name
    sc.Reset();
    sc.AddObject("Inet", net, true);
    sc.AddCode("URL = \"http://b\"");
    EXPECT_EQ(net->url, "http://b");
}

TEST(HostObjects, ByReferenceArgumentsAndCollections)
{
    auto net = std::make_shared<FakeNet>();
    vbs::ScriptControl sc;
    sc.AddObject("h", net);
    sc.AddCode("a = 1: b = 2\nh.Swap a, b\nc = 1: d = 2\nh.Swap (c), d\n"
               "For Each x In h.Items\n s = s & x & \",\"\nNext\n"
               "Sub Local()\n Dim p, q\n p = \"p\": q = \"q\"\n h.Swap p, q\n loc = p & q\nEnd Sub\n");
    EXPECT_EQ(sc.Eval("a & b & c & d").toString(), "2111");
    sc.AddCode("Dim pair(1)\npair(0) = \"x\": pair(1) = \"y\"\nh.Swap pair(0), pair(1)");
    EXPECT_EQ(sc.Eval("pair(0) & pair(1)").toString(), "yx");
    EXPECT_EQ(sc.Eval("s").toString(), "a,b,3,");
}

TEST(HostObjects, OptionalArgumentsAndObjectProperties)
{
    auto net = std::make_shared<FakeNet>();
    vbs::ScriptControl sc;
    sc.AddObject("h", net);
    sc.AddCode("h.Request\nh.Request \"a\"\nh.Request , \"b\"\nh.Request \"a\", , \"c\"\nCall h.Request(, , 3)\n"
               "Set h.Target = h\nsame = h.Target Is h\nSet h.Target = Nothing");
    EXPECT_EQ(net->calls, QStringList({"Request ___", "Request a__", "Request _b_", "Request a_c", "Request __3"}));
    EXPECT_TRUE(sc.Eval("same").toBool());
    EXPECT_TRUE(net->target.isNothing());
    EXPECT_THROW(sc.AddCode("h.Target = 5"), vb::VbError); // no Let on an object property
}

TEST(HostObjects, AMissingObjectIsAScriptError)
{
    // a network without a transfer control has no Inet
    vbs::ScriptControl sc;
    EXPECT_THROW(sc.AddCode("Inet.OpenURL \"x\""), vb::VbError);
    EXPECT_EQ(sc.Error().Number, 424);
    EXPECT_EQ(sc.Error().Description, "Object required: 'Inet'");
}

TEST(HostObjects, HostErrorsKeepTheirNumbers)
{
    auto net = std::make_shared<FakeNet>();
    vbs::ScriptControl sc;
    sc.AddObject("h", net);
    sc.AddCode("On Error Resume Next\nh.Fail\nn = Err.Number\nh.NoSuchMember\nm = Err.Number");
    EXPECT_EQ(show(sc.Eval("n")), "Long:3021");
    EXPECT_EQ(show(sc.Eval("m")), "Long:438");
    try {
        sc.AddCode("h.Fail");
        FAIL();
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, 3021);
    }
}

TEST(ScriptClasses, CallableFromTheHost)
{
    vbs::ScriptControl sc;
    sc.AddCode(R"(
Dim terminated
Class Counter
    Public Total
    Public Default Function Add(ByRef n)
        Total = Total + n
        n = 0
        Add = Total
    End Function
    Private Sub Class_Terminate()
        terminated = terminated + 1
    End Sub
End Class
Function Make()
    Set Make = New Counter
End Function
)");
    {
        Variant obj = sc.Eval("Make()");
        auto *d = dynamic_cast<com::Dispatch *>(obj.rawObject().get());
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(obj.typeName(), "Counter");
        std::vector<Variant> args{Variant(int16_t(5))};
        EXPECT_EQ(d->invoke("Add", com::Method, args).toLong(), 5);
        EXPECT_EQ(args[0].toLong(), 0); // written back by reference
        args[0] = Variant(int16_t(2));
        EXPECT_EQ(d->invoke(com::kDefaultMember, com::Method | com::Get, args).toLong(), 7);
        EXPECT_EQ(d->invoke("Total", com::Get, {}).toLong(), 7);
        EXPECT_EQ(d->memberId("Class_Terminate"), com::kUnknownMember); // private
        EXPECT_TRUE(sc.Eval("IsEmpty(terminated)").toBool());
    }
    EXPECT_EQ(sc.Eval("terminated").toLong(), 1); // the host dropped the last reference
    std::vector<Variant> args{Variant(int16_t(4))};
    EXPECT_EQ(sc.Run("Make").typeName(), "Counter");
    EXPECT_EQ(sc.Eval("terminated").toLong(), 2);
}

TEST(ScriptControl, DeclarationsPersistUntilReset)
{
    vbs::ScriptControl sc;
    sc.AddCode("Dim total\ntotal = 1\nSub Bump(): total = total + 1: End Sub\nFunction Ver(): Ver = 1: End Function");
    sc.AddCode("Bump\nBump");
    EXPECT_EQ(sc.Eval("total").toLong(), 3);
    sc.AddCode("Function Ver(): Ver = 2: End Function"); // a later declaration replaces the earlier
    EXPECT_EQ(sc.Eval("Ver()").toLong(), 2);
    sc.AddCode("Class Box\nPublic V\nEnd Class\nSet b = New Box\nb.V = 9");
    sc.AddCode("w = b.V");
    EXPECT_EQ(sc.Eval("w").toLong(), 9);
    sc.Reset();
    EXPECT_THROW(sc.AddCode("Bump"), vb::VbError);
    EXPECT_EQ(sc.Error().Number, 35);
    EXPECT_TRUE(sc.Eval("IsEmpty(total)").toBool());
}

TEST(ScriptControl, CompileErrorsHaveLineAndColumnAndRunNothing)
{
    struct Case {
        const char *code;
        int number, line, column;
    };
    const Case cases[] = {
        {"ran = 1\nx = (1 + 2\n", 1006, 2, 11},
        {"ran = 1\nIf x Then\ny = 1\n", 1014, 4, 1},
        {"ran = 1\nx = 1 +\n", 1023, 2, 8},
        {"ran = 1\n  Foo(1, 2)\n", 1044, 2, 3},
        {"ran = 1\nx = \"open\n", 1033, 2, 5},
        {"ran = 1\nFor i = 1\nNext\n", 1013, 2, 10},
        {"ran = 1\nExit Do\n", 1039, 2, 1},
        {"ran = 1\nx = 5 $ 3\n", 1032, 2, 7},
        {"ran = 1\nDim a\nDim a\n", 1041, 3, 5},
        {"ran = 1\nLoop\n", 1038, 2, 1},
        {"ran = 1\nx = 12abc\n", 1025, 2, 7},
    };
    for (const auto &c : cases) {
        vbs::ScriptControl sc;
        SignalCount spy(&sc, &vbs::ScriptControl::error);
        EXPECT_THROW(sc.AddCode(c.code), vb::VbError) << c.code;
        EXPECT_EQ(spy.count(), 1) << c.code;
        EXPECT_EQ(sc.Error().Number, c.number) << c.code;
        EXPECT_EQ(sc.Error().Line, c.line) << c.code;
        EXPECT_EQ(sc.Error().Column, c.column) << c.code;
        EXPECT_TRUE(sc.Eval("IsEmpty(ran)").toBool()) << c.code;
    }
    vbs::ScriptControl sc;
    EXPECT_THROW(sc.AddCode("x = 1\ny = (2 +\n"), vb::VbError);
    EXPECT_EQ(sc.Error().Text, "y = (2 +");
    EXPECT_EQ(sc.Error().Description, "Expected expression");
}

TEST(ScriptControl, ClassDeclarationErrorsNameTheirRule)
{
    struct Case {
        const char *code;
        int number;
        const char *description;
    };
    const Case cases[] = {
        {"Class C\nPublic Default Property Let P(v)\nEnd Property\nEnd Class\n", 1058, "'Default' is not allowed on Property Let or Set"},
        {"Class C\nPrivate Default Property Get P()\nEnd Property\nEnd Class\n", 1057, "'Default' must go with 'Public'"},
        {"Class C\nProperty Get P(a)\nEnd Property\nProperty Let P(v)\nEnd Property\nEnd Class\n", 1051,
         "Number of arguments must be consistent across the property's Get, Let and Set"},
    };
    for (const auto &c : cases) {
        vbs::ScriptControl sc;
        EXPECT_THROW(sc.AddCode(c.code), vb::VbError) << c.code;
        EXPECT_EQ(sc.Error().Number, c.number) << c.code;
        EXPECT_EQ(sc.Error().Description, c.description) << c.code;
    }
}

TEST(ScriptControl, RunTimeErrorRaisesTheEventBeforeAddCodeFails)
{
    vbs::ScriptControl sc;
    QStringList seen;
    QObject::connect(&sc, &vbs::ScriptControl::error, [&] {
        seen << QString("%1|%2|%3|%4|%5").arg(sc.Error().Number).arg(sc.Error().Description, sc.Error().Text).arg(sc.Error().Line).arg(sc.Error().Column);
    });
    try {
        sc.AddCode("a = 1\nSub F()\n    b = 1 / 0\nEnd Sub\n  F\n");
        FAIL();
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, 11);
    }
    EXPECT_EQ(seen, QStringList({"11|Division by zero|    b = 1 / 0|3|5"}));
}

TEST(ScriptControl, TimeoutStopsEndlessLoops)
{
    FakeTimeoutClock clock(10); // every look at the clock finds 10 ms gone
    for (const char *code : {"Do: Loop", "On Error Resume Next\nWhile True\nWend", "Sub Spin()\n For i = 1 To 2\n i = 1\n Next\nEnd Sub\nSpin"}) {
        vbs::ScriptControl sc;
        sc.setTimeout(200);
        SignalCount timeouts(&sc, &vbs::ScriptControl::timeout);
        try {
            sc.AddCode(code);
            ADD_FAILURE() << code;
        } catch (const vb::VbError &e) {
            EXPECT_EQ(e.number, vbs::kScriptTimeoutError) << code;
        }
        EXPECT_EQ(timeouts.count(), 1) << code;
        sc.AddCode("after = 1"); // the control is usable again
    }
}

TEST(ScriptControl, TimeInsideHostCallsDoesNotCount)
{
    FakeTimeoutClock clock(0);
    auto net = std::make_shared<FakeNet>();
    vbs::ScriptControl sc;
    sc.setTimeout(150);
    sc.AddObject("Inet", net, true);
    SignalCount timeouts(&sc, &vbs::ScriptControl::timeout);
    // 400 ms pass inside Wait; the loop after it looks at the clock many times
    sc.AddCode("For i = 1 To 4\n Wait 100\nNext\nFor j = 1 To 100000: Next\ndone = True");
    EXPECT_EQ(timeouts.count(), 0);
    EXPECT_TRUE(sc.Eval("done").toBool());
    // the same time spent by the script itself stops it
    sc.setYieldHook([] { FakeTimeoutClock::perRead = 100; });
    EXPECT_THROW(sc.AddCode("For j = 1 To 100000: Next\ndone = False"), vb::VbError);
    EXPECT_EQ(timeouts.count(), 1);
    EXPECT_TRUE(sc.Eval("done").toBool());
}

namespace {
// A host object whose method runs a second control, as a translation started
// inside a network script's wait does.
class Nested : public com::HostClass<Nested> {
public:
    static com::DispatchTable<Nested> describe()
    {
        com::DispatchTable<Nested> t("Nested");
        t.method("Translate", 1, 1, [](Nested &, com::Args &a) {
            vbs::ScriptControl inner;
            inner.AddCode("Function Twice(s): Twice = s & s: End Function");
            return inner.Eval("Twice(\"" + a.string(0) + "\")");
        });
        return t;
    }
};
} // namespace

TEST(ScriptControl, ControlsRunNested)
{
    vbs::ScriptControl outer;
    outer.AddObject("Form", std::make_shared<Nested>(), true);
    outer.AddCode("r = Translate(\"ab\") & \"!\"");
    EXPECT_EQ(outer.Eval("r").toString(), "abab!");
}

TEST(ScriptControl, AddObjectRejectsADuplicateName)
{
    vbs::ScriptControl sc;
    sc.AddObject("Inet", std::make_shared<FakeNet>());
    try {
        sc.AddObject("inet", std::make_shared<FakeNet>());
        FAIL();
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, 457);
    }
}

TEST(ScriptControl, DeeplyNestedCodeIsRefused)
{
    vbs::ScriptControl sc;
    const QString deep = "x = " + QString(5000, '(') + "1" + QString(5000, ')');
    EXPECT_THROW(sc.AddCode(deep), vb::VbError);
    EXPECT_EQ(sc.Error().Number, 1001);
    QString minus = "x = " + QString(5000, '-') + "1";
    EXPECT_THROW(sc.AddCode(minus), vb::VbError);
    QString ifs;
    for (int i = 0; i < 1000; ++i)
        ifs += "If True Then\n";
    EXPECT_THROW(sc.AddCode(ifs), vb::VbError);
    sc.AddCode("x = ((((1))))");
    EXPECT_EQ(sc.Eval("x").toLong(), 1);
}

TEST(ScriptControl, YieldHookRunsDuringLongLoops)
{
    vbs::ScriptControl sc;
    int yields = 0;
    sc.setYieldHook([&] { ++yields; });
    sc.AddCode("For i = 1 To 100000: Next");
    EXPECT_GT(yields, 10);
}

TEST(ScriptControl, ErrorsInsideExecutedCodeAreReportedAtTheExecute)
{
    vbs::ScriptControl sc;
    EXPECT_THROW(sc.AddCode("a = 1\nExecute \"x = 1\" & vbCrLf & \"y = 1 / 0\"\n"), vb::VbError);
    EXPECT_EQ(sc.Error().Number, 11);
    EXPECT_EQ(sc.Error().Line, 2);
    EXPECT_EQ(sc.Error().Text, "Execute \"x = 1\" & vbCrLf & \"y = 1 / 0\"");
    EXPECT_THROW(sc.AddCode("Sub S()\n  ExecuteGlobal \"z = CInt(\"\"q\"\")\"\nEnd Sub\nS"), vb::VbError);
    EXPECT_EQ(sc.Error().Number, 13);
    EXPECT_EQ(sc.Error().Line, 2);
    EXPECT_THROW(sc.AddCode("Execute \"If\""), vb::VbError);
    EXPECT_EQ(sc.Error().Number, 1023);
}

TEST(ScriptClasses, AnInstanceKeptPastResetReportsItsScriptIsGone)
{
    vbs::ScriptControl sc;
    sc.AddCode("Class K\nPublic Function Hello(): Hello = \"hi\": End Function\nEnd Class\nSet keep = New K");
    Variant obj = sc.Eval("keep");
    auto *d = dynamic_cast<com::Dispatch *>(obj.rawObject().get());
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->invoke("Hello", com::Method, {}).toString(), "hi");
    sc.Reset();
    try {
        d->invoke("Hello", com::Method, {});
        FAIL();
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, -2147417848);
    }
}

// AddCode of a text seen before reuses its compiled form; these sequences
// give the same results as compiling every text anew.
TEST(ScriptControl, RepeatedCodeBehavesAsCompiledAnew)
{
    struct Step {
        const char *code;
        int error; // 0: runs through
    };
    struct Sequence {
        std::vector<Step> steps;
        const char *result;
        const char *expected;
    };
    const char *f1 = "Function F(): F = 1: End Function";
    const char *f2 = "Function F(): F = 2: End Function";
    const char *useF = "r = r & F()";
    const std::vector<Sequence> sequences = {
        // a redeclared procedure is what later code calls, also when the first text comes back
        {{{f1, 0}, {useF, 0}, {f2, 0}, {useF, 0}, {f1, 0}, {useF, 0}}, "r", "String:121"},
        // a compile error stays one however often the text comes
        {{{"x = (", 1023}, {"x = (", 1023}, {"x = 1", 0}}, "x", "Integer:1"},
        // a text that failed to compile while a constant was missing compiles once it exists,
        // and a changed constant is read anew
        {{{"Const b = a + 1", 1045}, {"Const a = 1", 0}, {"Const b = a + 1", 0}}, "b", "Integer:2"},
        {{{"Const a = 1", 0}, {"c = a * 10", 0}, {"Const a = 5", 0}, {"c = a * 10", 0}}, "c", "Integer:50"},
        // a procedure declared later over a built-in function's name takes over that name
        {{{"r = Len(\"abc\")", 0}, {"Function Len(s): Len = 99: End Function", 0}, {"r = Len(\"abc\")", 0}}, "r", "Integer:99"},
        // run-time errors and declarations of a repeated text behave each time as the first time
        {{{"Dim a\na = a & \"z\"\nIf Len(a) = 2 Then y = 1 / 0", 0},
          {"Dim a\na = a & \"z\"\nIf Len(a) = 2 Then y = 1 / 0", 11},
          {"Dim a\na = a & \"z\"\nIf Len(a) = 2 Then y = 1 / 0", 0}}, "a", "String:zzz"},
        // a name made a variable by running code is that variable for the repeated text
        // (before, the procedure's ReDim made a local of its own)
        {{{"Sub S(): ReDim q(2): End Sub", 0}, {"S: t = IsArray(q)", 0}, {"q = 1", 0},
          {"Sub S(): ReDim q(2): End Sub", 0}, {"S: t = t & IsArray(q)", 0}}, "t", "String:FalseTrue"},
    };
    for (size_t i = 0; i < sequences.size(); ++i) {
        const Sequence &s = sequences[i];
        vbs::ScriptControl sc;
        for (const Step &st : s.steps) {
            int got = 0;
            try {
                sc.AddCode(QString::fromUtf8(st.code));
            } catch (const vb::VbError &e) {
                got = e.number;
            }
            EXPECT_EQ(got, st.error) << "sequence " << i << ": " << st.code;
        }
        EXPECT_EQ(show(sc.Eval(QString::fromUtf8(s.result))), s.expected) << "sequence " << i;
    }
}

TEST(ScriptControl, ResetDropsWhatRepeatedCodeDeclared)
{
    vbs::ScriptControl sc;
    const QString decl = "Function F(): F = 1: End Function\nDim v: v = 5";
    sc.AddCode(decl);
    sc.AddCode("r = F() + v");
    EXPECT_EQ(sc.Eval("r").toLong(), 6);
    sc.Reset();
    EXPECT_THROW(sc.AddCode("r = F() + v"), vb::VbError);
    EXPECT_EQ(sc.Error().Number, 13);
    EXPECT_TRUE(sc.Eval("IsEmpty(v)").toBool());
    sc.AddCode(decl);
    sc.AddCode("r = F() + v");
    EXPECT_EQ(sc.Eval("r").toLong(), 6);
}

namespace {
// Runs a fresh control that recurses `depth` calls deep and, at the bottom,
// calls back into this object for the next level, as nested translations do.
class DeepNest : public com::HostClass<DeepNest> {
public:
    static com::DispatchTable<DeepNest> describe()
    {
        com::DispatchTable<DeepNest> t("DeepNest");
        t.method("Dive", 2, 2, [](DeepNest &self, com::Args &a) {
            const int level = a[0].toLong(), depth = a[1].toLong();
            self.deepest = std::max(self.deepest, level);
            vbs::ScriptControl inner;
            inner.AddObject("Nest", self.shared_from_this(), true);
            inner.AddCode(QStringLiteral("Function R(n)\n If n = 0 Then\n  If %1 < %2 Then R = Dive(%1 + 1, %3) Else R = %1\n"
                                         " Else\n  R = R(n - 1)\n End If\nEnd Function")
                              .arg(level).arg(self.levels).arg(depth));
            return inner.Eval(QStringLiteral("R(%1)").arg(depth));
        });
        return t;
    }
    int levels = 0;
    int deepest = 0;
};

int diveError(int levels, int depth, int *deepest)
{
    auto nest = std::make_shared<DeepNest>();
    nest->levels = levels;
    vbs::ScriptControl sc;
    sc.AddObject("Nest", nest, true);
    int number = 0;
    try {
        sc.AddCode(QStringLiteral("r = Dive(1, %1)").arg(depth));
    } catch (const vb::VbError &e) {
        number = e.number;
    }
    *deepest = nest->deepest;
    return number;
}
} // namespace

TEST(ScriptControl, RecursionAcrossNestedControlsRunsOutOfStackSpaceCleanly)
{
    int deepest = 0;
    // a few levels of modest recursion fit
    EXPECT_EQ(diveError(3, 200, &deepest), 0);
    EXPECT_EQ(deepest, 3);
    // deep recursion in each of many nested controls is stopped with error 28
    // (each on its own stays under the limit) instead of overflowing the stack
    EXPECT_EQ(diveError(12, 900, &deepest), 28);
    EXPECT_LT(deepest, 12);
    // the count unwound: a full single recursion still fits afterwards
    EXPECT_EQ(errorOf("Function R(n)\nIf n > 0 Then R = R(n - 1)\nEnd Function\nx = R(950)"), 0);
}

TEST(ScriptControl, RecursionOnASmallStackRunsOutOfStackSpaceCleanly)
{
    // a worker thread with a small stack: the stack itself limits the depth
    int number = -1;
    QThread *worker = QThread::create([&] {
        number = errorOf("Function R(n)\nIf n > 0 Then R = R(n - 1)\nEnd Function\nx = R(990)");
    });
    worker->setStackSize(512 * 1024);
    worker->start();
    ASSERT_TRUE(worker->wait(QDeadlineTimer(30000))) << "the worker did not finish";
    delete worker;
    EXPECT_EQ(number, 28);
}

// Lines of 200,000 operators (a map script comes from the user's database):
// each compiles and runs or is refused with an error, and none overflows the
// stack in the parser, the resolver, the evaluator or when it is destroyed.
namespace {

constexpr int kOps = 200000;

QString operatorChain(const QString &first, const QString &op, const QString &operand)
{
    QString s = first;
    s.reserve(first.size() + kOps * (op.size() + operand.size() + 2));
    for (int i = 0; i < kOps; ++i)
        s += QLatin1Char(' ') + op + QLatin1Char(' ') + operand;
    return s;
}

// Each code in a fresh control: show() of x afterwards, or "error N".
void checkLongLines(const std::vector<std::pair<QString, std::string>> &cases)
{
    for (const auto &c : cases) {
        vbs::ScriptControl sc;
        std::string got;
        try {
            sc.AddCode(c.first);
            got = show(sc.Eval("x"));
        } catch (const vb::VbError &e) {
            got = "error " + std::to_string(e.number);
        }
        EXPECT_EQ(got, c.second) << c.first.left(60).toStdString();
    }
}

} // namespace

TEST(LongLines, ArithmeticOperators)
{
    checkLongLines({
        {"x = " + operatorChain("1", "+", "1"), "Long:200001"},
        {"x = " + operatorChain("1", "-", "1"), "Long:-199999"},
        {"x = " + operatorChain("1", "*", "1"), "Integer:1"},
        {"x = " + operatorChain("1", "/", "1"), "Double:1"},
        {"x = " + operatorChain("7", "\\", "1"), "Integer:7"},
        {"x = " + operatorChain("7", "Mod", "5"), "Integer:2"},
        {"x = " + operatorChain("1", "^", "1"), "Double:1"},
    });
}

TEST(LongLines, LogicalOperators)
{
    checkLongLines({
        {"x = " + operatorChain("1", "And", "1"), "Integer:1"},
        {"x = " + operatorChain("1", "Or", "2"), "Integer:3"},
        {"x = " + operatorChain("1", "Xor", "1"), "Integer:1"},
        {"x = " + operatorChain("True", "Eqv", "True"), "Boolean:True"},
        {"x = " + operatorChain("True", "Imp", "True"), "Boolean:True"},
        {"x = " + operatorChain("Nothing", "Is", "Nothing"), "error 424"}, // True Is Nothing: no object
    });
}

TEST(LongLines, ComparisonOperators)
{
    checkLongLines({
        {"x = " + operatorChain("1", "=", "1"), "Boolean:False"},
        {"x = " + operatorChain("1", "<>", "0"), "Boolean:True"},
        {"x = " + operatorChain("1", "<", "1"), "Boolean:True"},
        {"x = " + operatorChain("1", "<=", "1"), "Boolean:True"},
        {"x = " + operatorChain("1", ">", "1"), "Boolean:False"},
        {"x = " + operatorChain("1", ">=", "1"), "Boolean:False"},
    });
}

TEST(LongLines, ConcatenationConstantsBoundsAndEval)
{
    checkLongLines({
        {"x = Len(" + operatorChain("\"a\"", "&", "1") + ")", "Long:200001"},
        {"x = " + operatorChain("\"a\"", "&", "1") + "\nx = Left(x, 3) & Right(x, 2) & Len(x)", "String:a1111200001"},
        {"Const C = " + operatorChain("1", "+", "1") + "\nx = C", "Long:200001"},
        {"Const C = " + operatorChain("\"a\"", "&", "\"b\"") + "\nx = Len(C)", "Long:200001"},
        {"Dim a(" + operatorChain("0", "+", "0") + ")\nx = UBound(a)", "Long:0"},
    });
    vbs::ScriptControl sc;
    EXPECT_EQ(sc.Eval(operatorChain("0", "+", "2")).toLong(), 2 * kOps);
}

// Each Not, each `.name` or `(args)` and each one-line If nests: beyond the
// nesting limit the line is refused with 1001 as deep parentheses are.
TEST(LongLines, NestingFormsAreRefused)
{
    checkLongLines({
        {"x = " + QString("Not ").repeated(kOps) + "1", "error 1001"},
        {"x = y" + QString(".a").repeated(kOps), "error 1001"},
        {"Function F(n): Set F = Nothing: End Function\nx = F(1)" + QString("(1)").repeated(kOps), "error 1001"},
        {QString("If True Then ").repeated(kOps) + "x = 1", "error 1001"},
        // ordinary code stays within the limit
        {"x = " + QString("Not ").repeated(20) + "0", "Integer:0"},
        {QString("If True Then ").repeated(20) + "x = 1", "Integer:1"},
    });
}
