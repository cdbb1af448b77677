// Where user scripts meet the engine, it behaves as the classic engine does:
// errors on Nothing, the Is... functions, Err's texts, On Error Resume Next
// around loop headers, the For Each variable, constants, parsing, literal
// types, argument errors and conversions. Each case runs a snippet in a
// fresh control and reads `r` (or the error the snippet raised).

#include "ScriptTestSupport.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using vb::Variant;
using namespace vbstest;

namespace {

struct Case {
    const char *code;
    const char *expected; // show() of r afterwards, or "error N"
};

std::string outcome(const QString &code)
{
    vbs::ScriptControl sc;
    try {
        sc.AddCode(code);
    } catch (const vb::VbError &e) {
        return "error " + std::to_string(e.number);
    }
    return show(sc.Eval("r"));
}

void checkCases(const std::vector<Case> &cases)
{
    for (const auto &c : cases)
        EXPECT_EQ(outcome(QString::fromUtf8(c.code)), c.expected) << c.code;
}

const char *kClass = "Class K\nPublic Prop\nPublic Child\nSub Foo(): End Sub\nEnd Class\n";

} // namespace

TEST(ClassicFidelity, MembersOfNothingRequireAnObject)
{
    const std::string k = kClass;
    const std::vector<std::string> codes = {
        "Set o = Nothing\no.Foo",
        "Set o = Nothing\nx = o.Foo",
        "Set o = Nothing\no.Foo = 1",
        "Set o = Nothing\nSet o.Child = Nothing",
        "With Nothing\n.Prop = 1\nEnd With",
        "Set o = New K\nSet o.Child = Nothing\no.Child.Prop = 1",
        "Dim o\no.Foo",
    };
    for (const auto &c : codes)
        EXPECT_EQ(outcome(QString::fromStdString(k + c)), "error 424") << c;
    // scripts see the classic text alone; the host's message names the variable
    vbs::ScriptControl sc;
    sc.AddCode("On Error Resume Next\nSet o = Nothing\no.Foo\nr = Err.Number & \"|\" & Err.Description & \"|\" & Err.Source");
    EXPECT_EQ(sc.Eval("r").toString().toStdString(), "424|Object required|Microsoft VBScript runtime error");
    EXPECT_THROW(sc.AddCode("Set q = Nothing\nq.Foo"), vb::VbError);
    EXPECT_EQ(sc.Error().Description.toStdString(), "Object required: 'q'");
    EXPECT_EQ(sc.Error().Source.toStdString(), "Microsoft VBScript runtime error");
}

TEST(ClassicFidelity, ErrKeepsTheClassicTextAndSource)
{
    checkCases({
        {"Option Explicit\nDim r\nOn Error Resume Next\nx = 1\nr = Err.Description & \"|\" & Err.Source", "String:Variable is undefined|Microsoft VBScript runtime error"},
        {"On Error Resume Next\nNoSuchSub 1\nr = Err.Number & \"|\" & Err.Description", "String:35|Sub or Function not defined"},
        {"On Error Resume Next\nSet o = New NoClass\nr = Err.Number & \"|\" & Err.Description", "String:506|Class not defined"},
        {"On Error Resume Next\nExecute \"x = (\"\nr = Err.Number & \"|\" & Err.Source", "String:1023|Microsoft VBScript compilation error"},
        {"On Error Resume Next\nErr.Raise 5\nr = Err.Source", "String:Microsoft VBScript runtime error"},
    });
    vbs::ScriptControl sc;
    EXPECT_THROW(sc.AddCode("Option Explicit\nx = 1"), vb::VbError);
    EXPECT_EQ(sc.Error().Description.toStdString(), "Variable is undefined: 'x'");
    EXPECT_THROW(sc.AddCode("x = (1"), vb::VbError);
    EXPECT_EQ(sc.Error().Source.toStdString(), "Microsoft VBScript compilation error");
}

