// Test main: every test executable runs inside a QApplication on the
// offscreen platform, so windows and dialogs can be built without a display,
// and every test runs in the environment of TestEnvironment.h.
#include "TestEnvironment.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    corvantis::test::installHarness();
    return RUN_ALL_TESTS();
}
