#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "Brindle/Object.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/ui-toolkit/ui/ThemeFixture.h"

using namespace brindle_ui;
using Themes = std::vector<Theme>;

namespace {

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

TEST_F(ThemeTest, CallbacksRunAtRegistrationOnChangesAndOnEveryVariantWrite) {
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
    EXPECT_EQ(Theme::observerCount(), before + 1);
    Theme::setBackgroundVariant(0);
    EXPECT_EQ(seen.size(), 5u);
    EXPECT_EQ(Theme::observerCount(), before);
}

TEST_F(ThemeTest, RegistrationsLiveAsLongAsTheirOwnerOrUntilOneOfItsHandlesIsDisposed) {
    auto owner = Brindle::make<Brindle::Object>(), other = Brindle::make<Brindle::Object>();
    int first = 0, second = 0, owned = 0;
    auto handle = Theme::observe(owner, "a", [&](Theme) { ++first; });
    auto kept = Theme::observe(owner, "b", [&](Theme) { ++second; });
    Theme::observe(other, "owned", [&](Theme) { ++owned; });  // the handle is dropped at once
    handle->dispose();
    Theme::setCurrent(Theme::light);
    other.reset();
    Theme::setCurrent(Theme::dark);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(owned, 2);
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
    EXPECT_EQ(Colors::card(), Color::hex("#121414"));
    EXPECT_EQ(Color::paletteRed(), Color::hex("#fd5257"));
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
    EXPECT_EQ(Colors::nestedCard(), Color::hex("#e7e7e7"));
    EXPECT_EQ(Colors::foregroundSecondary(), Color::hex("#1B1B1B"));
    EXPECT_EQ(Color::paletteBackground(), Color::white());
    EXPECT_EQ(RawColors::shade(), "#4c000000");
    EXPECT_EQ(Colors::tertiaryTint(), Color::hex("#c785fe"));
}

}  // namespace