TEST(ClassicFidelity, IsFunctionsOfObjectsWithoutAValueAreFalse)
{
    const QString setup = QString::fromUtf8(kClass) +
        "Class D\nPublic Default Property Get V(): V = \"12\": End Property\nEnd Class\n"
        "Set n = Nothing: Set ok = New K: Set od = New D\n";
    checkExpressions({
        {"IsEmpty(n)", "Boolean:False"},
        {"IsNull(n)", "Boolean:False"},
        {"IsDate(n)", "Boolean:False"},
        {"IsNumeric(n)", "Boolean:False"},
        {"IsEmpty(ok)", "Boolean:False"},
        {"IsNull(ok)", "Boolean:False"},
        {"IsDate(ok)", "Boolean:False"},
        {"IsNumeric(ok)", "Boolean:False"},
        // an object with a default member is judged by its value
        {"IsNumeric(od)", "Boolean:True"},
        {"IsEmpty(od)", "Boolean:False"},
        {"IsObject(n)", "Boolean:True"},
    },
                     setup);
}

TEST(ClassicFidelity, FailingLoopHeadersResumeIntoTheBody)
{
    checkCases({
        {"On Error Resume Next\nr = \"\"\nDo While 1 / 0\nr = r & \"in\"\nExit Do\nLoop\nr = r & Err.Number", "String:in11"},
        {"On Error Resume Next\nr = \"\"\nDo Until 1 / 0\nr = r & \"in\"\nExit Do\nLoop\nr = r & Err.Number", "String:in11"},
        // a failing condition at the loop's end goes on after the loop
        {"On Error Resume Next\nr = \"\"\nn = 0\nDo\nn = n + 1\nr = r & n\nLoop While CInt(\"x\") Or n < 3\nr = r & \"/\" & Err.Number", "String:1/13"},
        {"On Error Resume Next\nr = \"\"\nWith CreateObject(\"No.Such\")\nr = r & \"body\"\n.Prop = 1\nr = r & Err.Number\nEnd With", "String:body424"},
        // without Resume Next the header's error stops the code
        {"For i = 1 To \"x\"\nr = 1\nNext", "error 13"},
        {"Select Case 1 / 0\nCase 1: r = 1\nEnd Select", "error 11"},
        {"Select Case 1\nCase 1 / 0: r = 1\nEnd Select", "error 11"},
    });
}

