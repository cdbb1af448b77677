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
