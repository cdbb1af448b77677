#include "VariantTestSupport.h"

#include "vb/DateTime.h"

#include <gtest/gtest.h>

using namespace vbtest;
using vb::Variant;

namespace {

struct BinCase {
    Variant a, b;
    const char *expected;
};

void runTable(const char *op, Variant (*f)(const Variant &, const Variant &), const std::vector<BinCase> &cases)
{
    for (const auto &c : cases)
        EXPECT_EQ(attempt([&] { return f(c.a, c.b); }), c.expected)
            << op << " of " << show(c.a) << " and " << show(c.b);
}

Variant date(int y, int m, int d, int h = 0, int n = 0, int s = 0)
{
    return Variant::fromDate(vb::toOleDate(QDate(y, m, d), QTime(h, n, s)));
}

} // namespace

TEST(VariantOperators, AdditionFollowsTheClassicTypeRules)
{
    runTable("+", vb::opAdd, {
        {I(1), I(2), "Integer:3"},
        {I(32767), I(1), "Long:32768"},                 // Integer overflows into Long
        {L(2147483647), L(1), "Double:2147483648"},     // Long overflows into Double
        {B(200), B(55), "Byte:255"},
        {B(200), B(56), "Integer:256"},
        {B(1), I(1), "Integer:2"},
        {Variant(true), Variant(true), "Integer:-2"},   // True is -1
        {I(1), L(1), "Long:2"},
        {S(1.5f), L(1), "Double:2.5"},                  // Single with Long gives Double
        {S(1.5f), I(1), "Single:2.5"},
        {D(0.1), D(0.2), "Double:0.3"},
        {C(1.25), D(1.5), "Currency:2.75"},             // Currency outranks Double
        {T("1"), T("2"), "String:12"},                  // text + text concatenates
        {T("1"), I(2), "Double:3"},                     // numeric text with a number adds
        {T(" 1.5 "), L(2), "Double:3.5"},
        {T("abc"), I(2), "E13"},
        {Variant(), Variant(), "Integer:0"},
        {Variant(), T("x"), "String:x"},
        {Variant(), B(7), "Byte:7"},
        {Variant::null(), I(1), "Null"},
        {T("x"), Variant::null(), "Null"},
        {date(2026, 12, 10), I(1), "Date:12/11/2026"},
        {date(2026, 12, 10), D(0.5), "Date:12/10/2026 12:00:00 PM"},
        {Variant::nothing(), I(1), "E91"},
    });
}

TEST(VariantOperators, SubtractionMultiplicationAndDivision)
{
    runTable("-", vb::opSub, {
        {I(-32768), I(1), "Long:-32769"},
        {date(2026, 12, 10), date(2026, 12, 1), "Double:9"},  // date - date is a number of days
        {date(2026, 12, 10), I(10), "Date:11/30/2026"},
        {T("5"), T("2"), "Double:3"},                         // - never concatenates
        {T("a"), T("b"), "E13"},
        {Variant::null(), Variant::null(), "Null"},
        {C(0.1), C(0.3), "Currency:-0.2"},
    });
    runTable("*", vb::opMul, {
        {I(200), I(200), "Long:40000"},
        {L(65536), L(65536), "Double:4294967296"},
        {C(1.5), C(1.5), "Currency:2.25"},
        {C(0.0001), C(0.5), "Currency:0"},                    // 0.00005 rounds half to even
        {C(0.0003), C(0.5), "Currency:0.0002"},               // 0.00015 rounds half to even
        {D(1e200), D(1e200), "E6"},
        {Variant(), I(5), "Integer:0"},
    });
    runTable("/", vb::opDiv, {
        {I(7), I(2), "Double:3.5"},
        {I(6), I(3), "Double:2"},
        {I(1), I(0), "E11"},
        {I(0), I(0), "E6"},
        {T("9"), T("3"), "Double:3"},
        {Variant::null(), I(0), "Null"},
    });
}

TEST(VariantOperators, IntegerDivisionAndModRoundOperandsHalfToEven)
{
    runTable("\\", vb::opIntDiv, {
        {I(7), I(2), "Integer:3"},
        {I(-7), I(2), "Integer:-3"},                 // truncates toward zero
        {D(2.5), I(1), "Long:2"},                    // 2.5 rounds to 2
        {D(3.5), I(1), "Long:4"},                    // 3.5 rounds to 4
        {D(7.5), D(2.5), "Long:4"},                  // 8 \ 2
        {L(100000), I(3), "Long:33333"},
        {I(-32768), I(-1), "Long:32768"},
        {D(3e9), I(1), "E6"},
        {I(1), D(0.4), "E11"},                       // 0.4 rounds to 0
        {B(200), B(7), "Byte:28"},
        {T("10"), T("4"), "Long:2"},
        {Variant::null(), I(1), "Null"},
    });
    runTable("Mod", vb::opMod, {
        {I(10), I(3), "Integer:1"},
        {I(-10), I(3), "Integer:-1"},                // sign of the dividend
        {I(10), I(-3), "Integer:1"},
        {D(10.5), I(3), "Long:1"},                   // 10.5 rounds to 10
        {D(11.5), I(3), "Long:0"},                   // 11.5 rounds to 12
        {I(5), I(0), "E11"},
        {L(7), Variant::null(), "Null"},
    });
}

