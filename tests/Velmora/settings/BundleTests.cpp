#include <gtest/gtest.h>

#include "Velmora/settings/Bundle.h"

using Velmora::Bundle;

TEST(Bundle, VersionsAreTextTheBuildNumberADecimalIntegerAndTheProgramsOwnHasBoth) {
    auto build = [](platform::DefaultsValue value) {
        return Bundle(Bundle::InfoDictionary{{"CFBundleVersion", std::move(value)}}).buildVersionNumber();
    };
    std::string numbers;
    for (const char* text : {"27", "+27", "-3", "007", "9223372036854775807", "", "+", "-", "27a", " 27",
                             "27 ", "1.4", "+-1", "0x1A", "9223372036854775808"})
        numbers += (build(text) ? std::to_string(*build(text)) : "-") + " ";
    EXPECT_EQ(numbers, "27 27 -3 7 9223372036854775807 - - - - - - - - - - ");
    EXPECT_FALSE(build(27));
    EXPECT_FALSE(build(true));
    EXPECT_FALSE(Bundle(Bundle::InfoDictionary{}).buildVersionNumber());
    EXPECT_FALSE(Bundle(std::nullopt).buildVersionNumber());
    EXPECT_FALSE(Bundle(Bundle::InfoDictionary{{"CFBundleShortVersionString", 1.4}}).releaseVersionNumber());
    // The program's own has both values and can be replaced for a while.
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
