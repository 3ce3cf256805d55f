#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "Brindle/JSONCoding.h"
#include "Brindle/RestTypes.h"

using Brindle::EmptyResponse;

TEST(JSONCoding, DecodingErrorsComeInTheFourKinds) {
    using Kind = Brindle::DecodingError::Kind;
    auto errorOf = [](auto decode) -> std::optional<Brindle::DecodingError> {
        try {
            decode();
        } catch (const Brindle::DecodingError& error) {
            return error;
        }
        return std::nullopt;
    };
    auto kindOf = [&](auto decode) { return errorOf(decode).value().kind(); };
    for (const char* text : {"{", "", "[1] junk"})
        EXPECT_EQ(kindOf([text] { Brindle::decodeJSON<int>(text); }), Kind::dataCorrupted) << text;
    EXPECT_EQ(kindOf([] { Brindle::decodeJSON<std::string>("\"\xFF\""); }), Kind::dataCorrupted);
    EXPECT_EQ(kindOf([] { Brindle::decodeJSON<std::string>("12"); }), Kind::typeMismatch);
    const auto mismatch = errorOf([] { Brindle::decodeJSON<std::string>("12"); });
    EXPECT_EQ(mismatch->expectedType(), "string");
    EXPECT_EQ(mismatch->localizedDescription(),
              "The data couldn\u2019t be read because it isn\u2019t in the correct format.");
    EXPECT_EQ(errorOf([] { Brindle::decodeJSON<std::string>("null"); })->localizedDescription(),
              "The data couldn\u2019t be read because it is missing.");
    // Nesting past the limit is refused before anything recurses.
    EXPECT_EQ(kindOf([] { Brindle::decodeJSON<int>(std::string(100000, '[') + std::string(100000, ']')); }),
              Kind::dataCorrupted);
    EXPECT_EQ(kindOf([] { Brindle::decodeJSON<std::string>("null"); }), Kind::valueNotFound);
    EXPECT_EQ(kindOf([] { Brindle::decodeJSON<EmptyResponse>(R"({"technicalMessages":[]})"); }),
              Kind::keyNotFound);
    EXPECT_EQ(kindOf([] { Brindle::decodeJSON<EmptyResponse>("[]"); }), Kind::typeMismatch);
    // Numbers that no integer holds, which a plain cast would turn into undefined behaviour.
    for (const char* number : {"1e100", "-9.3e18", "9223372036854775808.0", "2.5", "4294967296.0"})
        EXPECT_EQ(kindOf([number] { Brindle::decodeJSON<std::int32_t>(number); }), Kind::typeMismatch)
            << number;
    EXPECT_EQ(kindOf([] { Brindle::decodeJSON<std::int64_t>("1e100"); }), Kind::typeMismatch);
    EXPECT_EQ(kindOf([] { Brindle::decodeJSON<std::uint64_t>("-1.0"); }), Kind::typeMismatch);
    EXPECT_EQ(Brindle::decodeJSON<std::int64_t>("-9.2e18"), -9200000000000000000);
    EXPECT_EQ(Brindle::decodeJSON<int>("3.0"), 3);
}

TEST(JSONCoding, ValuesJSONCannotHoldFailToEncode) {
    EXPECT_THROW(Brindle::encodeJSON(std::string("\xFF")), Brindle::EncodingError);
    EXPECT_THROW(Brindle::encodeJSON(std::vector<double>{1, std::numeric_limits<double>::infinity()}),
                 Brindle::EncodingError);
    nlohmann::json nested = 1;
    for (int level = 0; level < 100; ++level) nested = nlohmann::json::array({nested});
    EXPECT_THROW(Brindle::encodeJSON(nested), Brindle::EncodingError);
    EXPECT_EQ(Brindle::encodeJSON(true), "true");
    EXPECT_EQ(Brindle::encodeJSON(std::vector<int>{1, 2}), "[1,2]");
}
