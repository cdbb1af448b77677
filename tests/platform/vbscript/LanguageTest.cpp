// The language itself: literals, operators, statements, procedures, classes
// and errors, each checked through the script control as a host runs them.

#include "ScriptTestSupport.h"
#include "LogCapture.h"

using vb::Variant;
using namespace vbstest;

namespace {

struct ErrorCase {
    const char *code;
    int number;
};

void checkErrors(const std::vector<ErrorCase> &cases)
{
    for (const auto &c : cases)
        EXPECT_EQ(errorOf(QString::fromUtf8(c.code)), c.number) << c.code;
}

} // namespace

TEST(Literals, SubtypesFollowTheClassicRules)
{
    checkExpressions({
        {"5", "Integer:5"},
        {"32767", "Integer:32767"},
        {"32768", "Long:32768"},
        {"-32768", "Long:-32768"},
        {"3000000000", "Double:3000000000"},
        {"1.5", "Double:1.5"},
        {"1E3", "Double:1000"},
        {".5", "Double:0.5"},
        {"&HFF", "Integer:255"},
        {"&HFFFF", "Integer:-1"},
        {"&H8000", "Integer:-32768"},
        {"&H10000", "Long:65536"},
        {"&HFFFF&", "Long:65535"},
        {"&HFFFFFFFF", "Long:-1"},
        {"&O17", "Integer:15"},
        {"\"a\"\"b\"", "String:a\"b"},
        {"\"\"", "String:"},
        {"#1/2/2003#", "Date:1/2/2003"},
        {"#2003-01-02 13:05#", "Date:1/2/2003 1:05:00 PM"},
        {"True", "Boolean:True"},
        {"Empty", "Empty:"},
        {"Null", "Null"},
        {"Nothing Is Nothing", "Boolean:True"},
        {"vbCrLf = Chr(13) & Chr(10)", "Boolean:True"},
    });
}

TEST(Operators, PrecedenceAndAssociativity)
{
    checkExpressions({
        {"2^3^2", "Double:64"},
        {"-3^2", "Double:9"},
        {"2^-1", "Double:0.5"},
        {"1 + 2 * 3", "Integer:7"},
        {"(1 + 2) * 3", "Integer:9"},
        {"10 - 4 - 3", "Integer:3"},
        {"2 * 3 Mod 4", "Integer:2"},
        {"7 \\ 2 * 2", "Integer:1"},
        {"7 Mod 4 \\ 2", "Integer:1"},
        {"1 + 2 & 3", "String:33"},
        {"1 = 1 And 2 = 2", "Boolean:True"},
        {"Not 1 = 2", "Boolean:True"},
        {"Not 0", "Integer:-1"},
        {"True Or False And False", "Boolean:True"},
        {"True Xor True", "Boolean:False"},
        {"False Imp False", "Boolean:True"},
        {"True Eqv False", "Boolean:False"},
        {"5 And 3", "Integer:1"},
        {"5 Or 3", "Integer:7"},
    });
}

TEST(Operators, ClassicCoercions)
{
    checkExpressions({
        {"\"1\" + \"2\"", "String:12"},
        {"\"1\" + 2", "Double:3"},
        {"1 & 2", "String:12"},
        {"\"a\" & Null", "String:a"},
        {"IsNull(Null & Null)", "Boolean:True"},
        {"IsNull(Null + 1)", "Boolean:True"},
        {"IsNull(Null = Null)", "Boolean:True"},
        {"Empty + 1", "Integer:1"},
        {"Empty & \"x\"", "String:x"},
        {"Empty = 0", "Boolean:True"},
        {"Empty = \"\"", "Boolean:True"},
        {"32767 + 1", "Long:32768"},
        {"-32768 - 1", "Long:-32769"},
        {"200 * 200", "Long:40000"},
        {"2147483647 + 1", "Double:2147483648"},
        {"10 / 4", "Double:2.5"},
        {"10 / 5", "Double:2"},
        {"2.5 \\ 1", "Long:2"},
        {"3.5 \\ 1", "Long:4"},
        {"-7 \\ 2", "Integer:-3"},
        {"5.5 Mod 2", "Long:0"},
        {"-7 Mod 3", "Integer:-1"},
        {"\"abc\" = \"ABC\"", "Boolean:False"},
        {"\"abc\" < \"abd\"", "Boolean:True"},
        {"1 = 1.0", "Boolean:True"},
        {"True + 1", "Integer:0"},
        {"1.5 + 1", "Double:2.5"},
    });
}

