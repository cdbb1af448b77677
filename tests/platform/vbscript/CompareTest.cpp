// Text compared with a number, as the classic engine does it: literals and
// constants are hard-typed. A hard-typed number reads the text as a number,
// else hard-typed text reads the number as text, else (and where the text
// holds no number) the number is less than any text. Every operand kind on
// both sides, every comparison operator and Select Case.

#include "ScriptTestSupport.h"

using vb::Variant;
using namespace vbstest;

namespace {

// How a text operand and a number operand are written: 0 literal, 1 constant,
// 2 variable, 3 computed (a function's result).
const char *const kKindNames[] = {"literal", "constant", "variable", "computed"};

QString textOperand(int kind, const QString &text)
{
    switch (kind) {
    case 0: return QLatin1Char('"') + text + QLatin1Char('"');
    case 1: return QStringLiteral("CT");
    case 2: return QStringLiteral("tv");
    default: return QStringLiteral("Same(tv)");
    }
}

QString numberOperand(int kind, const QString &number)
{
    switch (kind) {
    case 0: return number;
    case 1: return QStringLiteral("CN");
    case 2: return QStringLiteral("nv");
    default: return QStringLiteral("Same(nv)");
    }
}

// The rule each pair of kinds follows: N the text is read as a number, S the
// number is read as text, O the number sorts first.
// Rows: the text's kind; columns: the number's kind.
const char kRule[4][5] = {
    "NNSS", // text literal
    "NNSS", // text constant
    "NNOO", // text variable
    "NNOO", // text computed
};

// A text and a number, and the sign of number against text under N, S and O.
struct Pair {
    const char *text;
    const char *number;
    int n, s, o;
};

const Pair kPairs[] = {
    {"1", "1", 0, 0, -1},                // the classic example: foo = "1", bar = 1
    {"9", "10", 1, -1, -1},              // 10 > 9 as numbers, "10" < "9" as text
    {" x", "1", -1, 1, -1},              // no number in the text: N keeps the order; "1" > " x" as text
    {"-1", "True", 0, 1, -1},            // a Boolean is the number -1; as text "True"
    {"True", "True", -1, 0, -1},         // "True" is no number
    {"1/2/2003", "#1/2/2003#", 0, 0, -1}, // date text against a date
    {"2.50", "2.5", 0, -1, -1},          // as a number "2.50" is 2.5; as text "2.5" is less
};

bool holds(const QString &op, int c)
{
    if (op == "=") return c == 0;
    if (op == "<>") return c != 0;
    if (op == "<") return c < 0;
    if (op == "<=") return c <= 0;
    if (op == ">") return c > 0;
    return c >= 0; // ">="
}

} // namespace

TEST(Comparison, TextAgainstNumberByOperandKind)
{
    const QStringList ops = {"=", "<>", "<", "<=", ">", ">="};
    for (const Pair &p : kPairs) {
        vbs::ScriptControl sc;
        sc.AddCode(QStringLiteral("Const CT = \"%1\", CN = %2\ntv = \"%1\": nv = %2\n"
                                  "Function Same(v): Same = v: End Function\n")
                       .arg(QString::fromUtf8(p.text), QString::fromUtf8(p.number)));
        for (int tk = 0; tk < 4; ++tk) {
            for (int nk = 0; nk < 4; ++nk) {
                const char rule = kRule[tk][nk];
                const int c = rule == 'N' ? p.n : rule == 'S' ? p.s : p.o; // number against text
                const QString t = textOperand(tk, QString::fromUtf8(p.text));
                const QString n = numberOperand(nk, QString::fromUtf8(p.number));
                for (const QString &op : ops) {
                    for (bool numberLeft : {true, false}) {
                        const QString expr = numberLeft ? n + ' ' + op + ' ' + t : t + ' ' + op + ' ' + n;
                        const bool expected = holds(op, numberLeft ? c : -c);
                        const std::string where = expr.toStdString() + " (text " + kKindNames[tk] + ", number "
                                                  + kKindNames[nk] + ", value \"" + p.text + "\"/" + p.number + ")";
                        try {
                            EXPECT_EQ(show(sc.Eval(expr)), expected ? "Boolean:True" : "Boolean:False") << where;
                        } catch (const vb::VbError &e) {
                            ADD_FAILURE() << where << " raised " << e.number;
                        }
                    }
                }
                // Select Case: its subject against each Case, either way round
                for (bool numberSubject : {true, false}) {
                    const QString subject = numberSubject ? n : t, item = numberSubject ? t : n;
                    const int cs = numberSubject ? c : -c;
                    sc.ExecuteStatement(QStringLiteral("Select Case %1\nCase %2: r = \"eq\"\nCase Else: r = \"ne\"\nEnd Select\n"
                                                       "Select Case %1\nCase Is < %2: r = r & \" lt\"\nCase Else: r = r & \" ge\"\nEnd Select")
                                            .arg(subject, item));
                    const std::string expected = std::string(cs == 0 ? "eq" : "ne") + (cs < 0 ? " lt" : " ge");
                    EXPECT_EQ(sc.Eval("r").toString().toStdString(), expected)
                        << "Select Case " << subject.toStdString() << " / Case " << item.toStdString();
                }
            }
        }
    }
}

