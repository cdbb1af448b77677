// Test main: every test executable runs inside a QApplication on the
// offscreen platform, so windows and dialogs can be built without a display,
// and every test runs in the environment of TestEnvironment.h.
#include "TestEnvironment.h"

#include "controls/GuardedApplication.h"

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's application object; an error escaping to its event
    // loop fails the running test instead of being reported in a box.
    controls::GuardedApplication app(argc, argv);
    app.escapedError = [] {
        try {
            throw;
        } catch (const std::exception &error) {
            ADD_FAILURE() << "an error escaped to the event loop: " << error.what();
        } catch (...) {
            ADD_FAILURE() << "something that is no exception escaped to the event loop";
        }
    };
    ::testing::InitGoogleTest(&argc, argv);
    corvantis::test::installHarness();
    return RUN_ALL_TESTS();
}
