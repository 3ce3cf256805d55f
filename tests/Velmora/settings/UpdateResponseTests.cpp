#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "Brindle/JSONCoding.h"
#include "Velmora/settings/UpdateResponse.h"

TEST(UpdateResponse, EveryKeyIsRequiredWithItsOwnKindAndOtherKeysAreIgnored) {
    auto reply = [] {
        return nlohmann::json::parse(R"({"extra": [1, 2],
            "latest": {"versionCode": 30, "versionName": "1.0", "title": "T", "text": "Text", "url": "https://a.b/c"},
            "required": {"versionCode": 20, "versionName": "1.0", "title": "T", "text": "Text", "url": "https://a.b/c"}})");
    };
    auto whole = reply();
    whole["latest"]["versionCode"] = 30.0;
    auto decoded = Brindle::decodeJSON<Velmora::UpdateResponse>(whole.dump());
    EXPECT_EQ(decoded.latest.versionCode, 30) << "a whole number is an integer";
    EXPECT_EQ(decoded.required.versionCode, 20);
    // Where the reply is damaged, as a JSON pointer, and what stands there instead; nothing removes it.
    for (const std::string damage :
         {"=[1]", "/latest=", "/required=\"1.0\"", "/required/url=", "/latest/text=null", "/latest/title=5",
          "/latest/versionCode=\"27\"", "/latest/versionCode=true", "/latest/versionCode=27.5",
          "/latest/versionCode=9223372036854775808.0", "/latest/versionCode=18446744073709551615"}) {
        auto json = reply();
        const nlohmann::json::json_pointer pointer(damage.substr(0, damage.find('=')));
        const auto value = damage.substr(damage.find('=') + 1);
        if (value.empty())
            json[pointer.parent_pointer()].erase(pointer.back());
        else
            json[pointer] = nlohmann::json::parse(value);
        EXPECT_THROW(Brindle::decodeJSON<Velmora::UpdateResponse>(json.dump()), Brindle::DecodingError)
            << damage;
    }
    EXPECT_THROW(Brindle::decodeJSON<Velmora::UpdateResponse>("not json"), Brindle::DecodingError);
}
