#include <gmock/gmock.h>

#include <algorithm>
#include <regex>

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

// What arrived for one request: each outcome as text ("<status>: <body>", or the failure, marked when
// off the main thread) and the upload progress (-1 for progress reported after an outcome).
struct Recorder {
    std::vector<std::string> outcomes;
    std::vector<double> progress;
};

template <class T>
std::shared_ptr<NetworkResult<T>> resultFor(const std::shared_ptr<Recorder>& recorder,
                                            bool withProgress = false) {
    auto arrived = [recorder](std::string outcome) {
        recorder->outcomes.push_back((platform::MainQueue::isMainThread() ? "" : "off main: ") + outcome);
    };
    auto progress = [recorder](double part) {
        recorder->progress.push_back(recorder->outcomes.empty() ? part : -1);
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
        const auto fields = request.method + "|" + request.get_header_value("Accept") + "|" +
                            request.get_header_value("Content-Type") + "|" + request.body;
        reply.set_content(std::regex_replace(fields, std::regex("application/json"), "json"), "text/plain");
    };
    server.Get("/echo", echo).Post("/echo", echo).Put("/echo", echo);
    server.Patch("/echo", echo).Delete("/echo", echo);
    server.Post("/upload", [](const httplib::Request& request, httplib::Response& reply) {
        reply.set_content(std::to_string(request.body.size()), "text/plain");
    });
}

class OnlineDataSourceTest : public ::testing::Test {
protected:
    OnlineDataSourceTest() {
        Logging::setPrintFunction([this](const std::string& s) { logged.push_back(s); });
    }
    ~OnlineDataSourceTest() override { Logging::setPrintFunction(nullptr); }

    // Sends the request, typed unless T is Data, and returns its one outcome: never at once, always
    // on the main thread.
    template <class T = Data>
    std::string outcome(const RequestData& request, std::shared_ptr<DataSource> through = nullptr) {
        auto recorder = std::make_shared<Recorder>();
        through = through ? through : source;
        if constexpr (std::is_same_v<T, Data>)
            through->requestRaw(request, resultFor<T>(recorder));
        else
            through->request<T>(request, resultFor<T>(recorder));
        EXPECT_TRUE(recorder->outcomes.empty());
        EXPECT_TRUE(pumpUntil(loop, [&] { return !recorder->outcomes.empty(); }));
        loop.runUntilIdle();
        EXPECT_EQ(recorder->outcomes.size(), 1u);
        return recorder->outcomes.empty() ? "none" : recorder->outcomes.front();
    }
    std::vector<std::string> takeLogged() { return std::exchange(logged, {}); }
    platform::testing::VirtualMainLoop loop;
    net_tests::LoopbackServer server{routes};
    std::shared_ptr<OnlineDataSource> source = make<OnlineDataSource>(server.base());
    std::vector<std::string> logged;
};
}  // namespace