TEST(Operators, NullAndEmptyPropagation)
{
    checkExpressions({
        {"IsNull(Null * 2)", "Boolean:True"},
        {"IsNull(-Null)", "Boolean:True"},
        {"IsNull(Not Null)", "Boolean:True"},
        {"Null And False", "Boolean:False"},
        {"Null Or True", "Boolean:True"},
        {"IsNull(Null And True)", "Boolean:True"},
        {"IsNull(Null < 1)", "Boolean:True"},
        {"Empty * 2", "Integer:0"},
        {"Empty & Empty", "String:"},
        {"TypeName(Empty + Empty)", "String:Integer"},
        {"-Empty", "Integer:0"},
        {"Empty < 1", "Boolean:True"},
        {"IsNull(Left(Null, 1))", "Boolean:True"},
        {"IsNull(Mid(Null, 1))", "Boolean:True"},
        {"IsNull(UCase(Null))", "Boolean:True"},
        {"IsNull(InStr(Null, \"a\"))", "Boolean:True"},
        {"Len(Empty)", "Long:0"},
        {"UCase(Empty)", "String:"},
    });
    const char *code = R"(
x = Null
Select Case x
    Case 1
        r = "one"
    Case Else
        r = "else"
End Select
If x = 1 Then r = r & ",eq" Else r = r & ",not eq"
If Not (x = 1) Then r = r & ",not" Else r = r & ",not is null too"
Do While x
    r = r & ",looped"
    Exit Do
Loop
)";
    EXPECT_EQ(evalAfter(code, "r").toString().toStdString(), "else,not eq,not is null too");
    checkErrors({
        {"x = CStr(Null)", 94},
        {"x = CLng(Null)", 94},
        {"x = Chr(Null)", 94},
        {"x = Space(Null)", 94},
    });
}

TEST(Operators, Errors)
{
    checkErrors({
        {"x = 1 / 0", 11},
        {"x = 1 \\ 0", 11},
        {"x = 5 Mod 0", 11},
        {"x = \"abc\" + 1", 13},
        {"x = \"abc\" * 2", 13},
        {"x = 1 Is 2", 424},
        {"x = CInt(40000)", 6},
        {"Dim a(2)\nx = a + 1", 13},
    });
}

TEST(Statements, IfSelectAndLoops)
{
    const char *code = R"(
Dim log
Sub Note(t)
    log = log & t & ";"
End Sub
If 1 > 2 Then Note "a" Else Note "b"
If True Then Note "c": Note "d"
If Null Then Note "null" Else Note "notnull"
x = 3
If x = 1 Then
    Note "one"
ElseIf x = 3 Then
    Note "three"
Else
    Note "other"
End If
For Each v In Array(1, 5, 12, 20, "z")
    Select Case v
        Case "z"
            Note "text"
        Case 1, 2
            Note "small"
        Case 3 To 10
            Note "mid"
        Case Is > 15
            Note "big"
        Case Else
            Note "else"
    End Select
Next
i = 0
Do While i < 3
    i = i + 1
Loop
Note i
Do
    i = i - 1
Loop Until i <= 0
Note i
Do Until i = 2
    i = i + 1
Loop
Note i
Do
    i = i + 1
    If i = 5 Then Exit Do
Loop
Note i
While i < 8
    i = i + 1
Wend
Note i
For k = 10 To 1 Step -3
    Note k
Next
For k = 1 To 0
    Note "never"
Next
For k = 1 To 10
    If k = 4 Then Exit For
Next
Note k
For k = 0 To 1 Step 0.5
    s = s & k & ","
Next
Note s
For k = "8" To "10"
    t = t & k
Next
Note t
)";
    EXPECT_EQ(evalAfter(code, "log").toString().toStdString(),
              "b;c;d;notnull;three;small;mid;else;big;text;3;0;2;5;8;10;7;4;1;4;0,0.5,1,;8910;");
}

