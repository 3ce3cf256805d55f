#include <gtest/gtest.h>

#include <QApplication>
#include <optional>

#include "tests/platform/x11/X11Session.h"
#include "tests/support/TestEnvironment.h"

// Qt on xcb, on an Xvfb of the run's own without a window manager; none for listing the tests.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
    test_support::isolateTestRun();
    X11Session session(false);
    if (!session.ready) {
        std::fprintf(stderr, "no Xvfb\n");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    int status = 0;
    {
        QApplication application(argc, argv);
        status = RUN_ALL_TESTS();
    }
    test_support::removeTestRunFiles();
    return status;
}
