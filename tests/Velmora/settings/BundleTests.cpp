#include <gtest/gtest.h>

#include <memory>

#include "Velmora/settings/Bundle.h"

using Velmora::Bundle;

TEST(Bundle, VersionsAreTextAndTheBuildNumberADecimalInteger) {
    auto build = [](platform::DefaultsValue value) {
        return Bundle(Bundle::InfoDictionary{{"CFBundleVersion", std::move(value)}}).buildVersionNumber();
    };
    for (auto [text, number] : {std::pair{"27", 27ll},
                                {"+27", 27},
                                {"-3", -3},
                                {"007", 7},
                                {"9223372036854775807", 9223372036854775807}})
        EXPECT_EQ(build(text), number) << text;
    for (const char* text : {"", "+", "-", "27a", " 27", "27 ", "1.4", "+-1", "0x1A", "9223372036854775808"})
        EXPECT_FALSE(build(text)) << '"' << text << '"';
    EXPECT_FALSE(build(27));
    EXPECT_FALSE(build(true));
    EXPECT_FALSE(Bundle(Bundle::InfoDictionary{}).buildVersionNumber());
    EXPECT_FALSE(Bundle(std::nullopt).buildVersionNumber());
    EXPECT_FALSE(Bundle(Bundle::InfoDictionary{{"CFBundleShortVersionString", 1.4}}).releaseVersionNumber());
}

TEST(Bundle, TheProgramsOwnHasBothValuesAndCanBeReplacedForAWhile) {
    auto program = Bundle::main();
    EXPECT_TRUE(program->releaseVersionNumber());
    EXPECT_TRUE(program->buildVersionNumber());
    {
        Velmora::ScopedMainBundle scope(
            std::make_shared<Bundle>(Bundle::InfoDictionary{{"CFBundleVersion", "99"}}));
        EXPECT_EQ(Bundle::main()->buildVersionNumber(), 99);
    }
    EXPECT_EQ(Bundle::main(), program);
}