TEST(Statements, WithConstArraysAndExecute)
{
    const char *code = R"(
Const Greeting = "hi", Answer = 42
Const Negative = -1
Dim a(2), b()
a(0) = "x": a(2) = "z"
ReDim b(1, 2)
b(1, 2) = "corner"
ReDim Preserve b(1, 4)
Dim m(1, 1)
m(1, 0) = 7
ReDim c(3)
c(3) = 9
ReDim Preserve c(5)
Erase a
Execute "execVar = Answer + 1"
ExecuteGlobal "Function Twice(n): Twice = n * 2: End Function"
Dim r
r = Greeting & "," & Negative & "," & UBound(b, 2) & "," & b(1, 2) & "," & m(1, 0) & "," & c(3) & "," & UBound(c) & "," & IsEmpty(a(0)) & "," & execVar & "," & Twice(4) & "," & Eval("Answer * 2")
)";
    EXPECT_EQ(evalAfter(code, "r").toString().toStdString(), "hi,-1,4,corner,7,9,5,True,43,8,84");
}

TEST(Statements, Errors)
{
    checkErrors({
        {"Dim a(2)\na(3) = 1", 9},
        {"Dim a(2)\nReDim a(5)", 10},
        {"ReDim b(1, 2)\nReDim Preserve b(2, 2)", 9},
        {"x = 5\ny = x(1)", 13},
        {"Option Explicit\nDim a\nb = 1", 500},
        {"Option Explicit\nSub S()\nc = 1\nEnd Sub\nS", 500},
        {"Option Explicit\nReDim d(2)\nd(2) = 1\nSub T()\nReDim e(1)\ne(1) = 2\nEnd Sub\nT", 0},
        {"Set x = 5", 424},
        {"Dim o\no.Name = 1", 424},
        {"Set o = Nothing\no.Name = 1", 424},
        {"For k = 1 To Null\nNext", 94},
        {"NoSuchSub 1, 2", 35},
        {"x = NoSuchFunction(1)", 13},
        {"Const c = 1\nc = 2", 501},
        {"x = New NoSuchClass", 506},
        {"For Each v In 5\nNext", 451},
        {"Sub R(n)\nR n + 1\nEnd Sub\nR 1", 28},
        {"Sub S(a, b)\nEnd Sub\nS 1", 450},
    });
}

TEST(Procedures, ByRefAndByVal)
{
    const char *code = R"(
Sub Inc(n)
    n = n + 1
End Sub
Sub IncVal(ByVal n)
    n = n + 1
End Sub
Function AddTo(ByRef total, amount)
    total = total + amount
    AddTo = total
End Function
Function Fact(n)
    If n <= 1 Then
        Fact = 1
    Else
        Fact = n * Fact(n - 1)
    End If
End Function
a = 1: Inc a
b = 1: Inc (b)
c = 1: Call Inc(c)
d = 1: IncVal d
e = 1: x = AddTo(e, 5)
f = 1: x = AddTo((f), 5)
Dim arr(1): arr(0) = 1: Inc arr(0): Inc (arr(1))
r = a & b & c & d & e & f & "," & Fact(5) & "," & arr(0) & IsEmpty(arr(1))
)";
    EXPECT_EQ(evalAfter(code, "r").toString().toStdString(), "212161,120,2True");
}

TEST(Procedures, ScopesAndImplicitVariables)
{
    const char *code = R"(
g = 10
Sub UsesGlobal()
    g = g + 1
End Sub
Sub ImplicitLocal()
    notGlobal = 5
End Sub
Sub Shadow()
    Dim g
    g = 99
End Sub
UsesGlobal
ImplicitLocal
Shadow
r = g & "," & IsEmpty(notGlobal)
)";
    EXPECT_EQ(evalAfter(code, "r").toString().toStdString(), "11,True");
}

