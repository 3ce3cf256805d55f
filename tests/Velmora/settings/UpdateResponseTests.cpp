#include <gtest/gtest.h>

#include <functional>
#include <nlohmann/json.hpp>
#include <string>

#include "Brindle/JSONCoding.h"
#include "Velmora/settings/UpdateResponse.h"

using Velmora::UpdateResponse;

namespace {

nlohmann::json reply() {
    auto info = [](int code) {
        return nlohmann::json{{"versionCode", code},
                              {"versionName", "1." + std::to_string(code)},
                              {"title", "Title"},
                              {"text", "Text"},
                              {"url", "https://example.com/download"}};
    };
    return {{"latest", info(30)}, {"required", info(20)}};
}

}  // namespace

TEST(UpdateResponse, DecodesTheReplyIgnoringOtherKeysAndRoundTrips) {
    auto json = reply();
    json["extra"] = {1, 2};
    json["latest"]["notes"] = "ignored";
    json["latest"]["versionCode"] = 30.0;
    auto decoded = Brindle::decodeJSON<UpdateResponse>(json.dump());
    EXPECT_EQ(decoded.latest.versionCode, 30) << "a whole number is an integer";
    EXPECT_EQ(decoded.latest.versionName, "1.30");
    EXPECT_EQ(decoded.required.versionCode, 20);
    EXPECT_EQ(nlohmann::json::parse(Brindle::encodeJSON(decoded)), reply());
}

TEST(UpdateResponse, EveryKeyIsRequiredWithItsOwnKind) {
    std::vector<std::pair<std::string, std::function<void(nlohmann::json&)>>> damages{
        {"not an object", [](nlohmann::json& json) { json = nlohmann::json::array({reply()}); }},
        {"title a number", [](nlohmann::json& json) { json["latest"]["title"] = 5; }}};
    for (std::string key : {"versionCode", "versionName", "title", "text", "url"}) {
        damages.emplace_back(key + " missing", [key](nlohmann::json& json) { json["required"].erase(key); });
        damages.emplace_back(key + " null", [key](nlohmann::json& json) { json["latest"][key] = nullptr; });
    }
    for (std::string key : {"latest", "required"}) {
        damages.emplace_back(key + " missing", [key](nlohmann::json& json) { json.erase(key); });
        damages.emplace_back(key + " text", [key](nlohmann::json& json) { json[key] = "1.0"; });
    }
    for (nlohmann::json code : {nlohmann::json("27"), nlohmann::json(true), nlohmann::json(27.5),
                                nlohmann::json(9223372036854775808.0), nlohmann::json(18446744073709551615u)})
        damages.emplace_back("code " + code.dump(),
                             [code](nlohmann::json& json) { json["latest"]["versionCode"] = code; });
    for (const auto& [name, damage] : damages) {
        auto json = reply();
        damage(json);
        EXPECT_THROW(Brindle::decodeJSON<UpdateResponse>(json.dump()), Brindle::DecodingError) << name;
    }
    EXPECT_THROW(Brindle::decodeJSON<UpdateResponse>("not json"), Brindle::DecodingError);
}
