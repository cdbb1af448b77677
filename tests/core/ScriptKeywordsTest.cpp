#include "core/ScriptKeywords.h"

#include <gtest/gtest.h>

// The references of both windows list exactly these entries, in this order.
TEST(ScriptKeywords, ListsHoldTheLanguageElementsInOrder)
{
    const QStringList &f = core::varFunctionNames();
    ASSERT_EQ(f.size(), 93);
    EXPECT_EQ(f.first(), QStringLiteral("Abs"));
    EXPECT_EQ(f.at(13), QStringLiteral("CreateObject"));
    EXPECT_EQ(f.last(), QStringLiteral("Year"));
    EXPECT_EQ(QStringList(f).removeDuplicates(), 0);

    const QStringList &s = core::varStatementNames();
    ASSERT_EQ(s.size(), 27);
    EXPECT_EQ(s.at(1), QStringLiteral("Class ... End Class"));
    EXPECT_EQ(s.last(), QStringLiteral("With ... End With"));

    const QStringList &o = core::varOperatorNames();
    ASSERT_EQ(o.size(), 21);
    EXPECT_EQ(o.at(18), QStringLiteral("\\"));
    EXPECT_EQ(o.last(), QStringLiteral("^"));
}
