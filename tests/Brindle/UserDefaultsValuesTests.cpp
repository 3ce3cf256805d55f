#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>

#include "Brindle/UserDefaultsValues.h"
#include "platform/foundation/URL.h"
#include "tests/support/TemporaryFolder.h"

namespace {

struct Settings {
    std::string name;
    int count = 0;
    friend bool operator==(const Settings&, const Settings&) = default;
};
void to_json(nlohmann::json& json, const Settings& value) {
    json = {{"name", value.name}, {"count", value.count}};
}
void from_json(const nlohmann::json& json, Settings& value) {
    value.name = json.at("name").get<std::string>();
    value.count = json.at("count").get<int>();
}

class UserDefaultsValues : public ::testing::Test {
protected:
    UserDefaultsValues() {
        defaults = std::make_shared<platform::UserDefaults>(folder + "/defaults.json");
        platform::UserDefaults::setStandard(defaults);
    }
    ~UserDefaultsValues() override { platform::UserDefaults::setStandard(nullptr); }

    test_support::TemporaryFolder temporary;
    const std::string& folder = temporary.path();
    std::shared_ptr<platform::UserDefaults> defaults;
};

}  // namespace

TEST_F(UserDefaultsValues, StoresJSONAsDataAndReadsItBack) {
    EXPECT_TRUE(Brindle::saveToUserDefaults(Settings{"bar", 3}, "settings"));
    EXPECT_EQ(defaults->dataForKey("settings"), R"({"count":3,"name":"bar"})");
    EXPECT_EQ(Brindle::loadFromUserDefaults<Settings>("settings"), (Settings{"bar", 3}));

    EXPECT_TRUE(Brindle::saveToUserDefaults(true, "flag"));
    EXPECT_EQ(defaults->dataForKey("flag"), "true");
    EXPECT_EQ(Brindle::loadFromUserDefaults<bool>("flag"), true);

    auto address = platform::URL::fromString("https://example.com/a");
    EXPECT_TRUE(Brindle::saveToUserDefaults(*address, "address"));
    EXPECT_EQ(Brindle::loadFromUserDefaults<platform::URL>("address"), address);
}

TEST_F(UserDefaultsValues, AFailedEncodingKeepsWhatWasStored) {
    ASSERT_TRUE(Brindle::saveToUserDefaults(Settings{"old", 1}, "settings"));
    EXPECT_FALSE(Brindle::saveToUserDefaults(Settings{"\xFF", 2}, "settings"));
    EXPECT_FALSE(Brindle::saveToUserDefaults(std::nan(""), "settings"));
    EXPECT_EQ(Brindle::loadFromUserDefaults<Settings>("settings"), (Settings{"old", 1}));
}

TEST_F(UserDefaultsValues, MissingForeignOrMismatchedValuesLoadAsNothing) {
    EXPECT_EQ(Brindle::loadFromUserDefaults<Settings>("never written"), std::nullopt);
    defaults->set("flag", true);
    defaults->set("text", std::string(R"({"count":3,"name":"bar"})"));
    EXPECT_EQ(Brindle::loadFromUserDefaults<bool>("flag"), std::nullopt);
    EXPECT_EQ(Brindle::loadFromUserDefaults<Settings>("text"), std::nullopt);

    ASSERT_TRUE(Brindle::saveToUserDefaults(std::map<std::string, int>{{"count", 3}}, "partial"));
    EXPECT_EQ(Brindle::loadFromUserDefaults<Settings>("partial"), std::nullopt);
    defaults->setData("broken", "{\"count\":");
    EXPECT_EQ(Brindle::loadFromUserDefaults<Settings>("broken"), std::nullopt);
}
