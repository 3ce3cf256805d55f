#include <gtest/gtest.h>

#include "platform/xdg/LauncherBadges.h"
#include "platform/xdg/SessionBus.h"
#include "tests/platform/xdg/PrivateBus.h"

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
    struct Case {
        const char* parameters;
        std::optional<LauncherUpdate> expected;
    };
    const Case cases[] = {
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
    };
    for (const auto& test : cases) EXPECT_EQ(decode(test.parameters), test.expected) << test.parameters;

    // The serialised form decodes alike.
    auto* value = g_variant_parse(nullptr, cases[0].parameters, nullptr, nullptr, nullptr);
    EXPECT_EQ(platform::xdg::decodeLauncherUpdate(static_cast<const std::uint8_t*>(g_variant_get_data(value)),
                                                  g_variant_get_size(value)),
              cases[0].expected);
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
    publisher.reset();
    EXPECT_TRUE(until({}));

    badges.reset();
    g_main_context_unref(context);
}

TEST(LauncherBadges, NoSessionBusMeansNoReaderAndAReason) {
    std::string error;
    EXPECT_FALSE(LauncherBadges::open(&error, nullptr, "unix:path=/nonexistent/bus"));
    EXPECT_FALSE(error.empty());
}
