#include <gtest/gtest.h>

#include <QApplication>

#include "platform/base/DispatchQueue.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/TestEnvironment.h"

// Widget tests: a real QApplication (offscreen) and the virtual main loop for every delay.
int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    test_support::isolateTestRun();
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    platform::testing::VirtualMainLoop loop;
    int status = RUN_ALL_TESTS();
    platform::DispatchQueue::shutdownPool();
    test_support::removeTestRunFiles();
    return status;
}