TEST(Classes, PropertiesDefaultMembersAndLifetime)
{
    const char *code = R"(
Dim log
Class Account
    Private mBalance
    Public Owner
    Private Sub Class_Initialize()
        mBalance = 0
        log = log & "init;"
    End Sub
    Private Sub Class_Terminate()
        log = log & "term;"
    End Sub
    Public Default Property Get Balance()
        Balance = mBalance
    End Property
    Public Property Let Balance(v)
        If v < 0 Then Err.Raise 5
        mBalance = v
    End Property
    Public Function Deposit(amount)
        mBalance = mBalance + amount
        Deposit = Me.Balance
    End Function
    Public Property Set Partner(o)
        Set mPartner = o
    End Property
End Class
Set acc = New Account
acc.Owner = "Ann"
acc.Balance = 10
x = acc.Deposit(5)
y = acc + 1
Set other = acc
Set acc = Nothing
log = log & "released one;"
Set other = Nothing
r = log & x & "," & y & "," & TypeName(New Account)
)";
    EXPECT_EQ(evalAfter(code, "r").toString().toStdString(),
              "init;released one;term;15,16,Account");
}

TEST(Classes, Errors)
{
    const char *cls = "Class C\nPrivate secret\nPublic Sub M(): End Sub\nEnd Class\nSet o = New C\n";
    checkErrors({
        {"Class C\nPrivate secret\nEnd Class\nSet o = New C\nx = o.secret", 438},
        {"Class C\nEnd Class\nSet o = New C\nx = o.Missing", 438},
        {"Class C\nEnd Class\nSet o = New C\nx = o + 1", 438},
        {"Class C\nPublic Property Get P()\nP = 1\nEnd Property\nEnd Class\nSet o = New C\no.P = 2", 438},
    });
    EXPECT_EQ(errorOf(QString::fromLatin1(cls) + "o.M 1"), 450);
}

TEST(ErrorHandling, OnErrorAndErr)
{
    const char *code = R"(
Dim log
Sub Failing()
    x = 1 / 0
    log = log & "not reached;"
End Sub
Sub Trapping()
    On Error Resume Next
    Failing
    log = log & "trapped " & Err.Number & ";"
End Sub
On Error Resume Next
Trapping
log = log & Err.Number & ";"
y = CInt("abc")
log = log & Err.Number & " " & Err.Description & ";"
Err.Clear
log = log & Err.Number & ";"
Err.Raise 1001, "MySource", "Custom failure"
log = log & Err.Number & " " & Err.Source & " " & Err.Description & ";"
Err.Raise vbObjectError + 7
log = log & (Err.Number - vbObjectError) & ";"
If 1 / 0 = 5 Then log = log & "entered;"
Function Leaves()
    On Error Resume Next
    x = 1 / 0
    Exit Function
End Function
Function Ends()
    On Error Resume Next
    x = 1 / 0
End Function
Leaves
log = log & "exit " & Err.Number & ";"
Ends
log = log & "end " & Err.Number & ";"
On Error GoTo 0
log = log & Err.Number & ";"
)";
    EXPECT_EQ(evalAfter(code, "log").toString().toStdString(),
              "trapped 11;11;13 Type mismatch;0;1001 MySource Custom failure;7;entered;exit 0;end 11;0;");
}

TEST(ErrorHandling, UnhandledErrorEndsTheCallWithItsNumber)
{
    vbs::ScriptControl sc;
    try {
        sc.AddCode("Err.Raise 3021");
        FAIL();
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, 3021);
        EXPECT_EQ(sc.Error().Number, 3021);
    }
}

