#include <gmock/gmock.h>

#include <algorithm>

#include "Brindle/Logging.h"
#include "Brindle/OnlineDataSource.h"
#include "platform/base/MainQueue.h"
#include "tests/support/LoopbackServer.h"

using namespace Brindle;
using net_tests::pumpUntil;
using ::testing::_;
using ::testing::ElementsAre;
using ::testing::StartsWith;

namespace {

struct Plain {
    int value = 0;
};
void from_json(const nlohmann::json& json, Plain& plain) { plain.value = json.at("value").get<int>(); }
struct Picky {};
void from_json(const nlohmann::json&, Picky&) { throw std::runtime_error("picky says no"); }

std::string text(const Data& body) { return body; }
std::string text(const Plain& body) { return "value " + std::to_string(body.value); }
std::string text(const EmptyResponse& body) { return body.successful() ? "successful" : "not successful"; }
std::string text(const Picky&) { return "picky"; }
std::string text(const AnyError& error) {
    const auto& failure = dynamic_cast<const BackendError&>(*error);
    if (auto* wrapped = failure.as<BackendError::WrappedError>())
        return "error " + std::to_string(wrapped->error->code()) + ": " + failure.localizedDescription();
    if (auto* parsing = failure.as<BackendError::ResponseParsingError>())
        return "parsing " + parsing->typeName + ": " + parsing->userError;
    if (auto* generic = failure.as<BackendError::Generic>())
        return "generic " + std::to_string(rawValue(generic->statusCode)) + ": " + generic->message;
    return "no connection";
}

// What arrived for one request: each outcome as text ("<status>: <body>", or the failure) and the
// upload progress.
struct Recorder {
    std::vector<std::string> outcomes;
    bool offMain = false;
    std::vector<double> progress;
    int progressAfterOutcome = 0;
};

template <class T>
std::shared_ptr<NetworkResult<T>> resultFor(const std::shared_ptr<Recorder>& recorder,
                                            bool withProgress = false) {
    auto arrived = [recorder](std::string outcome) {
        recorder->offMain = recorder->offMain || !platform::MainQueue::isMainThread();
        recorder->outcomes.push_back(std::move(outcome));
    };
    auto progress = [recorder](double fraction) {
        recorder->progressAfterOutcome += recorder->outcomes.empty() ? 0 : 1;
        recorder->progress.push_back(fraction);
    };
    return make<NetworkResult<T>>(
        [arrived](auto response) {
            arrived(std::to_string(rawValue(response->statusCode())) + ": " + text(response->body()));
        },
        [arrived](AnyError error) { arrived(text(error)); },
        withProgress ? progress : typename NetworkResult<T>::ProgressHandler());
}

RequestData request(std::string path, APIMethod method = APIMethod::get,
                    std::map<std::string, std::string> headers = {}, std::optional<Data> body = {},
                    bool uploadTask = false) {
    return RequestData({}, std::move(path), method, std::move(headers), std::move(body), false, uploadTask);
}

void routes(httplib::Server& server) {
    using Reply = std::tuple<const char*, int, std::string>;
    for (const auto& [path, status, body] :
         {Reply{"/json", 200,
                R"({"technicalMessages":["first","second"],"successful":true,"errorCode":null})"},
          Reply{"/plain", 200, R"({"value":7})"}, Reply{"/not-modified", 304, ""},
          Reply{"/missing", 404, "no such thing"}, Reply{"/broken", 500, "oops"},
          Reply{"/text", 200, "not json \xFF at all"}, Reply{"/empty", 200, ""},
          Reply{"/wrong-type", 200, R"({"value":"seven"})"}, Reply{"/large", 200, std::string(8 << 20, 'L')}})
        server.Get(path, [status, body](const httplib::Request&, httplib::Response& reply) {
            reply.status = status;
            if (status != 304) reply.set_content(body, "text/plain");
        });
    auto echo = [](const httplib::Request& request, httplib::Response& reply) {
        nlohmann::json fields = {{"method", request.method},
                                 {"accept", request.get_header_value("Accept")},
                                 {"contentType", request.get_header_value("Content-Type")},
                                 {"body", request.body}};
        reply.set_content(fields.dump(), "application/json");
    };
    server.Get("/echo", echo)
        .Post("/echo", echo)
        .Put("/echo", echo)
        .Patch("/echo", echo)
        .Delete("/echo", echo);
    server.Post("/upload", [](const httplib::Request& request, httplib::Response& reply) {
        reply.set_content(std::to_string(request.body.size()), "text/plain");
    });
}

class OnlineDataSourceTest : public ::testing::Test {
protected:
    OnlineDataSourceTest() {
        Logging::setPrintFunction([this](const std::string& line) { logged.push_back(line); });
    }
    ~OnlineDataSourceTest() override { Logging::setPrintFunction(nullptr); }

