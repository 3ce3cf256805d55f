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
    EXPECT_TRUE(saveToUserDefaults(*platform::URL::fromString("https://example.com/a"), "address"));
    EXPECT_EQ(loadFromUserDefaults<platform::URL>("address"),
              platform::URL::fromString("https://example.com/a"));
    // A failed encoding keeps what was stored.
    EXPECT_FALSE(saveToUserDefaults(Settings{"\xFF", 2}, "settings"));
    EXPECT_FALSE(saveToUserDefaults(std::nan(""), "settings"));
    EXPECT_EQ(loadFromUserDefaults<Settings>("settings"), (Settings{"bar", 3}));
    // Missing, foreign or mismatched values.
    defaults->set("flag", true);
    defaults->set("text", std::string(R"({"count":3,"name":"bar"})"));
    defaults->setData("broken", "{\"count\":");
    ASSERT_TRUE(saveToUserDefaults(std::map<std::string, int>{{"count", 3}}, "partial"));
    EXPECT_EQ(loadFromUserDefaults<bool>("flag"), std::nullopt);
    for (const char* key : {"never written", "text", "partial", "broken"})
        EXPECT_EQ(loadFromUserDefaults<Settings>(key), std::nullopt) << key;
}
