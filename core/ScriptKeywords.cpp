#include "core/ScriptKeywords.h"

namespace core {

const QStringList &varFunctionNames()
{
    static const QStringList names{
        "Abs", "Array", "Asc", "Atn", "CBool", "CByte", "CCur", "CDate", "CDbl", "Chr", "CInt", "CLng",
        "Cos", "CreateObject", "CSng", "CStr", "Date", "DateAdd", "DateDiff", "DatePart", "DateSerial",
        "DateValue", "Day", "Eval", "Exp", "Filter", "Fix", "FormatCurrency", "FormatDateTime",
        "FormatNumber", "FormatPercent", "GetLocale", "GetObject", "GetRef", "Hex", "Hour", "InputBox",
        "InStr", "InStrRev", "Int", "IsArray", "IsDate", "IsEmpty", "IsNull", "IsNumeric", "IsObject",
        "Join", "LBound", "LCase", "Left", "Len", "LoadPicture", "Log", "LTrim", "Mid", "Minute", "Month",
        "MonthName", "MsgBox", "Now", "Oct", "Replace", "RGB", "Right", "Rnd", "Round", "RTrim",
        "ScriptEngine", "ScriptEngineBuildVersion", "ScriptEngineMajorVersion", "ScriptEngineMinorVersion",
        "Second", "SetLocale", "Sgn", "Sin", "Space", "Split", "Sqr", "StrComp", "String", "StrReverse",
        "Tan", "Time", "Timer", "TimeSerial", "TimeValue", "Trim", "UBound", "UCase", "VarType", "Weekday",
        "WeekdayName", "Year"};
    return names;
}

const QStringList &varStatementNames()
{
    static const QStringList names{
        "Call", "Class ... End Class", "Const", "Dim", "Do ... Loop", "Erase", "Execute", "Exit",
        "For ... Next", "For Each ... Next", "Function", "If", "On Error", "Option Explicit", "Private",
        "Property Get", "Property Let", "Property Set", "Public", "Randomize", "ReDim", "Rem",
        "Select Case", "Set", "Sub", "While", "With ... End With"};
    return names;
}

const QStringList &varOperatorNames()
{
    static const QStringList names{"And", "Eqv", "Imp", "Is", "Mod", "Not", "Or", "Xor", "=", "<", ">",
                                   "<=", ">=", "<>", "+", "&", "-", "/", "\\", "*", "^"};
    return names;
}

} // namespace core