// A For whose start, end or step fails runs its body once with the header's
// error in Err, leaves the counter alone, and its Next then raises 92 (For
// Each: 451); Exit For in that body leaves before the Next.
TEST(ClassicFidelity, ForWithAFailingHeaderEndsAtItsNext)
{
    const char *head = "On Error Resume Next\nr = \"\"\nx = 6\n";
    const std::vector<std::pair<const char *, const char *>> cases = {
        {"For x = CInt(\"a\") To 100\nr = r & \"body\" & Err.Number & \",\" & x & \";\"\nNext", "String:body13,6;92"},
        {"For x = 100 To CInt(\"a\")\nr = r & \"body\" & Err.Number & \",\" & x & \";\"\nNext", "String:body13,6;92"},
        {"For x = 100 To 200 Step CInt(\"a\")\nr = r & \"body\" & Err.Number & \",\" & x & \";\"\nNext", "String:body13,6;92"},
        {"For x = 1 To Null\nr = r & \"body\" & Err.Number & \";\"\nNext", "String:body94;92"},
        {"For x = 1 To \"x\"\nr = r & \"body;\"\nExit For\nNext", "String:body;13"},
        {"For Each x In CInt(\"a\")\nr = r & \"body\" & Err.Number & \",\" & x & \";\"\nNext", "String:body13,6;451"},
        {"For Each x In 5\nr = r & \"body\" & Err.Number & \";\"\nNext", "String:body451;451"},
        {"For Each x In Empty\nr = r & \"body;\"\nExit For\nNext", "String:body;451"},
        // a working loop next to them: no error
        {"For x = 1 To 2\nr = r & x & \";\"\nNext", "String:1;2;0"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(outcome(QString::fromUtf8(head) + c.first + "\nr = r & Err.Number"), c.second) << c.first;
}

// Select Case under Resume Next: a failing subject runs no Case and goes on
// after End Select with Err set; a failing Case test runs that Case's body.
TEST(ClassicFidelity, SelectCaseWithFailingParts)
{
    checkCases({
        {"On Error Resume Next\nr = \"\"\nSelect Case CInt(\"bad\")\nCase True: r = \"true\"\nCase False: r = \"false\"\n"
         "Case Empty: r = \"empty\"\nCase Else: r = \"else\"\nEnd Select\nr = r & \"after\" & Err.Number", "String:after13"},
        {"On Error Resume Next\nr = \"\"\nSelect Case 1 / 0\nCase 1: r = r & \"first\"\nCase 2: r = r & \"second\"\nEnd Select\nr = r & Err.Number", "String:11"},
        {"On Error Resume Next\nr = \"\"\nSelect Case False\nCase True: r = \"true\"\nCase CInt(\"bad\"): r = \"failed case \" & Err.Number\n"
         "Case Else: r = \"else\"\nEnd Select", "String:failed case 13"},
        {"On Error Resume Next\nr = \"\"\nSelect Case 3\nCase 1, 1 / 0, 2: r = \"its body\"\nCase 3: r = \"three\"\nEnd Select", "String:its body"},
        {"On Error Resume Next\nr = \"\"\nSelect Case 3\nCase 1 To 1 / 0: r = \"range\"\nCase 3: r = \"three\"\nEnd Select", "String:range"},
        // inside loops the Case's Exit For leaves the loop it belongs to
        {"On Error Resume Next\nr = \"\"\nFor x = 1 To 1\nFor Each y In Array(1, 2)\nr = r & y\nSelect Case 3\nCase 1: r = r & \"one\"\n"
         "Case CInt(\"bad\"): Exit For\nCase 2: r = r & \"two\"\nEnd Select\nNext\nr = r & \"|\"\nNext\nr = r & Err.Number", "String:1|13"},
        // working neighbours
        {"r = \"\"\nSelect Case 2\nCase 1: r = \"one\"\nCase 2: r = \"two\"\nEnd Select", "String:two"},
        {"On Error Resume Next\nr = \"\"\nSelect Case 5\nCase 1: r = \"one\"\nCase Else: r = \"else\" & Err.Number\nEnd Select", "String:else0"},
    });
}

TEST(ClassicFidelity, ForEachLeavesItsVariableEmpty)
{
    checkCases({
        {"For Each v In Array(1, 2, 3)\nn = n + v\nNext\nr = IsEmpty(v) & n", "String:True6"},
        {"For Each v In Array(1, 2, 3)\nIf v = 2 Then Exit For\nNext\nr = v", "Integer:2"},
        {"v = 7\nFor Each v In Array()\nNext\nr = IsEmpty(v)", "Boolean:True"},
        {"Dim r\nSub S()\nDim v\nFor Each v In Array(\"a\")\nNext\nr = IsEmpty(v)\nEnd Sub\nS", "Boolean:True"},
    });
}

TEST(ClassicFidelity, ClassicConstantsExist)
{
    checkExpressions({
        {"vbMsgBoxHelpButton", "Long:16384"},
        {"vbMsgBoxSetForeground", "Long:65536"},
        {"vbMsgBoxRight", "Long:524288"},
        {"vbMsgBoxRtlReading", "Long:1048576"},
        {"vbDatabaseCompare", "Integer:2"},
    });
}

TEST(ClassicFidelity, FileSystemObjectMembersScriptsCommonlyCall)
{
    const QString dir = corvantis::test::tempDir();
    vbs::ScriptControl sc;
    sc.AddCode(QStringLiteral("base = \"%1\"").arg(dir));
    sc.AddCode(R"(
Set fso = CreateObject("Scripting.FileSystemObject")
fso.CreateFolder base & "/tree"
fso.CreateFolder base & "/tree/sub"
Set f = fso.CreateTextFile(base & "/tree/sub/a.txt")
f.WriteLine "first"
f.Write "ab"
r = f.Line & "," & f.Column
f.WriteLine "cd"
f.Write "last"
f.Close
fso.CopyFile base & "/tree/sub/a.txt", base & "/copy.txt"
fso.MoveFile base & "/copy.txt", base & "/moved.dat"
Set t = fso.OpenTextFile(base & "/moved.dat")
t.SkipLine
r = r & "|" & t.Line & "," & t.Column
t.Skip 2
r = r & "|" & t.Column & "," & t.ReadLine & "|" & t.Line
t.Skip 1
r = r & "|" & t.ReadAll & "|" & t.Column
t.Close
r = r & "|" & fso.GetFileName(base & "/moved.dat") & "," & fso.GetBaseName("x/y.tar.gz") & "," & fso.GetExtensionName("x/y.tar.gz")
r = r & "|" & (fso.GetParentFolderName(base & "/moved.dat") = base) & "," & fso.BuildPath("a", "b.txt")
r = r & "|" & (fso.GetAbsolutePathName(base & "/tree/../moved.dat") = base & "/moved.dat")
fso.DeleteFolder base & "/tree"
r = r & "|" & fso.FolderExists(base & "/tree") & "," & fso.FileExists(base & "/moved.dat")
)");
    EXPECT_EQ(sc.Eval("r").toString().toStdString(),
              "2,3|2,1|3,cd|3|ast|5|moved.dat,y.tar,gz|True,a/b.txt|True|False,True");
    // a missing folder is 76; a read-only file inside keeps the folder unless forced
    EXPECT_EQ(outcome(QStringLiteral("CreateObject(\"Scripting.FileSystemObject\").DeleteFolder \"%1/none\"").arg(dir)), "error 76");
    QDir(dir).mkpath("locked/deep");
    QFile ro(dir + "/locked/deep/ro.txt");
    ASSERT_TRUE(ro.open(QIODevice::WriteOnly));
    ro.close();
    ro.setPermissions(QFileDevice::ReadOwner);
    const QString del = QStringLiteral("CreateObject(\"Scripting.FileSystemObject\").DeleteFolder \"%1/locked\"").arg(dir);
    EXPECT_EQ(outcome(del), "error 70");
    EXPECT_TRUE(QFileInfo::exists(dir + "/locked/deep/ro.txt"));
    EXPECT_EQ(outcome(del + ", True\nr = 1"), "Integer:1");
    EXPECT_FALSE(QFileInfo::exists(dir + "/locked"));
}

TEST(ClassicFidelity, DictionaryAsTheScriptingRuntimeHasIt)
{
    const char *make = "Set d = CreateObject(\"Scripting.Dictionary\")\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"d.Add \"a\", 1\nd.Add \"b\", \"two\"\nd(\"c\") = 3\nr = d.Count & d(\"b\") & d.Item(\"a\") & d.Exists(\"c\") & d.Exists(\"A\")", "String:3two1TrueFalse"},
        {"d.Add \"a\", 1\nd.Add \"a\", 2", "error 457"},
        {"d.Remove \"zz\"", "error 32811"},
        // reading a missing key adds it with Empty
        {"x = d(\"new\")\nr = d.Count & IsEmpty(d(\"new\"))", "String:1True"},
        {"d.Add 1, \"one\"\nd.Add \"1\", \"text one\"\nr = d(1.0) & \"/\" & d(\"1\")", "String:one/text one"},
        {"d.Add \"x\", 1\nd.Add \"y\", 2\nd.Add \"z\", 3\nd.Remove \"y\"\nFor Each k In d\nr = r & k & d(k)\nNext", "String:x1z3"},
        {"d.Add \"x\", 1\nd.Add \"y\", 2\nk = d.Keys\ni = d.Items\nr = Join(k, \",\") & \"|\" & Join(i, \",\") & \"|\" & UBound(k)", "String:x,y|1,2|1"},
        {"d.Add \"x\", 1\nd.Key(\"x\") = \"w\"\nr = d.Exists(\"x\") & d(\"w\")", "String:False1"},
        {"d.Add \"x\", 1\nd.RemoveAll\nr = d.Count", "Long:0"},
        {"d.CompareMode = 1\nd.Add \"Key\", 1\nr = d.Exists(\"KEY\") & d.CompareMode", "String:True1"},
        {"d.Add \"Key\", 1\nd.CompareMode = 1", "error 5"},
        {"Set o = New C\nd.Add o, \"obj\"\nSet d(\"o\") = o\nr = d(o) & TypeName(d(\"o\"))", "String:objC"},
        {"r = TypeName(d)", "String:Dictionary"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(outcome(QString::fromUtf8(make) + "Class C\nEnd Class\n" + QString::fromStdString(c.first)), c.second) << c.first;
}

TEST(ClassicFidelity, ClassicParsingAcceptances)
{
    checkCases({
        {"Stop\nr = 1", "Integer:1"},
        {"Dim r\nIf True Then\nSub Inner(): r = \"hoisted\": End Sub\nEnd If\nInner", "String:hoisted"},
        {"If False Then\nFunction F2(): F2 = 2: End Function\nEnd If\nr = F2()", "Integer:2"},
        {"Dim r\nSub S() r = 5 End Sub\nS", "Integer:5"},
        {"Function F(x) F = x * 2 End Function\nr = F(4)", "Integer:8"},
        {"Dim Property\nProperty = 3\nDefault = 4\nr = Property + Default", "Integer:7"},
        {"Function F(): F = 1: End Function\nFunction F(): F = 2: End Function\nr = F()", "Integer:2"},
        {"r = 1\nIf False Then :\nr = 2", "Integer:2"},
        {"r = (1 >< 2) & (1 >< 1)", "String:TrueFalse"},
        {"hi = \"there\"\nr = \"x\" &hi", "String:xthere"},
        {"r = 1e-94938484", "Double:0"},
        {"Function f(x): f = x + 1: End Function\ncall (((f))) (1)\ny = (f)(2)\nx = Array(7)\nr = y & ((x))(0)", "String:37"},
        {"Class K\nPublic Property\nPublic Default\nFunction M() M = 1 End Function\nProperty Get P() P = 2 End Property\nEnd Class\n"
         "Set o = New K\no.Property = 3: o.Default = 4\nr = o.M() + o.P + o.Property + o.Default", "Integer:10"},
        {"Class K2\nPublic V\nEnd Class\nSet o = New K2: o.V = 9: r = o.V", "Integer:9"},
        {"Class K3\nPublic V End Class\nr = 1", "Integer:1"},
    });
}

TEST(ClassicFidelity, LiteralTypes)
{
    checkExpressions({
        {"&h10&", "Integer:16"},
        {"&hffFFffFF&", "Integer:-1"},
        {"&H8000&", "Long:32768"},
        {"&HFFFF&", "Long:65535"},
        {"-32768", "Long:-32768"},
        {"Hex(-32768)", "String:FFFF8000"},
        {"32767", "Integer:32767"},
        {"-32767", "Integer:-32767"},
    });
}

TEST(ClassicFidelity, ArgumentErrorsAsClassic)
{
    checkCases({
        {"r = IsNull(InStr(2, \"abcd\", Null, 0))", "Boolean:True"},
        {"r = InStr(2, \"abcd\", \"c\", 0)", "Long:3"},
        {"r = Mid(Null, -1, -1)", "error 5"},
        {"r = Mid(\"test\", \"a\", Null)", "error 94"},
        {"r = Mid(\"test\", \"a\", 1)", "error 13"},
        {"r = IsNull(Mid(Null, 1, 1))", "Boolean:True"},
        {"r = Join(Null)", "error 94"},
        {"Set o = CreateObject(\"Scripting.Dictionary\")\nr = Join(o)", "error 438"},
        {"r = Join(Array(1, Null))", "error 13"},
        {"Dim m(1, 1)\nr = Join(m)", "error 13"},
        {"r = Join(Array(1, \"b\"), \"-\")", "String:1-b"},
        {"r = Split(\"a-b\", \"-\", -42)", "error 5"},
        {"r = UBound(Split(\"a-b-c\", \"-\", -1))", "Long:2"},
        {"r = Right(Null, -1)", "error 5"},
        {"r = IsNull(Right(Null, 1))", "Boolean:True"},
        {"Dim fixed(3)\nReDim fixed(\"abc\")", "error 10"},
        {"Dim fixed(3)\nReDim Preserve fixed(\"abc\")", "error 13"},
        {"Dim fixed(3)\nReDim Preserve fixed(5)", "error 10"},
        {"x = Array(1)\nReDim Preserve x(\"abc\")", "error 13"},
        {"x = Array(1)\nReDim Preserve x(2)\nr = UBound(x) & x(0)", "String:21"},
        {"r = IsNull(Replace(Null, \"a\", \"b\"))", "error 94"},
        {"r = Replace(\"abc\", Null, \"b\")", "error 94"},
        {"r = Replace(\"abc\", \"b\", \"x\")", "String:axc"},
        {"r = Sgn(Null)", "error 94"},
        {"r = Sgn(-2.5)", "Integer:-1"},
        {"r = InStrRev(Null, \"a\")", "error 94"},
        {"r = InStrRev(\"abca\", Null)", "error 94"},
        {"r = InStrRev(\"abca\", \"a\")", "Long:4"},
        {"r = UBound(Split(\"a-b\", \"-\", -1, 2))", "error 5"},
        {"r = UBound(Split(\"aXbxc\", \"x\", -1, 1))", "Long:2"},
        {"r = UBound(Split(\"aXbxc\", \"x\", -1, 0))", "Long:1"},
        {"r = Round(True)", "Boolean:True"},
    });
}

TEST(ClassicFidelity, ConversionsAsClassic)
{
    checkCases({
        {"If \"#TRUE#\" Then r = 1 Else r = 2", "Integer:1"},
        {"If \" #false# \" Then r = 1 Else r = 2", "Integer:2"},
        {"r = CBool(\"#TRUE#\")", "Boolean:True"},
        {"r = CSng(0.1) = 0.1", "Boolean:True"},
        {"r = CSng(0.1) < 0.1", "Boolean:False"},
        {"r = CDbl(CSng(0.1)) = 0.1", "Boolean:False"},
        {"r = CDate(\"1\")", "Date:12/31/1899"},
        {"r = CDate(\"2.5\")", "Date:1/1/1900 12:00:00 PM"},
        {"r = CByte(True)", "Byte:255"},
        {"r = CByte(False)", "Byte:0"},
        {"r = FormatNumber(Null)", "error 13"},
        {"r = FormatCurrency(Null)", "error 13"},
        {"r = FormatPercent(Null)", "error 13"},
        {"r = FormatDateTime(Null)", "error 13"},
        {"r = MonthName(\"a\", Null)", "error 94"},
        {"r = MonthName(2)", "String:February"},
    });
}

TEST(ClassicFidelity, ErrRaiseAsClassic)
{
    const char *show = "\nr = Err.Number & \"|\" & Err.Description & \"|\" & Err.Source & \"|\" & Err.HelpFile & \"|\" & Err.HelpContext";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"On Error Resume Next\nErr.Raise 1001, \"Src\", \"Desc\"\nErr.Raise 1002", "String:1002|Desc|Src||0"},
        {"On Error Resume Next\nErr.Raise 1001, \"Src\", \"Desc\"\nErr.Clear\nErr.Raise 5", "String:5|Invalid procedure call or argument|Microsoft VBScript runtime error||0"},
        {"On Error Resume Next\nErr.Raise 1001, \"Src\", \"Desc\", \"help.chm\", 42", "String:1001|Desc|Src|help.chm|42"},
        {"On Error Resume Next\nErr.Raise 70000", "String:5|Invalid procedure call or argument|Microsoft VBScript runtime error||0"},
        {"On Error Resume Next\nErr.Raise &h8007000E&", "String:7|Out of memory|Microsoft VBScript runtime error||0"},
        {"On Error Resume Next\nErr.Raise &h800A000B&", "String:11|Division by zero|Microsoft VBScript runtime error||0"},
        {"On Error Resume Next\nErr.Raise vbObjectError + 1, \"Mine\", \"Own failure\"", "String:-2147221503|Own failure|Mine||0"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(outcome(QString::fromStdString(c.first) + show), c.second) << c.first;
}

TEST(ClassicFidelity, RegExpAsTheClassicEngineHasIt)
{
    checkCases({
        {"Set re = New RegExp\nre.Pattern = \"^\\d{3}-\\d{4}$\"\nr = re.Test(\"555-1234\") & re.Test(\"55-1234\")", "String:TrueFalse"},
        {"Set re = New RegExp\nre.Pattern = \"abc\"\nr = re.Test(\"xABCx\")\nre.IgnoreCase = True\nr = r & re.Test(\"xABCx\")", "String:FalseTrue"},
        {"Set re = New RegExp\nre.Pattern = \"(\\w+)@(\\w+)\\.com\"\nre.Global = True\nSet ms = re.Execute(\"a@b.com, cc@dd.com\")\n"
         "r = ms.Count\nFor Each m In ms\nr = r & \"|\" & m.FirstIndex & \":\" & m.Value & \":\" & m.SubMatches(0) & \"/\" & m.SubMatches(1) & \":\" & m.Length\nNext",
         "String:2|0:a@b.com:a/b:7|9:cc@dd.com:cc/dd:9"},
        {"Set re = New RegExp\nre.Pattern = \"o\"\nr = re.Execute(\"foo\").Count", "Long:1"},
        {"Set re = New RegExp\nre.Pattern = \"(a)|(b)\"\nSet m = re.Execute(\"b\")(0)\nr = IsEmpty(m.SubMatches(0)) & m.SubMatches(1) & m.SubMatches.Count", "String:Trueb2"},
        {"Set re = New RegExp\nre.Pattern = \"(\\d+)-(\\d+)\"\nre.Global = True\nr = re.Replace(\"1-2 and 30-40\", \"$2-$1 [$&] $$\")", "String:2-1 [1-2] $ and 40-30 [30-40] $"},
        {"Set re = New RegExp\nre.Pattern = \"a\"\nr = re.Replace(\"banana\", \"o\")", "String:bonana"},
        {"Set re = New RegExp\nre.Pattern = \"^x\"\nre.Global = True\nr = re.Replace(\"xa\" & vbLf & \"xb\", \"y\")\nre.Multiline = True\nr = r & \"|\" & re.Replace(\"xa\" & vbLf & \"xb\", \"y\")", "String:ya\nxb|ya\nyb"},
        {"Set re = New RegExp\nre.Pattern = \"(\"\nr = re.Test(\"x\")", "error 5017"},
        {"Class RegExp\nPublic Mine\nEnd Class\nSet re = New RegExp\nre.Mine = 1\nr = TypeName(re)", "String:RegExp"},
    });
}

TEST(ClassicFidelity, ObjectsAndNamesAsClassic)
{
    checkCases({
        // the regular expression object by its ProgID, as scripts usually make it
        {"Set re = CreateObject(\"VBScript.RegExp\")\nre.Pattern = \"b+\"\nre.Global = True\nr = re.Replace(\"abbcb\", \"x\") & TypeName(re)", "String:axcxIRegExp2"},
        {"Set re = CreateObject(\"vbscript.regexp\")\nr = re.Test(\"\")", "Boolean:True"},
        {"Set re = CreateObject(\"VBScript.NoSuch\")", "error 429"},
        // RegExp.Replace takes its replacement as automation text: True is "-1"
        {"Set re = New RegExp\nre.Pattern = \"b\"\nr = re.Replace(\"abc\", True) & re.Replace(\"abc\", False) & re.Replace(\"abc\", 5)", "String:a-1ca0ca5c"},
        // Not reads the Boolean text forms conditions read
        {"r = Not \"#FALSE#\"", "Boolean:True"},
        {"r = Not \" #true# \"", "Boolean:False"},
        {"If Not \"#FALSE#\" Then r = 1 Else r = 2", "Integer:1"},
        {"r = Not \"0\"", "Long:-1"},
        {"r = Not \"abc\"", "error 13"},
        {"Const C = Not \"#FALSE#\"\nr = C", "Boolean:True"},
        // Me outside a class: accepted; with no object added with its members it is Nothing
        {"r = Me Is Nothing", "Boolean:True"},
        {"Sub S()\nr = TypeName(Me)\nEnd Sub\nDim r\nS", "String:Nothing"},
        {"Class K\nFunction Self()\nSet Self = Me\nEnd Function\nEnd Class\nSet o = New K\nr = o.Self() Is o", "Boolean:True"},
        // keyword-named variables as For counters and in ReDim
        {"Dim r\nSub T()\nDim Property\nFor Property = 1 To 2\nr = r & Property\nNext Property\nEnd Sub\nT", "String:12"},
        {"For Default = 3 To 4\nr = r & Default\nNext", "String:34"},
        {"ReDim Property(2)\nr = UBound(Property)", "Long:2"},
        {"For Sub = 1 To 2\nNext", "error 1040"},
        // unary + applies to the object itself; the value is asked for only where one is needed
        {"Class K\nEnd Class\nSet o = New K\nr = +o Is o", "Boolean:True"},
        {"Class K\nEnd Class\nSet o = New K\nr = o + 1", "error 438"},
        {"r = TypeName(+\"true\") & +\"true\" & TypeName(+True) & +--+-+1", "String:StringtrueBoolean-1"},
        // Randomize is a statement, no function: its name as a value is 13, also under Option Explicit
        {"Option Explicit\nDim x, r\nx = Randomize(0)", "error 13"},
        {"x = Randomize", "error 13"},
        {"Option Explicit\nDim r\nRandomize 1\nr = 1", "Integer:1"},
        // the conversions give a value and nothing else: as a statement they raise 458
        {"Call CInt(1)", "error 458"},
        {"CInt 1", "error 458"},
        {"Call CStr(1)", "error 458"},
        {"Call CBool(1)", "error 458"},
        {"Call CByte(1)", "error 458"},
        {"Call CCur(1)", "error 458"},
        {"Call CDate(1)", "error 458"},
        {"Call CDbl(1)", "error 458"},
        {"Call CLng(1)", "error 458"},
        {"Call CSng(1)", "error 458"},
        {"Call CInt(\"x\")", "error 13"},
        {"Call Len(\"abc\")\nr = CInt(\"7\")", "Integer:7"},
    });
}

TEST(ClassicFidelity, MeOutsideAClassIsTheHostsGlobalObject)
{
    vbs::ScriptControl sc;
    auto out = std::make_shared<Printer>();
    sc.AddObject("Out", out, true);
    sc.AddCode("Set g = Me\nMe.Print \"through Me\"\nSub S()\nMe.Print \"from a Sub\"\nEnd Sub\nS");
    EXPECT_TRUE(sc.Eval("g Is Out").toBool());
    EXPECT_EQ(out->lines, QStringList({"through Me", "from a Sub"}));
}
