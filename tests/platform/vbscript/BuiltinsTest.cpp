// The built-in functions: classic results, Null and Empty rules, and error
// numbers. The harness fixes the clock at 10 Dec 2026 13:05:09.

#include "ScriptTestSupport.h"
#include "TestEnvironment.h"

using vb::Variant;
using namespace vbstest;
using corvantis::test::dialogs;

namespace {

struct ErrCase {
    const char *expr;
    int number;
};

void checkErrors(const std::vector<ErrCase> &cases)
{
    for (const auto &c : cases) {
        vbs::ScriptControl sc;
        try {
            sc.Eval(QString::fromUtf8(c.expr));
            ADD_FAILURE() << c.expr << " raised nothing";
        } catch (const vb::VbError &e) {
            EXPECT_EQ(e.number, c.number) << c.expr;
        }
    }
}

} // namespace

TEST(Builtins, Text)
{
    checkExpressions({
        {"Len(\"abc\")", "Long:3"},
        {"Len(123)", "Long:3"},
        {"IsNull(Len(Null))", "Boolean:True"},
        {"Left(\"abcdef\", 2)", "String:ab"},
        {"Left(\"ab\", 5)", "String:ab"},
        {"Right(\"abcdef\", 2)", "String:ef"},
        {"Mid(\"abcdef\", 2, 3)", "String:bcd"},
        {"Mid(\"abcdef\", 4)", "String:def"},
        {"Mid(\"abc\", 10)", "String:"},
        {"InStr(\"abcabc\", \"c\")", "Long:3"},
        {"InStr(4, \"abcabc\", \"c\")", "Long:6"},
        {"InStr(1, \"ABC\", \"b\", vbTextCompare)", "Long:2"},
        {"InStr(\"abc\", \"\")", "Long:1"},
        {"InStr(\"abc\", \"x\")", "Long:0"},
        {"InStrRev(\"abcabc\", \"b\")", "Long:5"},
        {"InStrRev(\"abcabc\", \"b\", 4)", "Long:2"},
        {"Replace(\"a-b-c\", \"-\", \"+\")", "String:a+b+c"},
        {"Replace(\"a-b-c\", \"-\", \"+\", 1, 1)", "String:a+b-c"},
        {"Replace(\"a-b-c\", \"-\", \"+\", 3)", "String:b+c"},
        {"Replace(\"aXa\", \"x\", \"y\", 1, -1, 1)", "String:aya"},
        {"UBound(Split(\"a,b,c\", \",\"))", "Long:2"},
        {"Split(\"a,b,c\", \",\")(1)", "String:b"},
        {"UBound(Split(\"\"))", "Long:-1"},
        {"Split(\"a b  c\")(2)", "String:"},
        {"UBound(Split(\"a,b,c\", \",\", 2))", "Long:1"},
        {"Join(Array(\"a\", 1, True), \"-\")", "String:a-1-True"},
        {"Join(Array(\"a\", \"b\"))", "String:a b"},
        {"Join(Filter(Array(\"apple\", \"pear\", \"grape\"), \"ap\"), \",\")", "String:apple,grape"},
        {"Join(Filter(Array(\"apple\", \"pear\"), \"ap\", False), \",\")", "String:pear"},
        {"LCase(\"AbC\")", "String:abc"},
        {"UCase(\"AbC\")", "String:ABC"},
        {"\"[\" & Trim(\"  a b  \") & \"]\"", "String:[a b]"},
        {"\"[\" & LTrim(\"  a \") & \"]\"", "String:[a ]"},
        {"\"[\" & RTrim(\"  a \") & \"]\"", "String:[  a]"},
        {"IsNull(Trim(Null))", "Boolean:True"},
        {"Space(3) & \"|\"", "String:   |"},
        {"String(3, \"xy\")", "String:xxx"},
        {"String(2, 65)", "String:AA"},
        {"StrReverse(\"abc\")", "String:cba"},
        {"StrComp(\"a\", \"B\")", "Integer:1"},
        {"StrComp(\"a\", \"B\", 1)", "Integer:-1"},
        {"StrComp(\"a\", \"a\")", "Integer:0"},
        {"Asc(\"A\")", "Integer:65"},
        {"Chr(65)", "String:A"},
        {"Hex(255)", "String:FF"},
        {"Hex(-1)", "String:FFFF"},
        {"Hex(65536)", "String:10000"},
        {"Oct(8)", "String:10"},
    });
    checkErrors({
        {"Left(\"a\", -1)", 5},
        {"Mid(\"a\", 0)", 5},
        {"Asc(\"\")", 5},
        {"Chr(256)", 5},
        {"Space(-1)", 5},
        {"Left(\"a\", Null)", 94},
        {"Join(5)", 13},
        {"Split(Null)", 94},
    });
}

