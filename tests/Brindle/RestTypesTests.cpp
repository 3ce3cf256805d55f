#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "Brindle/Config.h"
#include "Brindle/JSONCoding.h"
#include "Brindle/RestTypes.h"

using Brindle::APIMethod;
using Brindle::BackendError;
using Brindle::EmptyResponse;
using Brindle::ResponseStatusCode;

namespace {

class ShowDebugInfo {
public:
    explicit ShowDebugInfo(bool show) { Brindle::Config::shared()->setShowDebugInfo(show); }
    ~ShowDebugInfo() { Brindle::Config::shared()->setShowDebugInfo(false); }
};

class ReplyBody : public EmptyResponse {
public:
    std::string token;

    void encode(nlohmann::json& json) const override {
        EmptyResponse::encode(json);
        json["token"] = token;
    }
    void decode(const nlohmann::json& json) override {
        EmptyResponse::decode(json);
        token = json.at("token").get<std::string>();
    }
};

}  // namespace

TEST(RestTypes, RawValuesMatchExactly) {
    EXPECT_EQ(Brindle::apiMethodFromRawValue("delete"), APIMethod::delete_);
    EXPECT_EQ(Brindle::apiMethodFromRawValue("GET"), std::nullopt);
    EXPECT_EQ(Brindle::apiMethodFromRawValue(""), std::nullopt);
    EXPECT_EQ(Brindle::responseStatusCodeFromRawValue(500), std::nullopt);
    EXPECT_EQ(Brindle::responseStatusCodeFrom(304), ResponseStatusCode::NOT_MODIFIED_304);
    EXPECT_EQ(Brindle::responseStatusCodeFrom(500), ResponseStatusCode::UNKNOWN);
    EXPECT_EQ(Brindle::responseStatusCodeFrom(0), ResponseStatusCode::UNKNOWN);
}

TEST(RestTypes, EmptyResponseNeedsItsTwoFieldsAndReadsNullAsAbsent) {
    EXPECT_THROW(Brindle::decodeJSON<EmptyResponse>(R"({"successful":true})"), Brindle::DecodingError);
    EXPECT_THROW(Brindle::decodeJSON<EmptyResponse>(R"({"technicalMessages":[]})"), Brindle::DecodingError);

    auto body = Brindle::decodeJSON<EmptyResponse>(
        R"({"technicalMessages":["a","b"],"successful":true,"errorCode":null,"errorMessage":"m","other":1})");
    EXPECT_EQ(body.technicalMessages(), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(body.successful());
    EXPECT_EQ(body.errorCode(), std::nullopt);
    EXPECT_EQ(body.errorMessage(), "m");
    EXPECT_EQ(body.technicalError(), std::nullopt);

    // Absent fields are left out, present ones written.
    EXPECT_EQ(Brindle::encodeJSON(body),
              R"({"errorMessage":"m","successful":true,"technicalMessages":["a","b"]})");
}

TEST(RestTypes, SubclassedBodiesCodeTheBaseFieldsToo) {
    ReplyBody body;
    body.setSuccessful(true);
    body.setErrorCode(-7);
    body.token = "t";
    auto decoded = Brindle::decodeJSON<ReplyBody>(Brindle::encodeJSON(body));
    EXPECT_EQ(decoded.token, "t");
    EXPECT_EQ(decoded.errorCode(), -7);
    EXPECT_TRUE(decoded.successful());
    EXPECT_THROW(Brindle::decodeJSON<ReplyBody>(R"({"technicalMessages":[],"successful":true})"),
                 Brindle::DecodingError);
}

TEST(RestTypes, BackendErrorTexts) {
    EXPECT_EQ(BackendError::generic(ResponseStatusCode::OK_200, 0, "").errorDescription(), "\n\nCode: 0");
    EXPECT_EQ(BackendError::generic(ResponseStatusCode::NOT_FOUND, -12, "Gone").errorDescription(),
              "Gone\n\nCode: -12");
    EXPECT_EQ(BackendError::noConnection().localizedDescription(),
              "You have no internet connection. Please try again later.");
    auto carried = std::make_shared<Brindle::SystemError>("d", -1001, "The request timed out.");
    EXPECT_EQ(BackendError::error(carried).errorDescription(), "The request timed out.");

    auto parsing = BackendError::responseParsingError("User text", std::string(5000, 'x'), "Module.Body");
    EXPECT_EQ(parsing.errorDescription(), "User text");
    ShowDebugInfo debug(true);
    EXPECT_EQ(parsing.errorDescription(),
              "User text\n\n" + std::string(5000, 'x') + "\n\nFor type: Module.Body");
}

TEST(RestTypes, BackendErrorFromAResponseBody) {
    Brindle::BaseResponse response(ResponseStatusCode::BAD_REQUEST_400);
    EmptyResponse body;
    BackendError bare(response, body);
    ASSERT_NE(bare.as<BackendError::Generic>(), nullptr);
    EXPECT_EQ(bare.as<BackendError::Generic>()->statusCode, ResponseStatusCode::BAD_REQUEST_400);
    EXPECT_EQ(bare.as<BackendError::Generic>()->code, 0);
    EXPECT_EQ(bare.as<BackendError::Generic>()->message, "");

    body.setErrorCode(42);
    body.setErrorMessage("Bad input");
    EXPECT_EQ(BackendError(response, body).errorDescription(), "Bad input\n\nCode: 42");
}
