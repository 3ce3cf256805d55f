#include <gtest/gtest.h>

#include <memory>
#include <thread>
#include <vector>

#include "Brindle/Object.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/ui-toolkit/ui/ThemeFixture.h"
#include "ui-toolkit/ui/Theme.h"

using namespace brindle_ui;

namespace {

TEST_F(ThemeTest, StreamGivesTheThemeAtTheReadThenEachChange) {
    std::vector<Theme> seen;
    auto observable = Theme::observable();
    Theme::setCurrent(Theme::light);  // after the read: the stream still starts with dark
    auto subscription = observable.subscribe([&](const Theme& theme) { seen.push_back(theme); });
    Theme::setCurrent(Theme::light);
    Theme::setCurrent(Theme::dark);
    Theme::setBackgroundVariant(1);
    subscription.dispose();
    EXPECT_EQ(seen, (std::vector<Theme>{Theme::dark, Theme::dark}));

    seen.clear();
    auto later = Theme::observable().subscribe([&](const Theme& theme) { seen.push_back(theme); });
    Theme::setCurrent(Theme::light);
    Theme::setCurrent(Theme::light);
    later.dispose();
    EXPECT_EQ(seen, (std::vector<Theme>{Theme::dark, Theme::light}));
    EXPECT_EQ(Theme::current().name(), "light");
}

TEST_F(ThemeTest, OnlyTheLowestBitOfANewThemeCounts) {
    Theme::setCurrent(Theme(static_cast<Theme::Value>(3)));
    EXPECT_EQ(Theme::current(), Theme::light);
}

TEST_F(ThemeTest, CallbacksRunAtRegistrationOnChangesAndOnEveryVariantWrite) {
    std::vector<Theme> seen;
    auto handle = Theme::observe(nullptr, __FILE__, [&](Theme theme) { seen.push_back(theme); });
    EXPECT_EQ(seen, std::vector<Theme>{Theme::dark});
    Theme::setCurrent(Theme::dark);
    EXPECT_EQ(seen.size(), 1u);
    Theme::setBackgroundVariant(Theme::backgroundVariant());
    Theme::setSecondaryVariant(7);
    Theme::setCurrent(Theme::light);
    EXPECT_EQ(seen, (std::vector<Theme>{Theme::dark, Theme::dark, Theme::dark, Theme::light}));
    handle->dispose();
    handle->dispose();
    Theme::setCurrent(Theme::dark);
    EXPECT_EQ(seen.size(), 4u);
}

TEST_F(ThemeTest, DisposingOneHandleEndsEveryRegistrationOfItsOwner) {
    auto owner = Brindle::make<Brindle::Object>();
    int first = 0;
    int second = 0;
    int other = 0;
    auto handle = Theme::observe(owner, "a", [&](Theme) { ++first; });
    auto kept = Theme::observe(owner, "b", [&](Theme) { ++second; });
    auto unrelated = Theme::observe(nullptr, "c", [&](Theme) { ++other; });
    handle->dispose();
    Theme::setCurrent(Theme::light);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 1);
    EXPECT_EQ(other, 2);
    unrelated->dispose();
}

TEST_F(ThemeTest, RegistrationLivesAsLongAsItsOwner) {
    auto owner = Brindle::make<Brindle::Object>();
    int calls = 0;
    {
        auto handle = Theme::observe(owner, "owned", [&](Theme) { ++calls; });
    }
    Theme::setCurrent(Theme::light);
    EXPECT_EQ(calls, 2);
    owner.reset();
    Theme::setCurrent(Theme::dark);
    EXPECT_EQ(calls, 2);
}

TEST_F(ThemeTest, ReleasedHandleWithoutOwnerLeavesAtTheNextCleanUp) {
    auto before = Theme::observerCount();
    int calls = 0;
    Theme::observe(nullptr, "dropped", [&](Theme) { ++calls; });
    EXPECT_EQ(Theme::observerCount(), before + 1);
    Theme::setBackgroundVariant(0);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(Theme::observerCount(), before);
}

TEST_F(ThemeTest, RegistrationFromAnotherThreadJoinsOnTheMainQueue) {
    platform::testing::VirtualMainLoop loop;
    std::vector<Theme> seen;
    brindle_core::IDisposablePtr handle;
    std::thread([&] {
        handle = Theme::observe(nullptr, "worker", [&](Theme t) { seen.push_back(t); });
    }).join();
    Theme::setCurrent(Theme::light);  // the record is not in the list yet
    EXPECT_EQ(seen, std::vector<Theme>{Theme::dark});
    loop.runUntilIdle();
    Theme::setCurrent(Theme::dark);
    EXPECT_EQ(seen, (std::vector<Theme>{Theme::dark, Theme::dark}));
    handle->dispose();
}

TEST_F(ThemeTest, PaletteFollowsTheThemeAndTheBackgroundVariant) {
    EXPECT_EQ(Colors::card(), Color::hex("#121414"));
    EXPECT_EQ(Color::paletteRed(), Color::hex("#fd5257"));
    EXPECT_EQ(Colors::surface(), Color::hex("#171818"));
    Theme::setBackgroundVariant(1);
    EXPECT_EQ(Colors::surface(), Color::black());
    Theme::setCurrent(Theme::light);
    EXPECT_EQ(Colors::surface(), Color::white());
    Theme::setBackgroundVariant(0);
    EXPECT_EQ(Colors::surface(), Color::hex("#F6F6F6"));
    EXPECT_EQ(Colors::nestedCard(), Color::hex("#e7e7e7"));
    EXPECT_EQ(Colors::foregroundSecondary(), Color::hex("#1B1B1B"));
    EXPECT_EQ(Color::paletteBackground(), Color::white());
}

TEST_F(ThemeTest, TintAndShadeTextsCarryTwoLeadingDigitsThatTheColourIgnores) {
    EXPECT_EQ(RawColors::shade(), "#23ffffff");
    EXPECT_EQ(Colors::shade(), Color::white());
    EXPECT_EQ(Colors::secondaryTint(), Colors::secondary());
    Theme::setCurrent(Theme::light);
    EXPECT_EQ(RawColors::shade(), "#4c000000");
    EXPECT_EQ(Colors::tertiaryTint(), Color::hex("#c785fe"));
}

}  // namespace