TEST(Builtins, ConversionsAndMath)
{
    checkExpressions({
        {"CInt(2.5)", "Integer:2"},
        {"CInt(3.5)", "Integer:4"},
        {"CInt(\"12\")", "Integer:12"},
        {"CLng(\"70000\")", "Long:70000"},
        {"CDbl(\"1.5\")", "Double:1.5"},
        {"CStr(1.5)", "String:1.5"},
        {"CStr(True)", "String:True"},
        {"CBool(\"true\")", "Boolean:True"},
        {"CBool(0)", "Boolean:False"},
        {"CByte(255)", "Byte:255"},
        {"CCur(1.23456)", "Currency:1.2346"},
        {"CDate(\"2003-01-02\")", "Date:1/2/2003"},
        {"CSng(1.5)", "Single:1.5"},
        {"Abs(-5)", "Integer:5"},
        {"Abs(-2.5)", "Double:2.5"},
        {"IsNull(Abs(Null))", "Boolean:True"},
        {"Int(-2.5)", "Double:-3"},
        {"Fix(-2.5)", "Double:-2"},
        {"Int(7)", "Integer:7"},
        {"Round(2.5)", "Double:2"},
        {"Round(3.5)", "Double:4"},
        {"Round(1.2345, 2)", "Double:1.23"},
        {"Sgn(-3)", "Integer:-1"},
        {"Sgn(0)", "Integer:0"},
        {"Sqr(16)", "Double:4"},
        {"Exp(0)", "Double:1"},
        {"Log(1)", "Double:0"},
        {"Atn(0) + Sin(0) + Cos(0) + Tan(0)", "Double:1"},
        {"RGB(255, 0, 1)", "Long:65791"},
        {"RGB(300, 0, 0)", "Long:255"},
        {"Rnd(-1) = Rnd(-1)", "Boolean:True"},
        {"Rnd() < 1", "Boolean:True"},
        {"Rnd(0) = Rnd(0)", "Boolean:True"},
    });
    checkErrors({
        {"CInt(\"abc\")", 13},
        {"CInt(40000)", 6},
        {"CLng(Null)", 94},
        {"CByte(256)", 6},
        {"Sqr(-1)", 5},
        {"Log(0)", 5},
        {"Exp(1000)", 6},
        {"CDate(\"nonsense\")", 13},
    });
}

TEST(Builtins, TheGeneratorStartsWhereTheClassicOneDoes)
{
    struct Case {
        const char *code;
        float expected;
    };
    // Each in a fresh engine: the starting state, the first steps, and Rnd(0)
    // repeating the last value.
    const Case cases[] = {
        {"Rnd(0)", 0.01953125f},
        {"Rnd", 0.7055475f},
        {"Rnd(1)", 0.7055475f},
        {"x = Rnd: Rnd", 0.533424f},
        {"x = Rnd: Rnd(0)", 0.7055475f},
    };
    for (const Case &c : cases) {
        vbs::ScriptControl sc;
        const QString code = QString::fromLatin1(c.code);
        const int colon = code.lastIndexOf(u':');
        if (colon >= 0)
            sc.AddCode(code.left(colon));
        const vb::Variant v = sc.Eval(colon >= 0 ? code.mid(colon + 1).trimmed() : code);
        EXPECT_EQ(v.type(), vb::VarType::Single) << c.code;
        EXPECT_NEAR(v.toDouble(), c.expected, 1e-6) << c.code;
    }
}

TEST(Builtins, RandomizeSeedsTheSequence)
{
    vbs::ScriptControl sc;
    sc.AddCode("x = Rnd(-1): Randomize 7: a = Rnd: b = Rnd\n"
               "x = Rnd(-1): Randomize 7: c = Rnd\n"
               "x = Rnd(-1): Randomize 8: d = Rnd");
    EXPECT_TRUE(sc.Eval("a = c").toBool());
    EXPECT_FALSE(sc.Eval("a = b").toBool());
    EXPECT_FALSE(sc.Eval("a = d").toBool());
    EXPECT_TRUE(sc.Eval("a >= 0 And a < 1").toBool());
}

