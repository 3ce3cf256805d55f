#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "Brindle/JSONCoding.h"
#include "Velmora/settings/UpdateResponse.h"

using Velmora::UpdateResponse;

namespace {

nlohmann::json info(std::int64_t code) {
    return {{"versionCode", code},
            {"versionName", "1." + std::to_string(code)},
            {"title", "Title " + std::to_string(code)},
            {"text", "Text"},
            {"url", "https://example.com/download"}};
}

nlohmann::json reply() { return {{"latest", info(30)}, {"required", info(20)}}; }

bool decodes(const nlohmann::json& json) {
    try {
        Brindle::decodeJSON<UpdateResponse>(json.dump());
        return true;
    } catch (const Brindle::DecodingError&) {
        return false;
    }
}

}  // namespace

TEST(UpdateResponse, DecodesTheReplyIgnoringOtherKeysAndRoundTrips) {
    auto json = reply();
    json["extra"] = {1, 2};
    json["latest"]["notes"] = "ignored";
    auto decoded = Brindle::decodeJSON<UpdateResponse>(json.dump());
    EXPECT_EQ(decoded.latest.versionCode, 30);
    EXPECT_EQ(decoded.latest.versionName, "1.30");
    EXPECT_EQ(decoded.latest.title, "Title 30");
    EXPECT_EQ(decoded.required.versionCode, 20);
    EXPECT_EQ(Brindle::decodeJSON<UpdateResponse>(Brindle::encodeJSON(decoded)), decoded);
    EXPECT_EQ(nlohmann::json::parse(Brindle::encodeJSON(decoded)), reply());
}

TEST(UpdateResponse, EveryKeyIsRequiredWithItsOwnKind) {
    for (const char* key : {"versionCode", "versionName", "title", "text", "url"}) {
        auto missing = reply();
        missing["required"].erase(key);
        EXPECT_FALSE(decodes(missing)) << key;
        auto null = reply();
        null["latest"][key] = nullptr;
        EXPECT_FALSE(decodes(null)) << key;
    }
    for (const char* key : {"latest", "required"}) {
        auto missing = reply();
        missing.erase(key);
        EXPECT_FALSE(decodes(missing)) << key;
        auto wrong = reply();
        wrong[key] = "1.0";
        EXPECT_FALSE(decodes(wrong)) << key;
    }
    for (nlohmann::json code :
         {nlohmann::json("27"), nlohmann::json(true), nlohmann::json(27.5),
          nlohmann::json(9223372036854775808.0), nlohmann::json(18446744073709551615u)}) {
        auto wrong = reply();
        wrong["latest"]["versionCode"] = code;
        EXPECT_FALSE(decodes(wrong)) << code.dump();
    }
    auto numberTitle = reply();
    numberTitle["latest"]["title"] = 5;
    EXPECT_FALSE(decodes(numberTitle));
    EXPECT_FALSE(decodes(nlohmann::json::array({reply()})));
    EXPECT_THROW(Brindle::decodeJSON<UpdateResponse>("not json"), Brindle::DecodingError);

    auto whole = reply();
    whole["latest"]["versionCode"] = 31.0;
    EXPECT_EQ(Brindle::decodeJSON<UpdateResponse>(whole.dump()).latest.versionCode, 31);
}