TEST_F(OnlineDataSourceTest, RepliesHeadersFailuresUploadProgressAndLoading) {
    using Reply = std::pair<const char*, const char*>;
    for (const auto& [path, expected] :
         {Reply{"/plain", R"(200: {"value":7})"}, Reply{"/not-modified", "304: "},
          Reply{"/missing", "404: no such thing"}, Reply{"/broken", "0: oops"}, Reply{"/empty", "200: "}})
        EXPECT_EQ(outcome(request(path)), expected);
    // Past the body limit (1 MiB unless the caller sets another) the request fails.
    EXPECT_THAT(outcome(request("/large")), StartsWith("error -1103: "));
    source->setMaximumBodySize(8 << 20);
    EXPECT_EQ(outcome(request("/large")), "200: " + std::string(8 << 20, 'L'));
    // Transfer failures become backend errors.
    net_tests::RawServer dropping(net_tests::RawServer::Mode::dropping);
    using Failure = std::pair<std::string, std::string>;
    for (const auto& [address, expected] :
         {Failure{net_tests::refusingBase() + "/json", "error -1004: Could not connect to the server."},
          Failure{dropping.base() + "/", "no connection"}, Failure{"ftp://127.0.0.1/", "error -1002: "},
          Failure{server.base() + "/with space", "error -1000: "}})
        EXPECT_THAT(outcome(request(""), make<OnlineDataSource>(address)), StartsWith(expected));
    EXPECT_TRUE(logged.empty());
    // Each echo reads "method|Accept|Content-Type|body". "Accept" is replaced; a content type spelt
    // differently is not recognised, so the default is added to it. Bodies under five bytes are not sent.
    using Sent = std::pair<RequestData, const char*>;
    for (const auto& [sent, echo] :
         {Sent{request("/echo"), "GET|json|json|"},
          Sent{request("/echo", APIMethod::get, {{"Accept", "text/csv"}, {"content-type", "text/plain"}}),
               "GET|text/csv|text/plain,json|"},
          Sent{request("/echo", APIMethod::get, {{"Content-Type", "text/plain"}}), "GET|json|text/plain|"},
          Sent{request("/echo", APIMethod::post, {}, "null"), "POST|json|json|"},
          Sent{request("/echo", APIMethod::post, {}, "[1,2]"), "POST|json|json|[1,2]"},
          Sent{request("/echo", APIMethod::post, {}, "[1,2]", true), "POST|json|json|[1,2]"},
          Sent{request("/echo", APIMethod::put), "PUT|json|json|"},
          Sent{request("/echo", APIMethod::patch), "PATCH|json|json|"},
          Sent{request("/echo", APIMethod::delete_), "DELETE|json|json|"}})
        EXPECT_EQ(outcome(sent), std::string("200: ") + echo);
    EXPECT_EQ(outcome<EmptyResponse>(request("/json")), "200: successful");
    EXPECT_EQ(outcome<Plain>(request("/plain")), "200: value 7");
    EXPECT_EQ(takeLogged(), (std::vector<std::string>{"BACKEND: first", "BACKEND: second"}));
    const std::string parsing =
        "parsing (anonymous namespace).Plain: The data couldn\u2019t be read because it isn\u2019t in the "
        "correct format.";
    EXPECT_EQ(outcome<Plain>(request("/missing")), parsing);
    EXPECT_THAT(
        takeLogged(),
        ElementsAre(
            StartsWith("Got error for (anonymous namespace).Plain: The given data was not valid JSON."),
            "Request: /missing", "NOT FOUND"));
    EXPECT_EQ(outcome<Plain>(request("/text")), parsing);
    EXPECT_THAT(takeLogged(), ElementsAre(_, "Request: /text", "Response: ", "not json \xEF\xBF\xBD at all"));
    EXPECT_EQ(outcome<Plain>(request("/wrong-type")), parsing);
    EXPECT_THAT(takeLogged(), ElementsAre("number", StartsWith("Context("), _, _, _, _));
    // An error of the type's own decoding that is not about JSON is not logged.
    EXPECT_EQ(outcome<Picky>(request("/plain")), "generic 200: picky says no");
    EXPECT_TRUE(logged.empty());
    EXPECT_THAT(outcome<EmptyResponse>(request("/empty")), StartsWith("parsing "));
    auto provider = make<DataProvider>(source);
    std::vector<bool> loading;
    auto watching = isLoading().subscribe([&](bool value) { loading.push_back(value); });
    auto uploading = std::make_shared<Recorder>(), bystander = std::make_shared<Recorder>();
    auto typed = std::make_shared<Recorder>();
    provider->requestRaw(request("/upload", APIMethod::post, {}, std::string(4 << 20, 'u'), true),
                         resultFor<Data>(uploading, true));
    provider->request<Plain>(request("/plain"), resultFor<Plain>(typed));
    provider->request<Plain>(request("/text"), resultFor<Plain>(typed));
    // Started last, so a single "last request" slot would have taken the upload's progress; raw
    // requests are not counted.
    provider->requestRaw(request("/json"), resultFor<Data>(bystander, true));
    EXPECT_EQ(runningRequestCount().value(), 2);
    ASSERT_TRUE(pumpUntil(loop, [&] {
        return uploading->outcomes.size() + bystander->outcomes.size() + typed->outcomes.size() == 4;
    }));
    EXPECT_EQ(uploading->outcomes, std::vector<std::string>{"200: " + std::to_string(4 << 20)});
    ASSERT_FALSE(uploading->progress.empty());
    EXPECT_TRUE(std::is_sorted(uploading->progress.begin(), uploading->progress.end()));
    EXPECT_EQ(uploading->progress.back(), 1.0);
    EXPECT_TRUE(bystander->progress.empty());
    EXPECT_EQ(runningRequestCount().value(), 0);
    // false at first; 1, 2, then 1 again; false at the end.
    EXPECT_EQ(loading, (std::vector<bool>{false, true, true, true, false}));
    watching.dispose();
}
