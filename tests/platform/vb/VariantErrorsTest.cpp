#include "vb/VbError.h"

#include <gtest/gtest.h>

TEST(VariantErrors, ClassicNumbersAndTexts)
{
    struct Case { int32_t number; const char *text; };
    const Case cases[] = {
        {5, "Invalid procedure call or argument"},
        {6, "Overflow"},
        {9, "Subscript out of range"},
        {11, "Division by zero"},
        {13, "Type mismatch"},
        {53, "File not found"},
        {91, "Object variable not set"},
        {93, "Invalid pattern string"},
        {94, "Invalid use of Null"},
        {424, "Object required"},
        {429, "ActiveX component can't create object"},
        {438, "Object doesn't support this property or method"},
        {3021, "Either BOF or EOF is True, or the current record has been deleted. Requested operation requires a current record."},
        {-2147217887, "Multiple-step operation generated errors. Check each status value."},
        {4242, "Application-defined or object-defined error"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(vb::errorText(c.number).toStdString(), c.text) << c.number;

    try {
        vb::raise(1001, QStringLiteral("Invalid key"), QStringLiteral("clsHashTable"));
        FAIL() << "raise must throw";
    } catch (const vb::VbError &e) {
        EXPECT_EQ(e.number, 1001);
        EXPECT_EQ(e.description.toStdString(), "Invalid key");
        EXPECT_EQ(e.source.toStdString(), "clsHashTable");
        EXPECT_STREQ(e.what(), "1001 Invalid key");
    }
    const vb::VbError defaulted(13);
    EXPECT_EQ(defaulted.description.toStdString(), "Type mismatch");
}