TEST(Builtins, TypesAndArrays)
{
    checkExpressions({
        {"TypeName(1)", "String:Integer"},
        {"TypeName(\"\")", "String:String"},
        {"TypeName(Nothing)", "String:Nothing"},
        {"TypeName(Array())", "String:Variant()"},
        {"TypeName(Empty)", "String:Empty"},
        {"TypeName(Null)", "String:Null"},
        {"VarType(1)", "Integer:2"},
        {"VarType(70000)", "Integer:3"},
        {"VarType(1.5)", "Integer:5"},
        {"VarType(\"x\")", "Integer:8"},
        {"VarType(True)", "Integer:11"},
        {"VarType(Array(1))", "Integer:8204"},
        {"VarType(Null)", "Integer:1"},
        {"VarType(CCur(1))", "Integer:6"},
        {"VarType(Now)", "Integer:7"},
        {"IsArray(Array())", "Boolean:True"},
        {"IsArray(1)", "Boolean:False"},
        {"IsEmpty(Empty)", "Boolean:True"},
        {"IsEmpty(\"\")", "Boolean:False"},
        {"IsNull(Null)", "Boolean:True"},
        {"IsNumeric(\"12.5\")", "Boolean:True"},
        {"IsNumeric(\"abc\")", "Boolean:False"},
        {"IsObject(Nothing)", "Boolean:True"},
        {"IsObject(1)", "Boolean:False"},
        {"IsDate(\"1/2/2003\")", "Boolean:True"},
        {"IsDate(\"x\")", "Boolean:False"},
        {"UBound(Array(1, 2, 3))", "Long:2"},
        {"LBound(Array(1, 2, 3))", "Long:0"},
        {"UBound(Array())", "Long:-1"},
        {"Array(1, \"b\")(1)", "String:b"},
    });
    checkErrors({
        {"UBound(1)", 13},
        {"UBound(Array(1), 2)", 9},
    });
}

TEST(Builtins, DatesFromTheFixedClock)
{
    checkExpressions({
        {"Now", "Date:12/10/2026 1:05:09 PM"},
        {"Date", "Date:12/10/2026"},
        {"Time", "Date:1:05:09 PM"},
        {"Year(Now) & \"-\" & Month(Now) & \"-\" & Day(Now)", "String:2026-12-10"},
        {"Hour(Now) & \":\" & Minute(Now) & \":\" & Second(Now)", "String:13:5:9"},
        {"Weekday(Now)", "Integer:5"},
        {"WeekdayName(5)", "String:Thursday"},
        {"WeekdayName(5, True)", "String:Thu"},
        {"MonthName(12)", "String:December"},
        {"DateAdd(\"d\", 1, #12/31/2026#)", "Date:1/1/2027"},
        {"DateAdd(\"m\", 1, #1/31/2026#)", "Date:2/28/2026"},
        {"DateDiff(\"d\", #1/1/2026#, #1/31/2026#)", "Long:30"},
        {"DatePart(\"q\", #8/1/2026#) & \"\"", "String:3"},
        // the script engine's DatePart is an Integer, whatever the part
        {"TypeName(DatePart(\"yyyy\", Now))", "String:Integer"},
        {"DatePart(\"yyyy\", Now)", "Integer:2026"},
        {"DatePart(\"y\", #12/31/2026#)", "Integer:365"},
        {"DatePart(\"ww\", Now)", "Integer:50"},
        {"DatePart(\"s\", Now)", "Integer:9"},
        {"VarType(DatePart(\"m\", Now))", "Integer:2"},
        {"IsNull(DatePart(\"d\", Null))", "Boolean:True"},
        {"DateSerial(2026, 13, 1)", "Date:1/1/2027"},
        {"TimeSerial(13, 5, 0)", "Date:1:05:00 PM"},
        {"DateValue(\"2/3/2007 14:05\")", "Date:2/3/2007"},
        {"TimeValue(\"2/3/2007 14:05\")", "Date:2:05:00 PM"},
        {"FormatDateTime(#2/3/2007 14:05:09#, vbShortDate)", "String:2/3/2007"},
        {"FormatDateTime(#2/3/2007 14:05:09#, vbLongDate)", "String:Saturday, February 03, 2007"},
        {"FormatDateTime(#2/3/2007 14:05:09#, vbLongTime)", "String:2:05:09 PM"},
        {"FormatDateTime(#2/3/2007 14:05:09#, vbShortTime)", "String:14:05"},
        {"FormatDateTime(#2/3/2007 14:05:09#)", "String:2/3/2007 2:05:09 PM"},
        {"Timer > 47000", "Boolean:True"},
    });
    checkErrors({
        {"DateAdd(\"x\", 1, Now)", 5},
        {"MonthName(13)", 5},
        {"Year(\"no date\")", 13},
    });
}