TEST(VariantOperators, PowerNegationAndConcatenation)
{
    runTable("^", vb::opPow, {
        {I(2), I(10), "Double:1024"},
        {I(2), I(-1), "Double:0.5"},
        {I(-8), D(1.0 / 3), "E5"},
        {I(0), I(-1), "E5"},
        {D(10), I(400), "E6"},
        {Variant::null(), I(2), "Null"},
    });
    struct NegCase { Variant a; const char *expected; };
    const NegCase negs[] = {
        {I(5), "Integer:-5"}, {I(-32768), "Long:32768"}, {L(INT32_MIN), "Double:2147483648"},
        {Variant(true), "Integer:1"}, {Variant(), "Integer:0"}, {Variant::null(), "Null"},
        {T("2.5"), "Double:-2.5"}, {T("x"), "E13"}, {B(3), "Integer:-3"},
    };
    for (const auto &c : negs)
        EXPECT_EQ(attempt([&] { return vb::opNeg(c.a); }), c.expected) << show(c.a);

    runTable("&", vb::opConcat, {
        {T("a"), T("b"), "String:ab"},
        {T("a"), Variant::null(), "String:a"},
        {Variant::null(), T("b"), "String:b"},
        {Variant::null(), Variant::null(), "Null"},   // Null only when both are Null
        {Variant(), Variant(), "String:"},
        {I(1), D(0.5), "String:10.5"},
        {Variant(true), T("!"), "String:True!"},
        {D(1e20), T(""), "String:1E+20"},
        {date(2026, 12, 10, 13, 5, 9), T(""), "String:12/10/2026 1:05:09 PM"},
    });
}

TEST(VariantOperators, LogicalOperatorsAreBitwiseWithThreeValuedNull)
{
    runTable("And", vb::opAnd, {
        {Variant(true), Variant(false), "Boolean:False"},
        {Variant(true), Variant(true), "Boolean:True"},
        {I(12), I(10), "Integer:8"},
        {L(0xFF00), I(0x0FF0), "Long:3840"},
        {B(0xF0), B(0x3C), "Byte:48"},
        {Variant::null(), Variant(false), "Boolean:False"},
        {Variant::null(), Variant(true), "Null"},
        {Variant::null(), I(0), "Integer:0"},
        {T("True"), Variant(true), "Boolean:True"},
        {D(2.5), I(3), "Long:2"},                    // 2.5 rounds to 2 before the bits
        {T("x"), I(1), "E13"},
    });
    runTable("Or", vb::opOr, {
        {Variant(false), Variant(false), "Boolean:False"},
        {I(12), I(3), "Integer:15"},
        {Variant::null(), Variant(true), "Boolean:True"},
        {Variant::null(), Variant(false), "Null"},
        {Variant::null(), Variant::null(), "Null"},
    });
    runTable("Xor", vb::opXor, {
        {Variant(true), Variant(false), "Boolean:True"},
        {I(6), I(3), "Integer:5"},
        {Variant::null(), Variant(true), "Null"},
    });
    runTable("Eqv", vb::opEqv, {
        {Variant(true), Variant(true), "Boolean:True"},
        {Variant(false), Variant(true), "Boolean:False"},
        {I(0), I(0), "Integer:-1"},
    });
    runTable("Imp", vb::opImp, {
        {Variant(true), Variant(false), "Boolean:False"},
        {Variant(false), Variant(false), "Boolean:True"},
        {Variant(false), Variant::null(), "Boolean:True"},
        {Variant::null(), Variant(true), "Boolean:True"},
        {Variant(true), Variant::null(), "Null"},
    });
    struct NotCase { Variant a; const char *expected; };
    const NotCase nots[] = {
        {Variant(true), "Boolean:False"}, {I(0), "Integer:-1"}, {L(5), "Long:-6"}, {B(0), "Byte:255"},
        {Variant(), "Integer:-1"}, {Variant::null(), "Null"}, {T("5"), "Long:-6"}, {T("x"), "E13"},
    };
    for (const auto &c : nots)
        EXPECT_EQ(attempt([&] { return vb::opNot(c.a); }), c.expected) << show(c.a);
}