TEST(Statements, SyntaxFormsAndDynamicCode)
{
    const char *code = R"(
Rem a comment line
Class Pt
    Public X, Y
    Public Function Sum()
        Sum = X + Y ' trailing comment
    End Function
End Class
Set p = New Pt
With p
    .X = 1
    .Y = _
        2
    s = .Sum() & "," & .Sum
End With
Call p.Sum()
[odd name] = 3
total = 1 + _
    [odd name]
Function Scoped(a)
    Dim b
    b = 10
    Execute "b = b + a"
    Scoped = Eval("b * 2")
End Function
Sub Greet(who)
    msg = msg & "hi " & who
End Sub
Set f = GetRef("Greet")
f "there"
Function Cmp(a, b): Cmp = a < b: End Function
Set c = GetRef("Cmp")
r = s & "," & total & "," & Scoped(5) & "," & c(1, 2) & "," & Eval("p.X + p.Y")
)";
    EXPECT_EQ(evalAfter(code, "r").toString().toStdString(), "3,3,4,30,True,3");
}

TEST(Classes, TerminateRunsOnResetAndMeCanBePassed)
{
    auto out = std::make_shared<Printer>();
    {
        vbs::ScriptControl sc;
        sc.AddObject("Out", out);
        sc.AddCode(R"(
Class Node
    Public Name, Parent
    Public Sub Attach(p)
        Set Parent = p
        p.Adopt Me
    End Sub
    Public Sub Adopt(child)
        Out.Print Name & " adopts " & child.Name
    End Sub
    Private Sub Class_Terminate()
        Out.Print Name & " ends"
    End Sub
End Class
Set a = New Node: a.Name = "a"
Set b = New Node: b.Name = "b"
b.Attach a
)");
        sc.Reset();
        out->lines << "reset";
    }
    EXPECT_EQ(out->lines, QStringList({"a adopts b", "b ends", "a ends", "reset"}));
}

TEST(Procedures, AnErrorInClass_TerminateGoesOnQuietlyAndIsRecorded)
{
    corvantis::test::LogCapture log("corvantis.script");
    auto out = std::make_shared<Printer>();
    vbs::ScriptControl sc;
    sc.AddObject("Out", out);
    sc.AddCode(R"(
Class Fragile
    Private Sub Class_Terminate()
        Out.Print "ending"
        x = 1 / 0
        Out.Print "not reached"
    End Sub
End Class
Set f = New Fragile
Set f = Nothing
Out.Print "after"
)");
    EXPECT_EQ(out->lines, QStringList({"ending", "after"}));
    EXPECT_EQ(sc.Error().Number, 0) << "the script never sees the error";
    EXPECT_EQ(log.linesWith({"Class_Terminate of Fragile failed", "11 Division by zero"}).size(), 1)
        << log.joined().toStdString();
}

TEST(Procedures, ExitLeavesFromInsideLoopsAndMeWorksInExecute)
{
    const char *code = R"(
Function FirstOver(limit)
    FirstOver = -1
    For Each v In Array(3, 8, 12)
        Do While True
            If v > limit Then
                FirstOver = v
                Exit Function
            End If
            Exit Do
        Loop
    Next
End Function
Class Named
    Public Name
    Public Function Echo()
        Execute "Echo = Me.Name & ""!"""
    End Function
    Public Property Get Upper()
        Upper = UCase(Name)
        Exit Property
        Upper = "never"
    End Property
End Class
Set n = New Named
n.Name = "abc"
r = FirstOver(5) & "," & FirstOver(50) & "," & n.Echo() & "," & n.Upper
)";
    EXPECT_EQ(evalAfter(code, "r").toString().toStdString(), "8,-1,abc!,ABC");
}

TEST(Classes, ArgumentsBeyondAGetIndexWhatItReturns)
{
    const char *code = R"(
Class Bag
    Public Raw
    Public Property Get Items()
        Items = Array("a", "b", "c")
    End Property
    Public Property Get Cell(r)
        Cell = Array(r * 10, r * 10 + 1)
    End Property
End Class
Set b = New Bag
b.Raw = Array(7, 8)
r = b.Items(1) & b.Cell(2)(1) & b.Cell(3, 0) & b.Raw(1)
)";
    EXPECT_EQ(evalAfter(code, "r").toString().toStdString(), "b21308");
}
