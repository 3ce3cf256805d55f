#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "Brindle/UserDefaultsValues.h"
#include "platform/foundation/URL.h"
#include "tests/support/FreshDefaults.h"

using Brindle::loadFromUserDefaults;
using Brindle::saveToUserDefaults;

namespace {

struct Settings {
    std::string name;
    int count = 0;
    friend bool operator==(const Settings&, const Settings&) = default;
    NLOHMANN_DEFINE_TYPE_INTRUSIVE(Settings, name, count)
};

}  // namespace

TEST(UserDefaultsValues, StoresJSONAsDataReadsItBackAndLoadsNothingForWhatDoesNotDecode) {
    test_support::FreshDefaults fresh;
    const auto defaults = platform::UserDefaults::standard();
    EXPECT_TRUE(saveToUserDefaults(Settings{"bar", 3}, "settings"));
    EXPECT_EQ(defaults->dataForKey("settings"), R"({"count":3,"name":"bar"})");
    EXPECT_EQ(loadFromUserDefaults<Settings>("settings"), (Settings{"bar", 3}));
    EXPECT_TRUE(saveToUserDefaults(true, "flag"));
    EXPECT_EQ(defaults->dataForKey("flag"), "true");
    EXPECT_EQ(loadFromUserDefaults<bool>("flag"), true);
    auto address = platform::URL::fromString("https://example.com/a");
    EXPECT_TRUE(saveToUserDefaults(*address, "address"));
    EXPECT_EQ(loadFromUserDefaults<platform::URL>("address"), address);

    // A failed encoding keeps what was stored.
    EXPECT_FALSE(saveToUserDefaults(Settings{"\xFF", 2}, "settings"));
    EXPECT_FALSE(saveToUserDefaults(std::nan(""), "settings"));
    EXPECT_EQ(loadFromUserDefaults<Settings>("settings"), (Settings{"bar", 3}));

    // Missing, foreign or mismatched values.
    EXPECT_EQ(loadFromUserDefaults<Settings>("never written"), std::nullopt);
    defaults->set("flag", true);
    defaults->set("text", std::string(R"({"count":3,"name":"bar"})"));
    EXPECT_EQ(loadFromUserDefaults<bool>("flag"), std::nullopt);
    EXPECT_EQ(loadFromUserDefaults<Settings>("text"), std::nullopt);
    ASSERT_TRUE(saveToUserDefaults(std::map<std::string, int>{{"count", 3}}, "partial"));
    EXPECT_EQ(loadFromUserDefaults<Settings>("partial"), std::nullopt);
    defaults->setData("broken", "{\"count\":");
    EXPECT_EQ(loadFromUserDefaults<Settings>("broken"), std::nullopt);
}