TEST(VariantComparison, AcrossSubtypesAndModes)
{
    struct Case { Variant a, b; vb::CompareMode mode; const char *expected; }; // "<", "=", ">", "Null", "E.."
    const vb::CompareMode bin = vb::CompareMode::Binary, text = vb::CompareMode::Text;
    const Case cases[] = {
        {I(1), L(2), bin, "<"},
        {D(2.0), I(2), bin, "="},
        {Variant(true), I(-1), bin, "="},
        {C(1.5), D(1.5), bin, "="},
        {T("abc"), T("ABC"), bin, ">"},                  // binary: lower case sorts after upper
        {T("abc"), T("ABC"), text, "="},
        {T("a"), T("B"), bin, ">"},
        {T("a"), T("B"), text, "<"},
        {T("10"), T("9"), bin, "<"},                     // two texts compare as text
        {I(10), T("9"), bin, ">"},                       // number against numeric text: numerically
        {T(" 10 "), I(10), bin, "="},
        {I(10), T("abc"), bin, "<"},                     // a number sorts before other text
        {Variant(), I(0), bin, "="},
        {Variant(), T(""), bin, "="},
        {Variant(), T("a"), bin, "<"},
        {Variant(), D(-1), bin, ">"},
        {Variant(), Variant(), bin, "="},
        {Variant::null(), I(1), bin, "Null"},
        {Variant::null(), Variant::null(), bin, "Null"},
        {date(2026, 12, 10), T("12/10/2026"), bin, "="},
        {date(2026, 12, 10), date(2026, 12, 10, 0, 0, 1), bin, "<"},
        {date(2026, 12, 10), D(46366), bin, "="},
        {Variant::nothing(), I(1), bin, "E91"},
    };
    for (const auto &c : cases) {
        std::string got;
        try {
            int r = 0;
            got = !vb::compare(c.a, c.b, &r, c.mode) ? "Null" : r < 0 ? "<" : r > 0 ? ">" : "=";
        } catch (const vb::VbError &e) {
            got = "E" + std::to_string(e.number);
        }
        EXPECT_EQ(got, c.expected) << show(c.a) << " vs " << show(c.b);
    }
    EXPECT_EQ(show(vb::opEq(I(1), I(1))), "Boolean:True");
    EXPECT_EQ(show(vb::opNe(I(1), I(1))), "Boolean:False");
    EXPECT_EQ(show(vb::opLt(T("a"), T("b"))), "Boolean:True");
    EXPECT_EQ(show(vb::opGe(T("A"), T("a"), text)), "Boolean:True");
    EXPECT_EQ(show(vb::opLe(Variant::null(), I(1))), "Null");
    EXPECT_EQ(show(vb::opGt(D(2.5), L(2))), "Boolean:True");
}

TEST(VariantComparison, TruthAndIdentity)
{
    EXPECT_FALSE(vb::isTrue(Variant::null()));
    EXPECT_FALSE(vb::isTrue(Variant()));
    EXPECT_TRUE(vb::isTrue(I(2)));
    EXPECT_TRUE(vb::isTrue(T("true")));
    EXPECT_TRUE(vb::isTrue(T("-1")));
    EXPECT_FALSE(vb::isTrue(T("0")));
    EXPECT_EQ(attemptText([] { return std::string(vb::isTrue(T("yes")) ? "t" : "f"); }), "E13");

    auto obj = std::make_shared<vb::Object>();
    EXPECT_TRUE(vb::opIs(Variant(obj), Variant(obj)));
    EXPECT_FALSE(vb::opIs(Variant(obj), Variant::nothing()));
    EXPECT_TRUE(vb::opIs(Variant::nothing(), Variant::nothing()));
    EXPECT_EQ(attemptText([] { return std::string(vb::opIs(I(1), Variant::nothing()) ? "t" : "f"); }), "E424");
    // An object without a default member cannot stand for a value.
    EXPECT_EQ(attempt([&] { return vb::opAdd(Variant(obj), I(1)); }), "E438");
}

namespace {
// An object whose default member yields a value, as a field yields its Value.
class ValueObject : public vb::Object {
public:
    explicit ValueObject(Variant v) : m_v(std::move(v)) {}
    Variant defaultValue() override { return m_v; }
private:
    Variant m_v;
};
} // namespace

TEST(VariantOperators, ObjectsStandForTheirDefaultValue)
{
    const Variant field(std::make_shared<ValueObject>(T("42")));
    EXPECT_EQ(show(vb::opConcat(field, T("!"))), "String:42!");
    EXPECT_EQ(show(vb::opAdd(field, I(1))), "Double:43");
    EXPECT_EQ(show(vb::opEq(field, I(42))), "Boolean:True");
    EXPECT_EQ(field.toLong(), 42);
    const Variant nullField(std::make_shared<ValueObject>(Variant::null()));
    EXPECT_EQ(show(vb::opConcat(nullField, T("x"))), "String:x");
    EXPECT_EQ(attempt([&] { return Variant(nullField.toString()); }), "E94");
}
