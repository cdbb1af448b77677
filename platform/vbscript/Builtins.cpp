// The built-in functions and constants of the language. The work is done by
// the runtime layer (conversions, dates, strings, Format, dialogs, the class
// registry); this file maps the script's arguments onto it with the classic
// Null, Empty and error rules.

#include "Engine.h"
#include "Lexer.h"
#include "Objects.h"
#include "BuiltinText.h"
#include "ScriptControl.h"

#include "com/ClassRegistry.h"
#include "vb/Clock.h"
#include "vb/Conversions.h"
#include "vb/DateTime.h"
#include "vb/Dialogs.h"

#include <cmath>
#include <cstring>

namespace vbs {

using vb::Variant;
using vb::VarType;
using Args = std::span<Variant>;

namespace {

bool given(const Args &a, size_t i) { return i < a.size() && !a[i].isMissing(); }

// Numbers for math functions: Empty is 0, text is parsed, Null propagates (checked by the caller).
double num(const Variant &v) { return v.toDouble(); }

Variant checkedDouble(double d)
{
    if (!std::isfinite(d))
        vb::raise(6);
    return Variant(d);
}

vb::FirstDayOfWeek firstDay(const Args &a, size_t i)
{
    if (!given(a, i))
        return vb::FirstDayOfWeek::Sunday;
    const int v = a[i].toLong();
    if (v < 0 || v > 7)
        vb::raise(5);
    return v == 0 ? vb::FirstDayOfWeek::Sunday : vb::FirstDayOfWeek(v);
}

vb::FirstWeekOfYear firstWeek(const Args &a, size_t i)
{
    if (!given(a, i))
        return vb::FirstWeekOfYear::Jan1;
    const int v = a[i].toLong();
    if (v < 0 || v > 3)
        vb::raise(5);
    return v == 0 ? vb::FirstWeekOfYear::Jan1 : vb::FirstWeekOfYear(v);
}

const vb::SafeArray &arrayArg(const Variant &v)
{
    if (!v.isArray())
        vb::raise(13);
    return *v.rawArray();
}

// Int and Fix keep Integer and Long as they are; other numbers become Double
// (Currency and Date keep their subtype as the classic functions do).
Variant intFix(const Variant &v, bool floorIt)
{
    switch (v.type()) {
    case VarType::Null: return Variant::null();
    case VarType::Empty: return Variant(int16_t(0));
    case VarType::Integer: case VarType::Long: case VarType::Byte: return v;
    case VarType::Boolean: return Variant(int16_t(v.rawInt()));
    case VarType::Currency: {
        const double d = double(v.rawInt()) / 10000.0;
        return Variant::fromCurrencyValue(floorIt ? std::floor(d) : std::trunc(d));
    }
    case VarType::Date: {
        const double d = v.rawDouble();
        return Variant::fromDate(floorIt ? std::floor(d) : std::trunc(d));
    }
    case VarType::Single: {
        const float d = float(v.rawDouble());
        return Variant(floorIt ? std::floor(d) : std::trunc(d));
    }
    default: {
        const double d = v.toDouble();
        return Variant(floorIt ? std::floor(d) : std::trunc(d));
    }
    }
}

// The classic 24-bit generator: Rnd(negative) reseeds from the number's
// bits, Rnd(0) gives the generator's state (the last value, or before any
// step the starting state the classic engine also shows), anything else
// steps.
Variant fnRnd(Frame &f, Args a)
{
    Engine &e = *f.eng;
    float x = 1;
    if (given(a, 0)) {
        if (a[0].isNull())
            vb::raise(94);
        x = a[0].toSingle();
    }
    if (x == 0)
        return Variant(float(double(e.rndSeed) / 16777216.0));
    if (x < 0) {
        uint32_t bits;
        std::memcpy(&bits, &x, sizeof bits);
        e.rndSeed = ((bits & 0xFFFFFFu) + (bits >> 24)) & 0xFFFFFFu;
    }
    e.rndSeed = (e.rndSeed * 0x43FD43FDu + 0xC39EC3u) & 0xFFFFFFu;
    return Variant(float(double(e.rndSeed) / 16777216.0));
}

Variant fnRound(Frame &, Args a)
{
    const Variant &v = a[0];
    if (v.isNull())
        return Variant::null();
    const int places = given(a, 1) ? a[1].toLong() : 0;
    if (places < 0)
        vb::raise(5);
    if (v.type() == VarType::Integer || v.type() == VarType::Long || v.type() == VarType::Byte)
        return v;
    if (v.isEmpty())
        return Variant(int16_t(0));
    if (v.type() == VarType::Boolean)
        return v;
    const double d = v.toDouble();
    const double scale = std::pow(10.0, places);
    double r = places == 0 ? std::nearbyint(d) : std::nearbyint(d * scale) / scale;
    if (places > 0 && !std::isfinite(r))
        r = d;
    if (v.type() == VarType::Currency)
        return Variant::fromCurrencyValue(r);
    if (v.type() == VarType::Single)
        return Variant(float(r));
    if (v.type() == VarType::Date)
        return Variant::fromDate(r);
    return Variant(r);
}

Variant fnAbs(Frame &, Args a)
{
    const Variant &v = a[0];
    switch (v.type()) {
    case VarType::Null: return Variant::null();
    case VarType::Empty: return Variant(int16_t(0));
    case VarType::Integer:
        return v.rawInt() == -32768 ? Variant(int32_t(32768)) : Variant(int16_t(std::abs(v.rawInt())));
    case VarType::Long:
        return v.rawInt() == INT32_MIN ? Variant(2147483648.0) : Variant(int32_t(std::abs(v.rawInt())));
    case VarType::Boolean: return Variant(int16_t(v.rawInt() ? 1 : 0));
    case VarType::Byte: return v;
    case VarType::Currency: return Variant::fromCurrency(std::llabs(v.rawInt()));
    case VarType::Single: return Variant(std::fabs(float(v.rawDouble())));
    case VarType::Date: return Variant::fromDate(std::fabs(v.rawDouble()));
    default: return Variant(std::fabs(v.toDouble()));
    }
}

Variant fnSgn(Frame &, Args a)
{
    if (a[0].isNull())
        vb::raise(94);
    const double d = a[0].toDouble();
    return Variant(int16_t(d > 0 ? 1 : d < 0 ? -1 : 0));
}

template<double (*F)(double)>
Variant mathFn(Frame &, Args a)
{
    if (a[0].isNull())
        return Variant::null();
    return checkedDouble(F(num(a[0])));
}

Variant fnLog(Frame &, Args a)
{
    if (a[0].isNull())
        return Variant::null();
    const double d = num(a[0]);
    if (d <= 0)
        vb::raise(5);
    return Variant(std::log(d));
}

Variant fnSqr(Frame &, Args a)
{
    if (a[0].isNull())
        return Variant::null();
    const double d = num(a[0]);
    if (d < 0)
        vb::raise(5);
    return Variant(std::sqrt(d));
}

Variant fnTan(Frame &, Args a)
{
    if (a[0].isNull())
        return Variant::null();
    return checkedDouble(std::tan(num(a[0])));
}

Variant fnRgb(Frame &, Args a)
{
    int32_t c[3];
    for (int i = 0; i < 3; ++i) {
        const int32_t v = a[i].toLong();
        if (v < 0)
            vb::raise(5);
        c[i] = std::min(v, 255);
    }
    return Variant(int32_t(c[0] + c[1] * 256 + c[2] * 65536));
}

// ---- conversions --------------------------------------------------------------------

Variant nullGuard(const Variant &v)
{
    if (v.isNull())
        vb::raise(94);
    return v;
}

Variant fnCBool(Frame &, Args a)
{
    bool b;
    if (a[0].isString() && boolText(a[0].rawString(), &b))
        return Variant(b);
    return Variant(vb::CBool(nullGuard(a[0])));
}
Variant fnCByte(Frame &, Args a)
{
    if (a[0].type() == VarType::Boolean)
        return Variant(uint8_t(a[0].rawInt() ? 255 : 0)); // True is all bits set
    return Variant(vb::CByte(nullGuard(a[0])));
}
Variant fnCCur(Frame &, Args a) { return vb::CCur(nullGuard(a[0])); }
// Number text that is no date text ("1", "2.5") is the date of that number.
Variant fnCDate(Frame &, Args a)
{
    const Variant &v = nullGuard(a[0]);
    double d;
    if (v.isString() && !vb::IsDate(v) && vb::parseNumber(v.rawString(), &d))
        return vb::CDate(Variant(d));
    return vb::CDate(v);
}
Variant fnCDbl(Frame &, Args a) { return Variant(vb::CDbl(nullGuard(a[0]))); }
Variant fnCInt(Frame &, Args a) { return Variant(vb::CInt(nullGuard(a[0]))); }
Variant fnCLng(Frame &, Args a) { return Variant(vb::CLng(nullGuard(a[0]))); }
Variant fnCSng(Frame &, Args a) { return Variant(vb::CSng(nullGuard(a[0]))); }
Variant fnCStr(Frame &, Args a) { return Variant(vb::CStr(nullGuard(a[0]))); }

// ---- type information ---------------------------------------------------------------

Variant fnIsArray(Frame &, Args a) { return Variant(a[0].isArray()); }
// The value an Is... function looks at: an object's default value; false
// when there is no object (Nothing) or it has no default member, which these
// functions answer with False instead of an error.
bool inspected(const Variant &v, Variant *out)
{
    if (!v.isObject()) {
        *out = v;
        return true;
    }
    if (v.isNothing())
        return false;
    try {
        *out = defaultValue(v);
    } catch (const vb::VbError &e) {
        if (e.number == 438 || e.number == 91)
            return false;
        throw;
    }
    return true;
}

Variant fnIsDate(Frame &, Args a)
{
    Variant v;
    return Variant(inspected(a[0], &v) && vb::IsDate(v));
}
Variant fnIsEmpty(Frame &, Args a)
{
    Variant v;
    return Variant(inspected(a[0], &v) && v.isEmpty());
}
Variant fnIsNull(Frame &, Args a)
{
    Variant v;
    return Variant(inspected(a[0], &v) && v.isNull());
}
Variant fnIsNumeric(Frame &, Args a)
{
    Variant v;
    return Variant(inspected(a[0], &v) && vb::IsNumeric(v));
}
Variant fnIsObject(Frame &, Args a) { return Variant(a[0].isObject()); }

Variant fnTypeName(Frame &, Args a) { return Variant(a[0].typeName()); }

Variant fnVarType(Frame &, Args a)
{
    const Variant &v = a[0];
    if (v.isObject() && !v.isNothing()) {
        // an object with a default value reports that value's type
        try {
            return Variant(int16_t(defaultValue(v).varType()));
        } catch (const vb::VbError &) {
            return Variant(int16_t(9));
        }
    }
    return Variant(int16_t(v.varType()));
}

// ---- arrays ---------------------------------------------------------------------------

Variant fnArray(Frame &, Args a)
{
    auto arr = std::make_shared<vb::SafeArray>();
    arr->bounds.push_back({0, int32_t(a.size())});
    for (auto &v : a)
        arr->data.push_back(v.isMissing() ? Variant() : v);
    return Variant(std::move(arr));
}

Variant fnLBound(Frame &, Args a)
{
    const vb::SafeArray &arr = arrayArg(a[0]);
    return Variant(int32_t(arr.lbound(given(a, 1) ? a[1].toLong() : 1)));
}

Variant fnUBound(Frame &, Args a)
{
    const vb::SafeArray &arr = arrayArg(a[0]);
    return Variant(int32_t(arr.ubound(given(a, 1) ? a[1].toLong() : 1)));
}

// ---- dates ------------------------------------------------------------------------------

Variant fnNow(Frame &, Args) { return vb::Now(); }
Variant fnDate(Frame &, Args) { return vb::Date(); }
Variant fnTime(Frame &, Args) { return vb::Time(); }
Variant fnTimer(Frame &, Args) { return Variant(float(vb::Timer())); }

QString intervalArg(const Variant &v)
{
    if (v.isNull())
        vb::raise(94);
    return v.toString();
}

Variant fnDateAdd(Frame &, Args a)
{
    if (a[2].isNull())
        return Variant::null();
    return vb::DateAdd(intervalArg(a[0]), nullGuard(a[1]).toDouble(), a[2]);
}

Variant fnDateDiff(Frame &, Args a)
{
    return vb::DateDiff(intervalArg(a[0]), a[1], a[2], firstDay(a, 3), firstWeek(a, 4));
}

// The script engine's DatePart gives an Integer (every part fits in one).
Variant fnDatePart(Frame &, Args a)
{
    const Variant part = vb::DatePart(intervalArg(a[0]), a[1], firstDay(a, 2), firstWeek(a, 3));
    return part.isNull() ? part : Variant(part.toInteger());
}

Variant fnDateSerial(Frame &, Args a) { return vb::DateSerial(nullGuard(a[0]), nullGuard(a[1]), nullGuard(a[2])); }
Variant fnTimeSerial(Frame &, Args a) { return vb::TimeSerial(nullGuard(a[0]), nullGuard(a[1]), nullGuard(a[2])); }
Variant fnDateValue(Frame &, Args a) { return vb::DateValue(a[0]); }
Variant fnTimeValue(Frame &, Args a) { return vb::TimeValue(a[0]); }
Variant fnYear(Frame &, Args a) { return vb::Year(a[0]); }
Variant fnMonth(Frame &, Args a) { return vb::Month(a[0]); }
Variant fnDay(Frame &, Args a) { return vb::Day(a[0]); }
Variant fnHour(Frame &, Args a) { return vb::Hour(a[0]); }
Variant fnMinute(Frame &, Args a) { return vb::Minute(a[0]); }
Variant fnSecond(Frame &, Args a) { return vb::Second(a[0]); }
Variant fnWeekday(Frame &, Args a) { return vb::Weekday(a[0], firstDay(a, 1)); }

Variant fnWeekdayName(Frame &, Args a)
{
    const int n = nullGuard(a[0]).toLong();
    if (n < 1 || n > 7)
        vb::raise(5);
    return Variant(vb::WeekdayName(n, given(a, 1) && a[1].toBool(), firstDay(a, 2)));
}

Variant fnMonthName(Frame &, Args a)
{
    if (given(a, 1))
        nullGuard(a[1]);
    const int n = nullGuard(a[0]).toLong();
    if (n < 1 || n > 12)
        vb::raise(5);
    return Variant(vb::MonthName(n, given(a, 1) && a[1].toBool()));
}

// ---- objects, code and the host ------------------------------------------------------

Variant fnCreateObject(Frame &f, Args a)
{
    const QString progId = nullGuard(a[0]).toString();
    HostCallTimer t(*f.eng);
    return Variant(vb::ObjectPtr(com::CreateObject(progId)));
}

Variant fnGetObject(Frame &, Args)
{
    vb::raise(429, QStringLiteral("GetObject is not supported here"));
}

Variant fnLoadPicture(Frame &, Args)
{
    vb::raise(481, QStringLiteral("LoadPicture is not supported here"));
}

Variant fnEval(Frame &f, Args a)
{
    const QString text = nullGuard(a[0]).toString();
    ExprPtr e;
    try {
        f.eng->compile(text, &f, true, &e);
    } catch (const CompileError &ce) {
        vb::raise(ce.number, ce.description, QStringLiteral("Microsoft VBScript compilation error"));
    }
    return e->eval(f);
}

Variant fnGetRef(Frame &f, Args a)
{
    const QString name = nullGuard(a[0]).toString();
    GlobalEntry *e = f.eng->globals->find(name.toLower());
    if (!e || e->kind != GlobalEntry::Proc)
        vb::raise(5);
    return Variant(vb::ObjectPtr(std::make_shared<ProcRef>(e->proc, f.eng->weak_from_this())));
}

Variant fnMsgBox(Frame &f, Args a)
{
    const QString prompt = a[0].isNull() ? QString() : a[0].toString();
    const int buttons = given(a, 1) ? a[1].toLong() : 0;
    const QString title = given(a, 2) && !a[2].isNull() ? a[2].toString() : QString();
    HostCallTimer t(*f.eng);
    return Variant(int16_t(vb::MsgBox(prompt, buttons, title)));
}

Variant fnInputBox(Frame &f, Args a)
{
    vb::InputBoxRequest r;
    r.prompt = a[0].isNull() ? QString() : a[0].toString();
    if (given(a, 1) && !a[1].isNull())
        r.title = a[1].toString();
    if (given(a, 2) && !a[2].isNull())
        r.defaultText = a[2].toString();
    HostCallTimer t(*f.eng);
    std::optional<QString> answer = vb::dialogService().inputBox(r);
    if (!answer)
        return Variant(); // cancelled: Empty, as the classic function returns
    return Variant(*answer);
}

Variant fnGetLocale(Frame &, Args) { return Variant(int32_t(1033)); }

// Text and dates are always in the US forms here, so the locale stays 1033;
// SetLocale answers the current one as the classic function does.
Variant fnSetLocale(Frame &, Args) { return Variant(int32_t(1033)); }

Variant fnScriptEngine(Frame &, Args) { return Variant("VBScript"); }
Variant fnScriptEngineMajor(Frame &, Args) { return Variant(int32_t(5)); }
Variant fnScriptEngineMinor(Frame &, Args) { return Variant(int32_t(8)); }
Variant fnScriptEngineBuild(Frame &, Args) { return Variant(int32_t(16384)); }

#define RAW true
#define VAL false
const Builtin kBuiltins[] = {
    {"Abs", 1, 1, VAL, fnAbs},
    {"Array", 0, 1 << 20, RAW, fnArray},
    {"Asc", 1, 1, VAL, fnAsc},
    {"Atn", 1, 1, VAL, mathFn<std::atan>},
    {"CBool", 1, 1, VAL, fnCBool, true},
    {"CByte", 1, 1, VAL, fnCByte, true},
    {"CCur", 1, 1, VAL, fnCCur, true},
    {"CDate", 1, 1, VAL, fnCDate, true},
    {"CDbl", 1, 1, VAL, fnCDbl, true},
    {"Chr", 1, 1, VAL, fnChr},
    {"ChrW", 1, 1, VAL, fnChrW},
    {"AscW", 1, 1, VAL, fnAscW},
    {"CInt", 1, 1, VAL, fnCInt, true},
    {"CLng", 1, 1, VAL, fnCLng, true},
    {"Cos", 1, 1, VAL, mathFn<std::cos>},
    {"CreateObject", 1, 2, VAL, fnCreateObject},
    {"CSng", 1, 1, VAL, fnCSng, true},
    {"CStr", 1, 1, VAL, fnCStr, true},
    {"Date", 0, 0, VAL, fnDate},
    {"DateAdd", 3, 3, VAL, fnDateAdd},
    {"DateDiff", 3, 5, VAL, fnDateDiff},
    {"DatePart", 2, 4, VAL, fnDatePart},
    {"DateSerial", 3, 3, VAL, fnDateSerial},
    {"DateValue", 1, 1, VAL, fnDateValue},
    {"Day", 1, 1, VAL, fnDay},
    {"Eval", 1, 1, VAL, fnEval},
    {"Exp", 1, 1, VAL, mathFn<std::exp>},
    {"Filter", 2, 4, RAW, fnFilter},
    {"Fix", 1, 1, VAL, [](Frame &, Args a) { return intFix(a[0], false); }},
    {"FormatCurrency", 1, 5, VAL, fnFormatCurrency},
    {"FormatDateTime", 1, 2, VAL, fnFormatDateTime},
    {"FormatNumber", 1, 5, VAL, fnFormatNumber},
    {"FormatPercent", 1, 5, VAL, fnFormatPercent},
    {"GetLocale", 0, 0, VAL, fnGetLocale},
    {"GetObject", 0, 2, VAL, fnGetObject},
    {"GetRef", 1, 1, VAL, fnGetRef},
    {"Hex", 1, 1, VAL, fnHex},
    {"Hour", 1, 1, VAL, fnHour},
    {"InputBox", 1, 7, VAL, fnInputBox},
    {"InStr", 2, 4, VAL, fnInStr},
    {"InStrRev", 2, 4, VAL, fnInStrRev},
    {"Int", 1, 1, VAL, [](Frame &, Args a) { return intFix(a[0], true); }},
    {"IsArray", 1, 1, RAW, fnIsArray},
    {"IsDate", 1, 1, RAW, fnIsDate},
    {"IsEmpty", 1, 1, RAW, fnIsEmpty},
    {"IsNull", 1, 1, RAW, fnIsNull},
    {"IsNumeric", 1, 1, RAW, fnIsNumeric},
    {"IsObject", 1, 1, RAW, fnIsObject},
    {"Join", 1, 2, RAW, fnJoin},
    {"LBound", 1, 2, RAW, fnLBound},
    {"LCase", 1, 1, VAL, fnLCase},
    {"Left", 2, 2, VAL, fnLeft},
    {"Len", 1, 1, VAL, fnLen},
    {"LoadPicture", 0, 1, VAL, fnLoadPicture},
    {"Log", 1, 1, VAL, fnLog},
    {"LTrim", 1, 1, VAL, fnLTrim},
    {"Mid", 2, 3, VAL, fnMid},
    {"Minute", 1, 1, VAL, fnMinute},
    {"Month", 1, 1, VAL, fnMonth},
    {"MonthName", 1, 2, VAL, fnMonthName},
    {"MsgBox", 1, 5, VAL, fnMsgBox},
    {"Now", 0, 0, VAL, fnNow},
    {"Oct", 1, 1, VAL, fnOct},
    {"Replace", 3, 6, VAL, fnReplace},
    {"RGB", 3, 3, VAL, fnRgb},
    {"Right", 2, 2, VAL, fnRight},
    {"Rnd", 0, 1, VAL, fnRnd},
    {"Round", 1, 2, VAL, fnRound},
    {"RTrim", 1, 1, VAL, fnRTrim},
    {"ScriptEngine", 0, 0, VAL, fnScriptEngine},
    {"ScriptEngineBuildVersion", 0, 0, VAL, fnScriptEngineBuild},
    {"ScriptEngineMajorVersion", 0, 0, VAL, fnScriptEngineMajor},
    {"ScriptEngineMinorVersion", 0, 0, VAL, fnScriptEngineMinor},
    {"Second", 1, 1, VAL, fnSecond},
    {"SetLocale", 0, 1, VAL, fnSetLocale},
    {"Sgn", 1, 1, VAL, fnSgn},
    {"Sin", 1, 1, VAL, mathFn<std::sin>},
    {"Space", 1, 1, VAL, fnSpace},
    {"Split", 1, 4, VAL, fnSplit},
    {"Sqr", 1, 1, VAL, fnSqr},
    {"StrComp", 2, 3, VAL, fnStrComp},
    {"String", 2, 2, VAL, fnString},
    {"StrReverse", 1, 1, VAL, fnStrReverse},
    {"Tan", 1, 1, VAL, fnTan},
    {"Time", 0, 0, VAL, fnTime},
    {"Timer", 0, 0, VAL, fnTimer},
    {"TimeSerial", 3, 3, VAL, fnTimeSerial},
    {"TimeValue", 1, 1, VAL, fnTimeValue},
    {"Trim", 1, 1, VAL, fnTrim},
    {"TypeName", 1, 1, RAW, fnTypeName},
    {"UBound", 1, 2, RAW, fnUBound},
    {"UCase", 1, 1, VAL, fnUCase},
    {"VarType", 1, 1, RAW, fnVarType},
    {"Weekday", 1, 2, VAL, fnWeekday},
    {"WeekdayName", 1, 3, VAL, fnWeekdayName},
    {"Year", 1, 1, VAL, fnYear},
};

} // namespace

const Builtin *randomizeAsValue()
{
    static const Builtin b = {"Randomize", 0, 1, VAL, [](Frame &, Args) -> Variant { vb::raise(13); }};
    return &b;
}

const Builtin *findBuiltin(const QString &lowerName)
{
    static const QHash<QString, const Builtin *> table = [] {
        QHash<QString, const Builtin *> t;
        for (const Builtin &b : kBuiltins)
            t.insert(QString::fromLatin1(b.name).toLower(), &b);
        return t;
    }();
    return table.value(lowerName, nullptr);
}

std::vector<QString> builtinNames()
{
    std::vector<QString> names;
    for (const Builtin &b : kBuiltins)
        names.push_back(QString::fromLatin1(b.name));
    return names;
}

bool builtinConstant(const QString &lowerName, Variant *value)
{
    static const QHash<QString, Variant> table = [] {
        QHash<QString, Variant> t;
        auto i16 = [](int v) { return Variant(int16_t(v)); };
        auto i32 = [](int32_t v) { return Variant(v); };
        t.insert("vbcr", Variant("\r"));
        t.insert("vblf", Variant("\n"));
        t.insert("vbcrlf", Variant("\r\n"));
        t.insert("vbnewline", Variant("\r\n"));
        t.insert("vbtab", Variant("\t"));
        t.insert("vbformfeed", Variant("\f"));
        t.insert("vbverticaltab", Variant("\v"));
        t.insert("vbnullstring", Variant(QString()));
        t.insert("vbnullchar", Variant(QString(QChar(0))));
        t.insert("vbtrue", i16(-1));
        t.insert("vbfalse", i16(0));
        t.insert("vbusedefault", i16(-2));
        t.insert("vbbinarycompare", i16(0));
        t.insert("vbtextcompare", i16(1));
        t.insert("vbdatabasecompare", i16(2));
        const char *types[] = {"vbempty", "vbnull", "vbinteger", "vblong", "vbsingle", "vbdouble", "vbcurrency",
                               "vbdate", "vbstring", "vbobject", "vberror", "vbboolean", "vbvariant", "vbdataobject", "vbdecimal"};
        for (int i = 0; i < 15; ++i)
            t.insert(types[i], i16(i));
        t.insert("vbbyte", i16(17));
        t.insert("vbarray", i16(8192));
        const std::pair<const char *, int> box[] = {
            {"vbokonly", 0}, {"vbokcancel", 1}, {"vbabortretryignore", 2}, {"vbyesnocancel", 3}, {"vbyesno", 4},
            {"vbretrycancel", 5}, {"vbcritical", 16}, {"vbquestion", 32}, {"vbexclamation", 48}, {"vbinformation", 64},
            {"vbdefaultbutton1", 0}, {"vbdefaultbutton2", 256}, {"vbdefaultbutton3", 512}, {"vbdefaultbutton4", 768},
            {"vbapplicationmodal", 0}, {"vbsystemmodal", 4096}, {"vbok", 1}, {"vbcancel", 2}, {"vbabort", 3},
            {"vbretry", 4}, {"vbignore", 5}, {"vbyes", 6}, {"vbno", 7},
            {"vbusesystemdayofweek", 0}, {"vbsunday", 1}, {"vbmonday", 2}, {"vbtuesday", 3}, {"vbwednesday", 4},
            {"vbthursday", 5}, {"vbfriday", 6}, {"vbsaturday", 7}, {"vbusesystem", 0}, {"vbfirstjan1", 1},
            {"vbfirstfourdays", 2}, {"vbfirstfullweek", 3}, {"vbgeneraldate", 0}, {"vblongdate", 1},
            {"vbshortdate", 2}, {"vblongtime", 3}, {"vbshorttime", 4}};
        for (auto &b : box)
            t.insert(b.first, i16(b.second));
        t.insert("vbmsgboxhelpbutton", i32(16384));
        t.insert("vbmsgboxsetforeground", i32(65536));
        t.insert("vbmsgboxright", i32(524288));
        t.insert("vbmsgboxrtlreading", i32(1048576));
        t.insert("vbblack", i32(0));
        t.insert("vbred", i32(0xFF));
        t.insert("vbgreen", i32(0xFF00));
        t.insert("vbyellow", i32(0xFFFF));
        t.insert("vbblue", i32(0xFF0000));
        t.insert("vbmagenta", i32(0xFF00FF));
        t.insert("vbcyan", i32(0xFFFF00));
        t.insert("vbwhite", i32(0xFFFFFF));
        t.insert("vbobjecterror", i32(int32_t(0x80040000u)));
        return t;
    }();
    auto it = table.constFind(lowerName);
    if (it == table.constEnd())
        return false;
    *value = *it;
    return true;
}

} // namespace vbs
