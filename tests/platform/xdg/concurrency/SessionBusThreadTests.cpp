#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/xdg/DesktopColorScheme.h"
#include "platform/xdg/LauncherBadges.h"
#include "platform/xdg/SessionBus.h"
#include "tests/platform/xdg/PrivateBus.h"
#include "tests/platform/xdg/StubPortal.h"
#include "tests/support/Waiting.h"

using platform::xdg::ColorSchemePreference;

// The readers take the bus's news on threads of their own while others read what they know.
TEST(SessionBusThreads, UpdatesArriveOnTheReadersThreadWhileOthersRead) {
    bus_testing::PrivateBus bus;
    ASSERT_FALSE(bus.address.empty());
    bus_testing::StubPortal portal(bus.address, 2);
    ASSERT_TRUE(portal.ready);
    auto badges = platform::xdg::LauncherBadges::open(nullptr, nullptr, bus.address);
    auto scheme = platform::xdg::DesktopColorScheme::open(nullptr, nullptr, bus.address);
    ASSERT_TRUE(badges);
    std::atomic<int> changes{0};
    badges->setChangeHandler([&] { ++changes; });
    scheme->setChangeHandler([&] { ++changes; });
    auto publisher = platform::xdg::SessionBus::connect(nullptr, nullptr, bus.address);
    ASSERT_TRUE(publisher);
    ASSERT_TRUE(test_support::waitUntil([&] { return badges->listening(); }));

    constexpr int updates = 50;
    for (int count = 1; count <= updates; ++count) {
        g_dbus_connection_emit_signal(
            publisher->connection(), nullptr, "/x", platform::xdg::LauncherBadges::interfaceName, "Update",
            g_variant_new_parsed("('application://xterm.desktop', {'count': <%x>, 'count-visible': <true>})",
                                 gint64(count)),
            nullptr);
        if (count % 10 == 0) portal.change("org.freedesktop.appearance", "color-scheme", count % 20 ? 2 : 1);
        (void)badges->labels();
        (void)scheme->preference();
    }
    g_dbus_connection_flush_sync(publisher->connection(), nullptr, nullptr);
    EXPECT_TRUE(test_support::waitUntil(
        [&] {
            return badges->labels() ==
                       std::map<std::string, std::string>{{"xterm", std::to_string(updates)}} &&
                   scheme->preference() == ColorSchemePreference::light;
        },
        std::chrono::seconds(30)));
    EXPECT_GE(changes.load(), updates);
    publisher.reset();
    EXPECT_TRUE(test_support::waitUntil([&] { return badges->labels().empty(); }, std::chrono::seconds(30)));
}

// Readers opened and dropped while the bus is stopped leave their connecting threads behind; those
// end when the bus runs again, and whatever they were given is theirs alone.
TEST(SessionBusThreads, ReadersComeAndGoWhileTheBusIsStopped) {
    bus_testing::PrivateBus bus;
    ASSERT_FALSE(bus.address.empty());
    auto kept = platform::xdg::LauncherBadges::open(nullptr, nullptr, bus.address);
    ASSERT_TRUE(test_support::waitUntil([&] { return kept->listening(); }));
    bus.stop();
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread)
        threads.emplace_back([&] {
            for (int round = 0; round < 5; ++round) {
                auto badges = platform::xdg::LauncherBadges::open(nullptr, nullptr, bus.address);
                auto scheme = platform::xdg::DesktopColorScheme::open(nullptr, nullptr, bus.address);
                (void)badges->labels();
                (void)scheme->preference();
            }
        });
    for (auto& thread : threads) thread.join();
    bus.resume();
    auto late = platform::xdg::LauncherBadges::open(nullptr, nullptr, bus.address);
    EXPECT_TRUE(test_support::waitUntil([&] { return late->listening(); }));
    auto publisher = platform::xdg::SessionBus::connect(nullptr, nullptr, bus.address);
    ASSERT_TRUE(publisher);
    bus_testing::publishLauncherUpdate(publisher->connection(), "application://xterm.desktop",
                                       "{'count': <int64 4>, 'count-visible': <true>}");
    EXPECT_TRUE(
        test_support::waitUntil([&] { return kept->labels().size() == 1 && late->labels().size() == 1; }));
}