TEST(Builtins, NumberFormats)
{
    checkExpressions({
        {"FormatNumber(1234.567)", "String:1,234.57"},
        {"FormatNumber(1234.567, 0)", "String:1,235"},
        {"FormatNumber(0.5, 2, 0)", "String:.50"},
        {"FormatNumber(-1234.5, 1, -1, -1)", "String:(1,234.5)"},
        {"FormatNumber(1234.5, 1, -1, 0, 0)", "String:1234.5"},
        {"FormatCurrency(1234.5)", "String:$1,234.50"},
        {"FormatCurrency(-3)", "String:($3.00)"},
        {"FormatPercent(0.256)", "String:25.60%"},
        {"FormatPercent(0.256, 0)", "String:26%"},
    });
    checkErrors({
        {"FormatNumber(\"abc\")", 13},
        {"FormatNumber(Null)", 13},
    });
}

TEST(Builtins, EngineAndLocale)
{
    checkExpressions({
        {"ScriptEngine", "String:VBScript"},
        {"ScriptEngineMajorVersion >= 5", "Boolean:True"},
        {"GetLocale", "Long:1033"},
        {"SetLocale(1031)", "Long:1033"},
        {"Eval(\"1 + 2\")", "Integer:3"},
    });
    checkErrors({
        {"GetObject(\"x\")", 429},
        {"LoadPicture(\"x.bmp\")", 481},
        {"CreateObject(\"No.SuchClass\")", 429},
        {"Eval(\"1 +\")", 1023},
        {"GetRef(\"NoSuch\")", 5},
        {"Left(\"a\")", 450},
    });
}

TEST(Builtins, MsgBoxAndInputBoxUseTheDialogsService)
{
    dialogs().answer(vb::vbYes).answerInput("typed").cancelInput();
    vbs::ScriptControl sc;
    sc.AddCode("r = MsgBox(\"Continue?\", vbYesNo + vbQuestion, \"Title\")\n"
               "t = InputBox(\"Name?\", \"Ask\", \"def\")\n"
               "c = InputBox(\"Again?\")");
    EXPECT_EQ(show(sc.Eval("r")), "Integer:6");
    EXPECT_EQ(show(sc.Eval("t")), "String:typed");
    EXPECT_EQ(show(sc.Eval("c")), "Empty:");
    ASSERT_EQ(dialogs().boxes().size(), 3u);
    EXPECT_EQ(dialogs().boxes()[0].text, "Continue?");
    EXPECT_EQ(dialogs().boxes()[0].caption, "Title");
    EXPECT_EQ(dialogs().boxes()[0].icon, vb::vbQuestion);
    EXPECT_EQ(dialogs().boxes()[1].defaultText, "def");
}

TEST(Builtins, EveryAdvertisedFunctionExists)
{
    // the script reference lists these 93 names; each must be a built-in
    const char *names[] = {
        "Abs", "Array", "Asc", "Atn", "CBool", "CByte", "CCur", "CDate", "CDbl", "Chr", "CInt", "CLng", "Cos",
        "CreateObject", "CSng", "CStr", "Date", "DateAdd", "DateDiff", "DatePart", "DateSerial", "DateValue", "Day",
        "Eval", "Exp", "Filter", "Fix", "FormatCurrency", "FormatDateTime", "FormatNumber", "FormatPercent",
        "GetLocale", "GetObject", "GetRef", "Hex", "Hour", "InputBox", "InStr", "InStrRev", "Int", "IsArray",
        "IsDate", "IsEmpty", "IsNull", "IsNumeric", "IsObject", "Join", "LBound", "LCase", "Left", "Len",
        "LoadPicture", "Log", "LTrim", "Mid", "Minute", "Month", "MonthName", "MsgBox", "Now", "Oct", "Replace",
        "RGB", "Right", "Rnd", "Round", "RTrim", "ScriptEngine", "ScriptEngineBuildVersion",
        "ScriptEngineMajorVersion", "ScriptEngineMinorVersion", "Second", "SetLocale", "Sgn", "Sin", "Space",
        "Split", "Sqr", "StrComp", "String", "StrReverse", "Tan", "Time", "Timer", "TimeSerial", "TimeValue",
        "Trim", "UBound", "UCase", "VarType", "Weekday", "WeekdayName", "Year"};
    EXPECT_EQ(std::size(names), 93u);
    const auto all = vbs::builtinNames();
    for (const char *n : names)
        EXPECT_NE(std::find(all.begin(), all.end(), QString::fromLatin1(n)), all.end()) << n;
}
