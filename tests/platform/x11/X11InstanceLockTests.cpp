#include <gtest/gtest.h>
#include <sys/stat.h>

#include <atomic>
#include <cstdlib>

#include "platform/x11/X11InstanceLock.h"
#include "tests/platform/x11/X11Session.h"
#include "tests/support/TemporaryFolder.h"

using platform::x11::X11InstanceLock;

TEST(X11InstanceLockTest, ADisplayNamesOneLockWhateverItsScreenOrTransport) {
    for (const char* name : {":1", ":1.0", "unix:1", "unix:1.2"})
        EXPECT_EQ(X11InstanceLock::displayKey(name), "_1");
    EXPECT_EQ(X11InstanceLock::displayKey("host.example:10.0"), "host_example_10");
    EXPECT_NE(X11InstanceLock::displayKey(":1"), X11InstanceLock::displayKey(":10"));
    EXPECT_EQ(X11InstanceLock::displayKey("../../x"), "______x") << "no path in the name";
}

TEST(X11InstanceLockTest, ALaterInstanceTellsTheFirstToComeForwardAndGetsNoLockUntilTheFirstEnds) {
    test_support::TemporaryFolder runtime;
    ::chmod(runtime.path().c_str(), 0700);
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    std::string previous = saved ? saved : "";
    setenv("XDG_RUNTIME_DIR", runtime.path().c_str(), 1);
    std::atomic<int> forward = 0;
    bool handedOver = true;
    auto first = X11InstanceLock::claim(
        ":5", [&] { ++forward; }, &handedOver);
    ASSERT_TRUE(first);
    EXPECT_FALSE(handedOver);
    EXPECT_FALSE(X11InstanceLock::claim(
        ":5.0", [] {}, &handedOver));
    EXPECT_TRUE(handedOver);
    EXPECT_TRUE(waitFor([&] { return forward == 1; }));
    EXPECT_TRUE(X11InstanceLock::claim(
        ":6", [] {}, &handedOver))
        << "another display has its own";
    first.reset();
    EXPECT_TRUE(X11InstanceLock::claim(
        ":5", [] {}, &handedOver));
    EXPECT_FALSE(handedOver);
    saved ? setenv("XDG_RUNTIME_DIR", previous.c_str(), 1) : unsetenv("XDG_RUNTIME_DIR");
}
