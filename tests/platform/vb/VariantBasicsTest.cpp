#include "vb/Variant.h"
#include "vb/VbError.h"

#include <gtest/gtest.h>

using vb::Variant;
using vb::VarType;

TEST(VariantBasics, SubtypesAndNames)
{
    struct Case { Variant v; VarType type; const char *name; };
    const Case cases[] = {
        {Variant(), VarType::Empty, "Empty"},
        {Variant::null(), VarType::Null, "Null"},
        {Variant(true), VarType::Boolean, "Boolean"},
        {Variant(int16_t(5)), VarType::Integer, "Integer"},
        {Variant(int32_t(5)), VarType::Long, "Long"},
        {Variant(2.5), VarType::Double, "Double"},
        {Variant("x"), VarType::String, "String"},
        {Variant::nothing(), VarType::Object, "Nothing"},
        {Variant::fromCurrency(12345), VarType::Currency, "Currency"},
        {Variant::fromDate(45000.5), VarType::Date, "Date"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(c.v.type(), c.type) << c.name;
        EXPECT_EQ(c.v.typeName().toStdString(), c.name);
    }
    EXPECT_EQ(Variant(true).rawInt(), -1); // True is -1
}

TEST(VariantBasics, ArraysBoundsAndCopyOnWrite)
{
    auto arr = std::make_shared<vb::SafeArray>();
    arr->bounds = {{0, 3}};
    arr->data.resize(3);
    Variant a(arr);
    Variant b = a;
    b.mutableArray()->at({1}) = Variant("changed");
    EXPECT_TRUE(a.rawArray()->at({1}).isEmpty()); // arrays are copied on assignment
    EXPECT_EQ(b.rawArray()->ubound(1), 2);
    try {
        (void)a.rawArray()->at({3});
        FAIL() << "index 3 of a 0..2 array must fail";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, 9);
        EXPECT_EQ(e.description, "Subscript out of range");
    }
}

TEST(VariantBasics, ExactDecimalsKeepTheirDigits)
{
    struct Case { const char *text; const char *digits; double value; };
    const Case cases[] = {
        {"9007199254740993", "9007199254740993", 9007199254740992.0},
        {"-9223372036854775808", "-9223372036854775808", -9223372036854775808.0},
        {"123456789012345678.91", "123456789012345678.91", 123456789012345678.91},
        {"+007.50", "7.5", 7.5},
        {"-0.000", "0", 0},
        {".25", "0.25", 0.25},
        {"12.", "12", 12},
    };
    for (const Case &c : cases) {
        const std::optional<Variant> v = Variant::fromDecimalText(QString::fromLatin1(c.text));
        ASSERT_TRUE(v) << c.text;
        EXPECT_EQ(v->type(), VarType::Decimal) << c.text;
        EXPECT_EQ(v->toString(), QString::fromLatin1(c.digits)) << c.text;
        EXPECT_EQ(v->toDouble(), c.value) << c.text;
    }
    for (const char *notPlain : {"", "-", ".", "1e5", "1.2.3", " 1", "0x10", "1,000"})
        EXPECT_FALSE(Variant::fromDecimalText(QString::fromLatin1(notPlain))) << notPlain;

    // Negation keeps the digits; arithmetic works on the Double value.
    const Variant big = *Variant::fromDecimalText(u"1234567890123456789");
    EXPECT_EQ(vb::opNeg(big).toString(), QStringLiteral("-1234567890123456789"));
    EXPECT_EQ(vb::opNeg(vb::opNeg(big)).toString(), QStringLiteral("1234567890123456789"));
    EXPECT_EQ(vb::opAdd(*Variant::fromDecimalText(u"1.5"), Variant(int16_t(1))).toDouble(), 2.5);
    EXPECT_TRUE(big.sameAs(*Variant::fromDecimalText(u"01234567890123456789")));
    EXPECT_FALSE(big.sameAs(*Variant::fromDecimalText(u"1234567890123456788")));
    // A Decimal made from a Double still prints as CStr prints a Double.
    EXPECT_EQ(Variant::fromDecimal(0.1).toString(), QStringLiteral("0.1"));
}