TEST(Comparison, NamedCasesOfTheRule)
{
    const QString setup = "foo = \"1\": bar = 1: b = \"10\": a = 10: c = \"abc\": t = True: e = Empty\n"
                          "Const N = 10, S = \"10\"\n";
    checkExpressions({
        // the classic example
        {"\"1\" = 1", "Boolean:True"},
        {"\"1\" = bar", "Boolean:True"},
        {"foo = 1", "Boolean:True"},
        {"foo = bar", "Boolean:False"},
        {"bar = \"1\"", "Boolean:True"},
        {"1 = foo", "Boolean:True"},
        {"bar = foo", "Boolean:False"},
        // what the public classic-engine tests pin: literals whose text holds no number, never an error
        {"\"true\" <> True", "Boolean:True"},
        {"\"\" = True", "Boolean:False"},
        {"\"\" = True = False", "Boolean:True"},
        {"Not (False = True = \"\")", "Boolean:True"},
        {"Not (\"\" <> False = False)", "Boolean:True"},
        {"\"abc\" = 3", "Boolean:False"},
        {"\"abc\" > 3", "Boolean:True"},
        {"c = 1", "Boolean:False"},
        {"c > 1", "Boolean:True"},
        // a map's test on an element value held in a variable
        {"\"0\" > 0", "Boolean:False"},
        {"b > 9", "Boolean:True"},
        {"b < 9", "Boolean:False"},
        // negated and parenthesised literals are literals; a parenthesised variable is not
        {"b = (10)", "Boolean:True"},
        {"\"-10\" = -10", "Boolean:True"},
        {"b = -(-10)", "Boolean:True"},
        {"\"-10\" = -N", "Boolean:True"},
        {"b = -(-a)", "Boolean:False"},
        {"(b) = a", "Boolean:False"},
        {"b = N", "Boolean:True"},
        {"a = S", "Boolean:True"},
        {"N = S", "Boolean:True"},
        // expressions are computed values
        {"a + 0 = b", "Boolean:False"},
        {"a = b & \"\"", "Boolean:False"},
        {"CLng(b) = a", "Boolean:True"},
        // Empty is 0 against numbers and "" against text; Null stays Null
        {"e = 0", "Boolean:True"},
        {"e = \"\"", "Boolean:True"},
        {"e < c", "Boolean:True"},
        {"IsNull(b = Null)", "Boolean:True"},
        {"IsNull(Null = 1)", "Boolean:True"},
        // numbers among themselves and text among themselves as ever
        {"a = 10.0", "Boolean:True"},
        {"b < \"9\"", "Boolean:True"},
        {"CSng(0.1) = 0.1", "Boolean:True"},
    },
                     setup);
}

TEST(Comparison, SelectCaseFollowsTheRule)
{
    const char *code = R"(
lim = 10
Function Kind(v)
    Select Case v
        Case "abc": Kind = "text"
        Case 10: Kind = "ten"
        Case 1 To 5: Kind = "small"
        Case Is > 100: Kind = "big"
        Case lim: Kind = "lim"
        Case Else: Kind = "else"
    End Select
End Function
Function Same(v, w)
    Select Case v
        Case w: Same = "same"
        Case Else: Same = "different"
    End Select
End Function
r = Kind(10) & " " & Kind(3) & " " & Kind(200) & " " & Kind("abc") & " " & Kind(7) & " " & Kind("10") & " " & Kind("zz") & " " & Kind("4")
r = r & " " & Same(10, "10") & " " & Same("10", "10") & " " & Same(10, 10)
Select Case 3
    Case 2, 4, "test", "another case": r = r & " wrong"
    Case 0, False, 2 + 1, 10: r = r & " three"
    Case Else: r = r & " else"
End Select
Select Case 10
    Case "10": r = r & " literals"
    Case Else: r = r & " not literals"
End Select
y = "3"
Select Case y
    Case 3: r = r & " number literal"
End Select
Select Case 0
    Case "2": r = r & " wrong"
    Case Else: r = r & " zero"
End Select
)";
    // "10" against Case 10 reads as the number; "zz" holds none: above every number, so Is > 100
    EXPECT_EQ(evalAfter(code, "r").toString().toStdString(),
              "ten small big text else ten big small different same same three literals number literal zero");
}