    // Sends the request, typed unless T is Data, and returns its one outcome: never at once, always
    // on the main thread.
    template <class T = Data>
    std::string outcome(const RequestData& request, std::shared_ptr<DataSource> through = nullptr) {
        auto recorder = std::make_shared<Recorder>();
        if (!through) through = source;
        if constexpr (std::is_same_v<T, Data>)
            through->requestRaw(request, resultFor<T>(recorder));
        else
            through->request<T>(request, resultFor<T>(recorder));
        EXPECT_TRUE(recorder->outcomes.empty());
        EXPECT_TRUE(pumpUntil(loop, [&] { return !recorder->outcomes.empty(); }));
        loop.runUntilIdle();
        EXPECT_EQ(recorder->outcomes.size(), 1u);
        EXPECT_FALSE(recorder->offMain);
        return recorder->outcomes.empty() ? "none" : recorder->outcomes.front();
    }

    nlohmann::json echoed(const RequestData& request) {
        return nlohmann::json::parse(outcome(request).substr(5));
    }

    platform::testing::VirtualMainLoop loop;
    net_tests::LoopbackServer server{routes};
    std::shared_ptr<OnlineDataSource> source = make<OnlineDataSource>(server.base());
    std::vector<std::string> logged;
};

}  // namespace

TEST_F(OnlineDataSourceTest, EveryReplyIsARawSuccessWithItsStatus) {
    using Reply = std::pair<const char*, const char*>;
    for (const auto& [path, expected] :
         {Reply{"/plain", R"(200: {"value":7})"}, Reply{"/not-modified", "304: "},
          Reply{"/missing", "404: no such thing"}, Reply{"/broken", "0: oops"}, Reply{"/empty", "200: "}})
        EXPECT_EQ(outcome(request(path)), expected);
    // Past the body limit (1 MiB unless the caller sets another) the request fails.
    EXPECT_THAT(outcome(request("/large")), StartsWith("error -1103: "));
    source->setMaximumBodySize(8 << 20);
    EXPECT_EQ(outcome(request("/large")), "200: " + std::string(8 << 20, 'L'));
    EXPECT_TRUE(logged.empty());
}

TEST_F(OnlineDataSourceTest, HeadersMethodsAndBodiesAsSent) {
    EXPECT_EQ(echoed(request("/echo")), (nlohmann::json{{"method", "GET"},
                                                        {"accept", "application/json"},
                                                        {"contentType", "application/json"},
                                                        {"body", ""}}));
    // "Accept" is replaced; a content type spelt differently is not recognised, so the default is
    // added to it.
    auto custom =
        echoed(request("/echo", APIMethod::get, {{"Accept", "text/csv"}, {"content-type", "text/plain"}}));
    EXPECT_EQ(custom["accept"], "text/csv");
    EXPECT_EQ(custom["contentType"], "text/plain,application/json");
    EXPECT_EQ(echoed(request("/echo", APIMethod::get, {{"Content-Type", "text/plain"}}))["contentType"],
              "text/plain");
    // Bodies shorter than five bytes are not sent.
    EXPECT_EQ(echoed(request("/echo", APIMethod::post, {}, "null"))["body"], "");
    EXPECT_EQ(echoed(request("/echo", APIMethod::post, {}, "[1,2]"))["body"], "[1,2]");
    EXPECT_EQ(echoed(request("/echo", APIMethod::post, {}, "[1,2]", true))["body"], "[1,2]");
    for (auto [method, name] : {std::pair{APIMethod::put, "PUT"}, std::pair{APIMethod::patch, "PATCH"},
                                std::pair{APIMethod::delete_, "DELETE"}})
        EXPECT_EQ(echoed(request("/echo", method))["method"], name);
}

