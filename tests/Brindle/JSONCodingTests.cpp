#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "Brindle/JSONCoding.h"
#include "Brindle/RestTypes.h"

using Brindle::EmptyResponse;

TEST(JSONCoding, DecodingErrorsComeInTheFourKinds) {
    using Kind = Brindle::DecodingError::Kind;
    auto kindOf = [](auto decode) {
        try {
            decode();
        } catch (const Brindle::DecodingError& error) {
            return std::optional(error.kind());
        }
        return std::optional<Kind>();
    };
    EXPECT_EQ(kindOf([] { Brindle::decodeJSON<int>("{"); }), Kind::dataCorrupted);
    EXPECT_EQ(kindOf([] { Brindle::decodeJSON<int>(""); }), Kind::dataCorrupted);
    EXPECT_EQ(kindOf([] { Brindle::decodeJSON<std::string>("\"\xFF\""); }), Kind::dataCorrupted);
    EXPECT_EQ(kindOf([] { Brindle::decodeJSON<std::string>("12"); }), Kind::typeMismatch);
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

    try {
        Brindle::decodeJSON<std::string>("12");
    } catch (const Brindle::DecodingError& error) {
        EXPECT_EQ(error.expectedType(), "string");
        EXPECT_EQ(error.localizedDescription(),
                  "The data couldn\u2019t be read because it isn\u2019t in the correct format.");
    }
}

TEST(JSONCoding, ValuesJSONCannotHoldFailToEncode) {
    EXPECT_THROW(Brindle::encodeJSON(std::string("\xFF")), Brindle::EncodingError);
    EXPECT_THROW(Brindle::encodeJSON(std::vector<double>{1, std::numeric_limits<double>::infinity()}),
                 Brindle::EncodingError);
    EXPECT_EQ(Brindle::encodeJSON(true), "true");
    EXPECT_EQ(Brindle::encodeJSON(std::vector<int>{1, 2}), "[1,2]");
}
