#include <gtest/gtest.h>

#include <mutex>

#include "platform/xdg/LauncherBadges.h"
#include "platform/xdg/SessionBus.h"
#include "tests/platform/xdg/PrivateBus.h"
#include "tests/support/Waiting.h"

using platform::xdg::LauncherBadges;
using platform::xdg::LauncherUpdate;
using platform::xdg::SessionBus;
using Labels = std::map<std::string, std::string>;

namespace {

std::optional<LauncherUpdate> decode(const char* text) {
    auto* value = g_variant_parse(nullptr, text, nullptr, nullptr, nullptr);
    if (!value) return LauncherUpdate{"unparsed", std::nullopt, std::nullopt};
    auto update = platform::xdg::decodeLauncherUpdate(value);
    g_variant_unref(value);
    return update;
}

void publish(const SessionBus& publisher, const char* properties) {
    bus_testing::publishLauncherUpdate(publisher.connection(), "application://xterm.desktop", properties);
}

}  // namespace

TEST(LauncherBadges, DecodesTheApplicationAndItsCountFromAnUpdate) {
    const auto named = [](std::size_t length) {
        return "('application://" + std::string(length, 'a') + ".desktop', @a{sv} {})";
    };
    const std::pair<std::string, std::optional<LauncherUpdate>> cases[] = {
        {"('application://xterm.desktop', {'count': <int64 3>, 'count-visible': <true>})",
         LauncherUpdate{"xterm", 3, true}},
        {"('application://org.example.Mail.desktop', {'count': <7>, 'progress': <0.5>, 'urgent': <true>})",
         LauncherUpdate{"org.example.Mail", 7, std::nullopt}},
        {"('application://xterm.desktop', {'count': <int64 1>, 'count': <int64 -2>})",
         LauncherUpdate{"xterm", -2, std::nullopt}},
        // Properties of the wrong type, or a count beyond 64 signed bits, are not believed.
        {"('application://xterm.desktop', {'count': <'3'>, 'count-visible': <1>})",
         LauncherUpdate{"xterm", std::nullopt, std::nullopt}},
        {"('application://xterm.desktop', {'count': <uint64 18446744073709551615>})",
         LauncherUpdate{"xterm", std::nullopt, std::nullopt}},
        // Not an application's address, or not an update at all.
        {"('xterm.desktop', {'count': <int64 3>})", std::nullopt},
        {"('application://.desktop', {'count': <int64 3>})", std::nullopt},
        {"('application://xterm.desktop', {'count': <int64 3>}, 1)", std::nullopt},
        // Ids no desktop file has; a file name has 255 bytes, ".desktop" included.
        {"('application://../xterm.desktop', {'count': <int64 3>})", std::nullopt},
        {"('application://bin/xterm.desktop', {'count': <int64 3>})", std::nullopt},
        {"('application://org.example.Gimp-2.10_x+y', @a{sv} {})",
         LauncherUpdate{"org.example.Gimp-2.10_x+y"}},
        {named(247), LauncherUpdate{std::string(247, 'a')}},
        {named(248), std::nullopt},
        // Counts a badge cannot show are brought to its ends.
        {"('application://xterm.desktop', {'count': <int64 9223372036854775807>})",
         LauncherUpdate{"xterm", 999}},
        {"('application://xterm.desktop', {'count': <int64 -9223372036854775808>})",
         LauncherUpdate{"xterm", -99}},
        {"('application://xterm.desktop', {'count': <uint32 4294967295>})", LauncherUpdate{"xterm", 999}},
    };
    for (const auto& [parameters, expected] : cases)
        EXPECT_EQ(decode(parameters.c_str()), expected) << parameters;

    // The serialised form decodes alike.
    auto* value = g_variant_parse(nullptr, cases[0].first.c_str(), nullptr, nullptr, nullptr);
    EXPECT_EQ(platform::xdg::decodeLauncherUpdate(static_cast<const std::uint8_t*>(g_variant_get_data(value)),
                                                  g_variant_get_size(value)),
              cases[0].second);
    g_variant_unref(value);
}

