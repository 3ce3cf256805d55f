#include <gtest/gtest.h>

#include "Brindle/Config.h"
#include "Brindle/JSONCoding.h"
#include "Brindle/RestTypes.h"

using namespace Brindle;

namespace {
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
    EXPECT_EQ(apiMethodFromRawValue("delete"), APIMethod::delete_);
    EXPECT_EQ(apiMethodFromRawValue("GET"), std::nullopt);
    EXPECT_EQ(apiMethodFromRawValue(""), std::nullopt);
    EXPECT_EQ(responseStatusCodeFromRawValue(500), std::nullopt);
    EXPECT_EQ(responseStatusCodeFrom(304), ResponseStatusCode::NOT_MODIFIED_304);
    EXPECT_EQ(responseStatusCodeFrom(500), ResponseStatusCode::UNKNOWN);
    EXPECT_EQ(responseStatusCodeFrom(0), ResponseStatusCode::UNKNOWN);
}

TEST(RestTypes, BodiesNeedTheirTwoFieldsReadNullAsAbsentAndSubclassesCodeThemToo) {
    for (const char* text : {R"({"successful":true})", R"({"technicalMessages":[]})"})
        EXPECT_THROW(decodeJSON<EmptyResponse>(text), DecodingError) << text;
    auto body = decodeJSON<EmptyResponse>(
        R"({"technicalMessages":["a","b"],"successful":true,"errorCode":null,"errorMessage":"m","other":1})");
    EXPECT_EQ(body.technicalMessages(), (std::vector<std::string>{"a", "b"}));
    EXPECT_TRUE(body.successful());
    EXPECT_EQ(body.errorCode(), std::nullopt);
    EXPECT_EQ(body.errorMessage(), "m");
    EXPECT_EQ(body.technicalError(), std::nullopt);
    // Absent fields are left out, present ones written.
    EXPECT_EQ(encodeJSON(body), R"({"errorMessage":"m","successful":true,"technicalMessages":["a","b"]})");

    ReplyBody reply;
    reply.setSuccessful(true);
    reply.setErrorCode(-7);
    reply.token = "t";
    auto decoded = decodeJSON<ReplyBody>(encodeJSON(reply));
    EXPECT_EQ(decoded.token, "t");
    EXPECT_EQ(decoded.errorCode(), -7);
    EXPECT_TRUE(decoded.successful());
    EXPECT_THROW(decodeJSON<ReplyBody>(R"({"technicalMessages":[],"successful":true})"), DecodingError);
}

TEST(RestTypes, BackendErrorTexts) {
    EXPECT_EQ(BackendError::generic(ResponseStatusCode::OK_200, 0, "").errorDescription(), "\n\nCode: 0");
    EXPECT_EQ(BackendError::noConnection().localizedDescription(),
              "You have no internet connection. Please try again later.");
    auto carried = std::make_shared<SystemError>("d", -1001, "The request timed out.");
    EXPECT_EQ(BackendError::error(carried).errorDescription(), "The request timed out.");

    // From a reply body: its status, the body's code (0 when absent) and its message ("" when absent).
    const BaseResponse response(ResponseStatusCode::BAD_REQUEST_400);
    EmptyResponse body;
    EXPECT_EQ(BackendError(response, body).errorDescription(), "\n\nCode: 0");
    EXPECT_EQ(BackendError(response, body).as<BackendError::Generic>()->statusCode,
              ResponseStatusCode::BAD_REQUEST_400);
    body.setErrorCode(42);
    body.setErrorMessage("Bad input");
    EXPECT_EQ(BackendError(response, body).errorDescription(), "Bad input\n\nCode: 42");

    // Technical details only when debug information is asked for.
    auto parsing = BackendError::responseParsingError("User text", std::string(5000, 'x'), "Module.Body");
    EXPECT_EQ(parsing.errorDescription(), "User text");
    Config::shared()->setShowDebugInfo(true);
    EXPECT_EQ(parsing.errorDescription(),
              "User text\n\n" + std::string(5000, 'x') + "\n\nFor type: Module.Body");
    Config::shared()->setShowDebugInfo(false);
}
