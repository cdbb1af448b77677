#include "ScriptTestSupport.h"

using vb::Variant;
using namespace vbstest;

TEST(Smoke, RunsCode)
{
    vbs::ScriptControl sc;
    sc.AddCode("Dim x\nx = 1 + 2\nFunction F(a)\n F = a * 2\nEnd Function");
    EXPECT_EQ(show(sc.Eval("F(x)")), "Integer:6");
}