TEST(LauncherBadges, ShowsAVisibleCountUntilItIsHiddenOrItsProgramLeavesTheBus) {
    bus_testing::PrivateBus bus;
    ASSERT_FALSE(bus.address.empty());
    auto* context = g_main_context_new();
    std::string error;
    auto badges = LauncherBadges::open(&error, context, bus.address);
    ASSERT_TRUE(badges) << error;
    std::vector<Labels> seen;
    badges->setChangeHandler([&] { seen.push_back(badges->labels()); });
    auto until = [&](const Labels& labels) {
        return bus_testing::iterateUntil(context, [&] { return badges->labels() == labels; });
    };
    auto publisher = SessionBus::connect(&error, nullptr, bus.address);
    ASSERT_TRUE(publisher) << error;
    ASSERT_TRUE(bus_testing::iterateUntil(context, [&] { return badges->listening(); }));

    publish(*publisher, "{'count': <int64 3>, 'count-visible': <true>}");
    EXPECT_TRUE(until({{"xterm", "3"}}));
    publish(*publisher, "{'count-visible': <false>}");
    EXPECT_TRUE(until({}));
    // The count is kept while hidden, and shows again when its program says so.
    publish(*publisher, "{'count-visible': <true>}");
    EXPECT_TRUE(until({{"xterm", "3"}}));

    // A program that publishes and quits at once: its count shows, then goes with it; the others
    // stay.
    ASSERT_EQ(bus.emitLauncherUpdate("application://org.example.Mail.desktop",
                                     "{'count': <int64 12>, 'count-visible': <true>}"),
              0);
    EXPECT_TRUE(bus_testing::iterateUntil(context, [&] {
        return !seen.empty() && seen.back() == Labels{{"xterm", "3"}} &&
               std::count(seen.begin(), seen.end(), Labels{{"org.example.Mail", "12"}, {"xterm", "3"}}) == 1;
    }));
    // Hidden by another program, which then leaves: nothing comes back.
    ASSERT_EQ(bus.emitLauncherUpdate("application://xterm.desktop", "{'count-visible': <false>}"), 0);
    EXPECT_TRUE(until({}));
    publish(*publisher, "{'count': <int64 4>, 'count-visible': <true>}");
    EXPECT_TRUE(until({{"xterm", "4"}}));
    // What it left hidden goes with it too.
    bus_testing::publishLauncherUpdate(publisher->connection(), "application://hidden.desktop",
                                       "{'count': <int64 1>, 'count-visible': <false>}");
    EXPECT_TRUE(bus_testing::iterateUntil(context, [&] { return badges->entryCountForTesting() == 2; }));
    publisher.reset();
    EXPECT_TRUE(until({}));
    EXPECT_EQ(badges->entryCountForTesting(), 0u);

    badges.reset();
    g_main_context_unref(context);
}

TEST(LauncherBadges, WhatOneProgramOrAllTogetherPublishStaysBounded) {
    bus_testing::PrivateBus bus;
    auto badges = LauncherBadges::open(nullptr, nullptr, bus.address);
    auto update = [](int id) { return LauncherUpdate{"app" + std::to_string(id), 1, true}; };
    // One program naming more applications than it may: the first ones are kept.
    for (int id = 0; id < 100; ++id) badges->applyForTesting(":1.1", update(id));
    EXPECT_EQ(badges->entryCountForTesting(), LauncherBadges::maximumEntriesPerSender);
    // Many programs together, up to the bound in all; a known application may still change.
    for (int sender = 2; sender < 100; ++sender)
        for (int id = 0; id < 40; ++id)
            badges->applyForTesting(":1." + std::to_string(sender), update(sender * 100 + id));
    EXPECT_EQ(badges->entryCountForTesting(), LauncherBadges::maximumEntries);
    badges->applyForTesting(":1.1", {"app0", 5, true});
    EXPECT_EQ(badges->labels().at("app0"), "5");
}

TEST(LauncherBadges, ABusThatIsStoppedNeverAnswersOrIsNotThereHoldsNobodyUp) {
    // Stopped before the reader opens: it opens at once, and listens once the bus runs.
    bus_testing::PrivateBus bus;
    ASSERT_FALSE(bus.address.empty());
    bus.stop();
    auto badges = LauncherBadges::open(nullptr, nullptr, bus.address);
    ASSERT_TRUE(badges);
    EXPECT_FALSE(badges->listening());
    bus.resume();
    EXPECT_TRUE(test_support::waitUntil([&] { return badges->listening(); }));
    // Stopped while it is read, then the reader goes: nothing waits for the bus.
    bus.stop();
    badges.reset();
    bus.resume();

    // A bus that takes the connection and never says a word: the reader opens and goes all the
    // same; the connection it left behind ends with that bus.
    {
        bus_testing::SilentBus silent;
        ASSERT_FALSE(silent.address.empty());
        for (int attempt = 0; attempt < 3; ++attempt) {
            auto reader = LauncherBadges::open(nullptr, nullptr, silent.address);
            EXPECT_TRUE(reader && !reader->listening());
        }
    }

    // No bus at that address: a reader all the same, and the reason comes when it is known.
    std::mutex mutex;
    std::string reason;
    auto unreachable =
        LauncherBadges::open(nullptr, nullptr, "unix:path=/nonexistent/bus", [&](const std::string& why) {
            std::lock_guard lock(mutex);
            reason = why;
        });
    EXPECT_TRUE(unreachable);
    EXPECT_TRUE(test_support::waitUntil([&] {
        std::lock_guard lock(mutex);
        return !reason.empty();
    }));
}
