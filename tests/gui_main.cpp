// main() of the GUI test programs: one application object for all tests, the programs' own
// (toolkit::Application), on the offscreen platform unless the caller chose another (test
// discovery runs without a display too).

#include "toolkit/qt_glue.h"
#if defined(VEXILO_TEST_WEBENGINE)
#include "browser/glint.h"
#endif

#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (the build does, to register them) needs no application: no Qt
    // start-up, none of its warnings in the build's output.
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
#if defined(VEXILO_TEST_WEBENGINE)
    glint::prepareApplication();
#endif
    toolkit::Application app(argc, argv);
    return RUN_ALL_TESTS();
}
