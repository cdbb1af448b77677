#include "VariantTestSupport.h"

#include "vb/Strings.h"

#include <gtest/gtest.h>

using namespace vbtest;
using vb::CompareMode;
using vb::Variant;

namespace {
const CompareMode bin = CompareMode::Binary, text = CompareMode::Text;
} // namespace

TEST(Like, PatternsInBothModes)
{
    struct Case { const char *s, *pattern; CompareMode mode; const char *expected; };
    const Case cases[] = {
        {"aBBBa", "a*a", bin, "T"},
        {"abc", "a?c", bin, "T"},
        {"ac", "a?c", bin, "F"},
        {"a2c", "a#c", bin, "T"},
        {"abc", "a#c", bin, "F"},
        {"F", "[A-Z]", bin, "T"},
        {"f", "[A-Z]", bin, "F"},
        {"f", "[A-Z]", text, "T"},
        {"F", "[a-z]", text, "T"},
        {"a", "[!a-z]", bin, "F"},
        {"1", "[!a-z]", bin, "T"},
        {"ABC", "abc", bin, "F"},
        {"ABC", "abc", text, "T"},
        {"a*b", "a[*]b", bin, "T"},
        {"axb", "a[*]b", bin, "F"},
        {"a?", "a[?]", bin, "T"},
        {"#1", "[#]#", bin, "T"},
        {"a[", "a[[]", bin, "T"},
        {"a]", "a]", bin, "T"},
        {"-", "[a-]", bin, "T"},
        {"b", "[a-]", bin, "F"},
        {"ab", "a[]b", bin, "T"},
        {"", "*", bin, "T"},
        {"", "?", bin, "F"},
        {"", "", bin, "T"},
        {"abc", "", bin, "F"},
        {"ISA*00*", "ISA[*]##[*]", bin, "T"},
        {"GS*PO*SENDER", "GS[*]??[*]*", bin, "T"},
        {"abcabcabd", "*abd", bin, "T"},
        {"abcabcabc", "*abd", bin, "F"},
        {"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*a*a*a*a*c", bin, "F"},
        {"x", "[z-a]", bin, "E93"},
        {"x", "[abc", bin, "E93"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(attemptText([&] { return std::string(vb::Like(c.s, c.pattern, c.mode) ? "T" : "F"); }), c.expected)
            << '"' << c.s << "\" Like \"" << c.pattern << '"';
    EXPECT_EQ(show(vb::opLike(Variant::null(), T("*"))), "Null");
    EXPECT_EQ(show(vb::opLike(I(123), T("1##"))), "Boolean:True");
}
