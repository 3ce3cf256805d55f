#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "Brindle/JSONCoding.h"
#include "Velmora/settings/UpdateResponse.h"

using Velmora::UpdateResponse;
using Json = nlohmann::json;

namespace {

Json reply() {
    auto info = [](int code) {
        return Json{{"versionCode", code},
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
    EXPECT_EQ(Json::parse(Brindle::encodeJSON(decoded)), reply());
}

TEST(UpdateResponse, EveryKeyIsRequiredWithItsOwnKind) {
    // Where the reply is damaged, as a JSON pointer, and what stands there instead; nothing removes it.
    for (const std::string damage :
         {"=[1]", "/latest=", "/required=\"1.0\"", "/required/url=", "/latest/text=null", "/latest/title=5",
          "/latest/versionCode=\"27\"", "/latest/versionCode=true", "/latest/versionCode=27.5",
          "/latest/versionCode=9223372036854775808.0", "/latest/versionCode=18446744073709551615"}) {
        auto json = reply();
        const Json::json_pointer pointer(damage.substr(0, damage.find('=')));
        const auto value = damage.substr(damage.find('=') + 1);
        if (value.empty())
            json[pointer.parent_pointer()].erase(pointer.back());
        else
            json[pointer] = Json::parse(value);
        EXPECT_THROW(Brindle::decodeJSON<UpdateResponse>(json.dump()), Brindle::DecodingError) << damage;
    }
    EXPECT_THROW(Brindle::decodeJSON<UpdateResponse>("not json"), Brindle::DecodingError);
}
