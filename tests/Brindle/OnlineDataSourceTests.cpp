#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "Brindle/Logging.h"
#include "Brindle/OnlineDataSource.h"
#include "platform/base/MainQueue.h"
#include "tests/support/LoopbackServer.h"

using Brindle::AnyError;
using Brindle::APIMethod;
using Brindle::BackendError;
using Brindle::Data;
using Brindle::RequestData;
using Brindle::ResponseStatusCode;
using net_tests::pumpUntil;

namespace {

struct Plain {
    int value = 0;
};
void from_json(const nlohmann::json& json, Plain& plain) { plain.value = json.at("value").get<int>(); }

struct Picky {};
void from_json(const nlohmann::json&, Picky&) { throw std::runtime_error("picky says no"); }

template <class T>
struct Outcome {
    int count = 0;
    bool onMainThread = true;
    std::shared_ptr<Brindle::Response<T>> response;
    AnyError error;
    std::vector<double> progress;
    int progressAfterOutcome = 0;

    const BackendError* backendError() const { return dynamic_cast<const BackendError*>(error.get()); }
};

template <class T>
std::shared_ptr<Brindle::NetworkResult<T>> resultFor(const std::shared_ptr<Outcome<T>>& outcome,
                                                     bool withProgress = false) {
    auto arrived = [outcome] {
        ++outcome->count;
        outcome->onMainThread = outcome->onMainThread && platform::MainQueue::isMainThread();
    };
    auto progress = [outcome](double fraction) {
        if (outcome->count > 0) ++outcome->progressAfterOutcome;
        outcome->progress.push_back(fraction);
    };
    return Brindle::make<Brindle::NetworkResult<T>>(
        [outcome, arrived](auto response) {
            arrived();
            outcome->response = std::move(response);
        },
        [outcome, arrived](AnyError error) {
            arrived();
            outcome->error = std::move(error);
        },
        withProgress ? progress : typename Brindle::NetworkResult<T>::ProgressHandler());
}

RequestData request(std::string path, APIMethod method = APIMethod::get,
                    std::map<std::string, std::string> headers = {}, std::optional<Data> body = {},
                    bool uploadTask = false) {
    return RequestData({}, std::move(path), method, std::move(headers), std::move(body), false, uploadTask);
}

void routes(httplib::Server& server) {
    struct Reply {
        const char* path;
        int status;
        std::string body;
    };
    for (const auto& fixed :
         {Reply{"/json", 200,
                R"({"technicalMessages":["first","second"],"successful":true,"errorCode":null})"},
          Reply{"/plain", 200, R"({"value":7})"}, Reply{"/not-modified", 304, ""},
          Reply{"/missing", 404, "no such thing"}, Reply{"/broken", 500, "oops"},
          Reply{"/text", 200, "not json \xFF at all"}, Reply{"/empty", 200, ""},
          Reply{"/wrong-type", 200, R"({"value":"seven"})"}, Reply{"/large", 200, std::string(8 << 20, 'L')}})
        server.Get(fixed.path, [fixed](const httplib::Request&, httplib::Response& reply) {
            reply.status = fixed.status;
            if (fixed.status != 304) reply.set_content(fixed.body, "text/plain");
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
        Brindle::Logging::setPrintFunction([this](const std::string& line) { logged.push_back(line); });
    }
    ~OnlineDataSourceTest() override { Brindle::Logging::setPrintFunction(nullptr); }

    template <class T>
    std::shared_ptr<Outcome<T>> wait(std::shared_ptr<Outcome<T>> outcome) {
        EXPECT_TRUE(pumpUntil(loop, [&] { return outcome->count > 0; }));
        loop.runUntilIdle();
        EXPECT_EQ(outcome->count, 1);
        EXPECT_TRUE(outcome->onMainThread);
        return outcome;
    }

    std::shared_ptr<Outcome<Data>> raw(const RequestData& request) {
        auto outcome = std::make_shared<Outcome<Data>>();
        source->requestRaw(request, resultFor(outcome));
        return wait(outcome);
    }

    template <class T>
    std::shared_ptr<Outcome<T>> typed(const RequestData& request) {
        auto outcome = std::make_shared<Outcome<T>>();
        source->request<T>(request, resultFor(outcome));
        return wait(outcome);
    }

    nlohmann::json echoed(const RequestData& request) {
        auto outcome = raw(request);
        return outcome->response ? nlohmann::json::parse(outcome->response->body()) : nullptr;
    }

    platform::testing::VirtualMainLoop loop;
    net_tests::LoopbackServer server{routes};
    std::shared_ptr<Brindle::OnlineDataSource> source =
        Brindle::make<Brindle::OnlineDataSource>(server.base());
    std::vector<std::string> logged;
};

}  // namespace

TEST_F(OnlineDataSourceTest, EveryReplyIsARawSuccessWithItsStatus) {
    struct Case {
        const char* path;
        ResponseStatusCode status;
        std::string body;
    };
    for (const auto& expected : {Case{"/plain", ResponseStatusCode::OK_200, R"({"value":7})"},
                                 Case{"/not-modified", ResponseStatusCode::NOT_MODIFIED_304, ""},
                                 Case{"/missing", ResponseStatusCode::NOT_FOUND, "no such thing"},
                                 Case{"/broken", ResponseStatusCode::UNKNOWN, "oops"},
                                 Case{"/empty", ResponseStatusCode::OK_200, ""}}) {
        SCOPED_TRACE(expected.path);
        auto outcome = raw(request(expected.path));
        ASSERT_TRUE(outcome->response);
        EXPECT_EQ(outcome->response->statusCode(), expected.status);
        EXPECT_EQ(outcome->response->body(), expected.body);
    }
    // Past the body limit (1 MiB unless the caller sets another) the request fails.
    EXPECT_TRUE(raw(request("/large"))->error);
    source->setMaximumBodySize(8 << 20);
    auto large = raw(request("/large"));
    ASSERT_TRUE(large->response);
    EXPECT_EQ(large->response->body(), std::string(8 << 20, 'L'));
    EXPECT_TRUE(logged.empty());
}

TEST_F(OnlineDataSourceTest, HeadersMethodsAndBodiesAsSent) {
    auto plain = echoed(request("/echo"));
    EXPECT_EQ(plain["method"], "GET");
    EXPECT_EQ(plain["accept"], "application/json");
    EXPECT_EQ(plain["contentType"], "application/json");

    // "Accept" is replaced; a content type spelt differently is not recognised, so the default is
    // added to it.
    auto custom =
        echoed(request("/echo", APIMethod::get, {{"Accept", "text/csv"}, {"content-type", "text/plain"}}));
    EXPECT_EQ(custom["accept"], "text/csv");
    EXPECT_EQ(custom["contentType"], "text/plain,application/json");
    EXPECT_EQ(echoed(request("/echo", APIMethod::get, {{"Content-Type", "text/plain"}}))["contentType"],
              "text/plain");

    EXPECT_EQ(echoed(request("/echo", APIMethod::post, {}, "null"))["body"], "");
    EXPECT_EQ(echoed(request("/echo", APIMethod::post, {}, "[1,2]"))["body"], "[1,2]");
    EXPECT_EQ(echoed(request("/echo", APIMethod::post, {}, "[1,2]", true))["body"], "[1,2]");
    for (auto [method, name] : {std::pair{APIMethod::put, "PUT"}, std::pair{APIMethod::patch, "PATCH"},
                                std::pair{APIMethod::delete_, "DELETE"}})
        EXPECT_EQ(echoed(request("/echo", method))["method"], name);
}

TEST_F(OnlineDataSourceTest, TransferFailuresBecomeBackendErrorsLaterOnTheMainQueue) {
    net_tests::RawServer dropping(net_tests::RawServer::Mode::dropping);
    struct Case {
        std::string address;
        std::optional<int> wrappedCode;  // none: a lost connection
        std::string text;
    };
    for (const auto& expected :
         {Case{net_tests::refusingBase() + "/json", platform::URLError::cannotConnectToHost,
               "Could not connect to the server."},
          Case{dropping.base() + "/", std::nullopt, ""},
          Case{"ftp://127.0.0.1/", platform::URLError::unsupportedURL, ""},
          Case{server.base() + "/with space", platform::URLError::badURL, ""}}) {
        SCOPED_TRACE(expected.address);
        auto outcome = std::make_shared<Outcome<Data>>();
        Brindle::make<Brindle::OnlineDataSource>(expected.address)
            ->requestRaw(request(""), resultFor(outcome));
        EXPECT_EQ(outcome->count, 0);
        wait(outcome);
        ASSERT_NE(outcome->backendError(), nullptr);
        if (!expected.wrappedCode) {
            EXPECT_NE(outcome->backendError()->as<BackendError::NoConnection>(), nullptr);
            continue;
        }
        auto* wrapped = outcome->backendError()->as<BackendError::WrappedError>();
        ASSERT_NE(wrapped, nullptr);
        EXPECT_EQ(wrapped->error->code(), *expected.wrappedCode);
        if (!expected.text.empty()) {
            EXPECT_EQ(outcome->error->localizedDescription(), expected.text);
        }
    }
}

TEST_F(OnlineDataSourceTest, TypedRepliesAreDecodedAndTheirMessagesLogged) {
    auto outcome = typed<Brindle::EmptyResponse>(request("/json"));
    ASSERT_TRUE(outcome->response);
    EXPECT_EQ(outcome->response->statusCode(), ResponseStatusCode::OK_200);
    EXPECT_TRUE(outcome->response->body().successful());
    EXPECT_EQ(logged, (std::vector<std::string>{"BACKEND: first", "BACKEND: second"}));
}

TEST_F(OnlineDataSourceTest, BodiesThatDoNotDecodeAreLoggedAndFail) {
    auto missing = typed<Plain>(request("/missing"));
    auto* parsing = missing->backendError()->as<BackendError::ResponseParsingError>();
    ASSERT_NE(parsing, nullptr);
    EXPECT_EQ(parsing->typeName, "(anonymous namespace).Plain");
    EXPECT_EQ(parsing->userError,
              "The data couldn\u2019t be read because it isn\u2019t in the correct format.");
    ASSERT_EQ(logged.size(), 3u);
    EXPECT_EQ(
        logged[0].rfind("Got error for (anonymous namespace).Plain: The given data was not valid JSON.", 0),
        0u);
    EXPECT_EQ(logged[1], "Request: /missing");
    EXPECT_EQ(logged[2], "NOT FOUND");

    logged.clear();
    auto text = typed<Plain>(request("/text"));
    EXPECT_NE(text->backendError()->as<BackendError::ResponseParsingError>(), nullptr);
    ASSERT_EQ(logged.size(), 4u);
    EXPECT_EQ(logged[2], "Response: ");
    EXPECT_EQ(logged[3], "not json \xEF\xBF\xBD at all");

    logged.clear();
    auto wrongType = typed<Plain>(request("/wrong-type"));
    EXPECT_NE(wrongType->backendError()->as<BackendError::ResponseParsingError>(), nullptr);
    ASSERT_EQ(logged.size(), 6u);
    EXPECT_EQ(logged[0], "number");
    EXPECT_EQ(logged[1].rfind("Context(", 0), 0u);

    auto empty = typed<Brindle::EmptyResponse>(request("/empty"));
    EXPECT_NE(empty->backendError()->as<BackendError::ResponseParsingError>(), nullptr);

    // An error of the type's own decoding that is not about JSON.
    logged.clear();
    auto* generic = typed<Picky>(request("/plain"))->backendError()->as<BackendError::Generic>();
    ASSERT_NE(generic, nullptr);
    EXPECT_EQ(generic->message, "picky says no");
    EXPECT_EQ(generic->statusCode, ResponseStatusCode::OK_200);
    EXPECT_TRUE(logged.empty());
}

TEST_F(OnlineDataSourceTest, UploadProgressGoesToItsOwnRequest) {
    auto uploading = std::make_shared<Outcome<Data>>();
    auto bystander = std::make_shared<Outcome<Data>>();
    source->requestRaw(request("/upload", APIMethod::post, {}, std::string(4 << 20, 'u'), true),
                       resultFor(uploading, true));
    // Started last, so a single "last request" slot would have taken the upload's progress.
    source->requestRaw(request("/json"), resultFor(bystander, true));
    ASSERT_TRUE(pumpUntil(loop, [&] { return uploading->count && bystander->count; }));

    ASSERT_TRUE(uploading->response);
    EXPECT_EQ(uploading->response->body(), std::to_string(4 << 20));
    ASSERT_FALSE(uploading->progress.empty());
    EXPECT_TRUE(std::is_sorted(uploading->progress.begin(), uploading->progress.end()));
    EXPECT_EQ(uploading->progress.back(), 1.0);
    EXPECT_EQ(uploading->progressAfterOutcome, 0);
    EXPECT_TRUE(bystander->progress.empty());
}

TEST_F(OnlineDataSourceTest, LoadingLastsFromTheFirstTypedRequestToTheLastOutcome) {
    auto provider = Brindle::make<Brindle::DataProvider>(source);
    std::vector<bool> loading;
    auto watching = Brindle::isLoading().subscribe([&](bool value) { loading.push_back(value); });
    EXPECT_EQ(loading, std::vector<bool>{false});

    auto first = std::make_shared<Outcome<Plain>>();
    auto second = std::make_shared<Outcome<Plain>>();
    auto third = std::make_shared<Outcome<Data>>();
    provider->request<Plain>(request("/plain"), resultFor(first));
    provider->request<Plain>(request("/text"), resultFor(second));
    provider->requestRaw(request("/json"), resultFor(third));  // raw requests are not counted
    EXPECT_EQ(Brindle::runningRequestCount().value(), 2);

    ASSERT_TRUE(pumpUntil(loop, [&] { return first->count && second->count && third->count; }));
    EXPECT_EQ(first->response->body().value, 7);
    EXPECT_TRUE(second->error);
    EXPECT_EQ(Brindle::runningRequestCount().value(), 0);
    EXPECT_EQ(loading.back(), false);
    EXPECT_EQ(std::count(loading.begin(), loading.end(), true), 3);  // 1, 2, then 1 again
    watching.dispose();
}
