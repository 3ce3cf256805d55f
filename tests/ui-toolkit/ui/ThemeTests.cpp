#include <gtest/gtest.h>

#include <thread>
#include <tuple>
#include <vector>

#include "Brindle/Object.h"
#include "platform/testing/VirtualMainLoop.h"
#include "ui-toolkit/ui/Theme.h"

using namespace brindle_ui;
using Themes = std::vector<Theme>;

namespace {

// Puts the process-wide theme back to its start values around each test.
class ThemeTest : public ::testing::Test {
protected:
    ThemeTest() { reset(); }
    ~ThemeTest() override { reset(); }
    static void reset() {
        Theme::setCurrent(Theme::dark);
        Theme::setBackgroundVariant(0);
        Theme::setSecondaryVariant(1);
    }
};

TEST_F(ThemeTest, StreamGivesTheThemeAtTheReadThenEachChange) {
    Themes seen;
    auto observable = Theme::observable();
    Theme::setCurrent(Theme::light);  // after the read: the stream still starts with dark
    auto subscription = observable.subscribe([&](const Theme& theme) { seen.push_back(theme); });
    Theme::setCurrent(Theme::light);
    Theme::setCurrent(Theme::dark);
    Theme::setBackgroundVariant(1);
    Theme::setCurrent(Theme(static_cast<Theme::Value>(3)));  // only the lowest bit counts
    subscription.dispose();
    EXPECT_EQ(seen, (Themes{Theme::dark, Theme::dark, Theme::light}));
    EXPECT_EQ(Theme::current().name(), "light");
}

TEST_F(ThemeTest, CallbacksRunAtRegistrationOnChangesAndOnEveryVariantWriteWhileTheirOwnerLives) {
    Themes seen;
    auto handle = Theme::observe(nullptr, __FILE__, [&](Theme theme) { seen.push_back(theme); });
    Theme::setCurrent(Theme::dark);
    Theme::setBackgroundVariant(Theme::backgroundVariant());
    Theme::setSecondaryVariant(7);
    Theme::setCurrent(Theme::light);
    handle->dispose();
    handle->dispose();
    Theme::setCurrent(Theme::dark);
    EXPECT_EQ(seen, (Themes{Theme::dark, Theme::dark, Theme::dark, Theme::light}));
    // A handle without an owner that is released leaves at the next clean-up.
    auto before = Theme::observerCount();
    Theme::observe(nullptr, "dropped", [&](Theme theme) { seen.push_back(theme); });
    Theme::setBackgroundVariant(0);
    EXPECT_EQ(seen.size(), 5u);
    EXPECT_EQ(Theme::observerCount(), before);
    // Registrations with an owner live as long as it, or until one of its handles is disposed.
    auto owner = Brindle::make<Brindle::Object>(), other = Brindle::make<Brindle::Object>();
    int first = 0, second = 0, owned = 0;
    auto byOwner = Theme::observe(owner, "a", [&](Theme) { ++first; });
    auto kept = Theme::observe(owner, "b", [&](Theme) { ++second; });
    Theme::observe(other, "owned", [&](Theme) { ++owned; });  // the handle is dropped at once
    byOwner->dispose();
    Theme::setCurrent(Theme::light);
    other.reset();
    Theme::setCurrent(Theme::dark);
    EXPECT_EQ(std::tuple(first, second, owned), std::tuple(1, 1, 2));
}

TEST_F(ThemeTest, RegistrationFromAnotherThreadJoinsOnTheMainQueue) {
    platform::testing::VirtualMainLoop loop;
    Themes seen;
    brindle_core::IDisposablePtr handle;
    std::thread([&] {
        handle = Theme::observe(nullptr, "worker", [&](Theme t) { seen.push_back(t); });
    }).join();
    Theme::setCurrent(Theme::light);  // the record is not in the list yet
    EXPECT_EQ(seen, Themes{Theme::dark});
    loop.runUntilIdle();
    Theme::setCurrent(Theme::dark);
    EXPECT_EQ(seen, (Themes{Theme::dark, Theme::dark}));
    handle->dispose();
}

TEST_F(ThemeTest, PaletteFollowsTheThemeAndTheBackgroundVariant) {
    EXPECT_EQ(Colors::surface(), Color::hex("#171818"));
    EXPECT_EQ(RawColors::shade(), "#23ffffff");  // two leading digits that the colour ignores
    EXPECT_EQ(Colors::shade(), Color::white());
    EXPECT_EQ(Colors::secondaryTint(), Colors::secondary());
    Theme::setBackgroundVariant(1);
    EXPECT_EQ(Colors::surface(), Color::black());
    Theme::setCurrent(Theme::light);
    EXPECT_EQ(Colors::surface(), Color::white());
    Theme::setBackgroundVariant(0);
    EXPECT_EQ(Colors::surface(), Color::hex("#F6F6F6"));
    EXPECT_EQ(Colors::foregroundSecondary(), Color::hex("#1B1B1B"));  // stored without its "#"
    EXPECT_EQ(RawColors::shade(), "#4c000000");
    EXPECT_EQ(Colors::tertiaryTint(), Color::hex("#c785fe"));
}

}  // namespace
