#include <gtest/gtest.h>

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