TEST_F(OnlineDataSourceTest, TransferFailuresBecomeBackendErrors) {
    net_tests::RawServer dropping(net_tests::RawServer::Mode::dropping);
    using Failure = std::pair<std::string, std::string>;
    for (const auto& [address, expected] :
         {Failure{net_tests::refusingBase() + "/json", "error -1004: Could not connect to the server."},
          Failure{dropping.base() + "/", "no connection"}, Failure{"ftp://127.0.0.1/", "error -1002: "},
          Failure{server.base() + "/with space", "error -1000: "}})
        EXPECT_THAT(outcome(request(""), make<OnlineDataSource>(address)), StartsWith(expected));
}

TEST_F(OnlineDataSourceTest, TypedRepliesAreDecodedOrLoggedAndFailed) {
    EXPECT_EQ(outcome<EmptyResponse>(request("/json")), "200: successful");
    EXPECT_EQ(outcome<Plain>(request("/plain")), "200: value 7");
    EXPECT_EQ(logged, (std::vector<std::string>{"BACKEND: first", "BACKEND: second"}));

    const std::string parsing =
        "parsing (anonymous namespace).Plain: The data couldn\u2019t be read because it isn\u2019t in the "
        "correct format.";
    logged.clear();
    EXPECT_EQ(outcome<Plain>(request("/missing")), parsing);
    EXPECT_THAT(
        logged,
        ElementsAre(
            StartsWith("Got error for (anonymous namespace).Plain: The given data was not valid JSON."),
            "Request: /missing", "NOT FOUND"));
    logged.clear();
    EXPECT_EQ(outcome<Plain>(request("/text")), parsing);
    EXPECT_THAT(logged, ElementsAre(_, "Request: /text", "Response: ", "not json \xEF\xBF\xBD at all"));
    logged.clear();
    EXPECT_EQ(outcome<Plain>(request("/wrong-type")), parsing);
    EXPECT_THAT(logged, ElementsAre("number", StartsWith("Context("), _, _, _, _));
    EXPECT_THAT(outcome<EmptyResponse>(request("/empty")), StartsWith("parsing "));

    // An error of the type's own decoding that is not about JSON.
    logged.clear();
    EXPECT_EQ(outcome<Picky>(request("/plain")), "generic 200: picky says no");
    EXPECT_TRUE(logged.empty());
}

TEST_F(OnlineDataSourceTest, UploadProgressGoesToItsOwnRequest) {
    auto uploading = std::make_shared<Recorder>();
    auto bystander = std::make_shared<Recorder>();
    source->requestRaw(request("/upload", APIMethod::post, {}, std::string(4 << 20, 'u'), true),
                       resultFor<Data>(uploading, true));
    // Started last, so a single "last request" slot would have taken the upload's progress.
    source->requestRaw(request("/json"), resultFor<Data>(bystander, true));
    ASSERT_TRUE(
        pumpUntil(loop, [&] { return !uploading->outcomes.empty() && !bystander->outcomes.empty(); }));

    EXPECT_EQ(uploading->outcomes, std::vector<std::string>{"200: " + std::to_string(4 << 20)});
    ASSERT_FALSE(uploading->progress.empty());
    EXPECT_TRUE(std::is_sorted(uploading->progress.begin(), uploading->progress.end()));
    EXPECT_EQ(uploading->progress.back(), 1.0);
    EXPECT_EQ(uploading->progressAfterOutcome, 0);
    EXPECT_TRUE(bystander->progress.empty());
}

TEST_F(OnlineDataSourceTest, LoadingLastsFromTheFirstTypedRequestToTheLastOutcome) {
    auto provider = make<DataProvider>(source);
    std::vector<bool> loading;
    auto watching = isLoading().subscribe([&](bool value) { loading.push_back(value); });
    EXPECT_EQ(loading, std::vector<bool>{false});

    auto recorder = std::make_shared<Recorder>();
    provider->request<Plain>(request("/plain"), resultFor<Plain>(recorder));
    provider->request<Plain>(request("/text"), resultFor<Plain>(recorder));
    provider->requestRaw(request("/json"), resultFor<Data>(recorder));  // raw requests are not counted
    EXPECT_EQ(runningRequestCount().value(), 2);

    ASSERT_TRUE(pumpUntil(loop, [&] { return recorder->outcomes.size() == 3; }));
    EXPECT_EQ(runningRequestCount().value(), 0);
    EXPECT_EQ(loading.back(), false);
    EXPECT_EQ(std::count(loading.begin(), loading.end(), true), 3);  // 1, 2, then 1 again
    watching.dispose();
}
