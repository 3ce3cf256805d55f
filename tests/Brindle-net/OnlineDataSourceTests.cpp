#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "Brindle/Logging.h"
#include "Brindle/OnlineDataSource.h"
#include "platform/base/MainQueue.h"
#include "tests/Brindle-net/LoopbackServer.h"

using Brindle::AnyError;
using Brindle::APIMethod;
using Brindle::BackendError;
using Brindle::Data;
using Brindle::NetworkResult;
using Brindle::RequestData;
using Brindle::Response;
using Brindle::ResponseStatusCode;
using net_tests::LoopbackServer;
using net_tests::pumpUntil;

namespace {

struct Plain {
    int value = 0;
};
void from_json(const nlohmann::json& json, Plain& plain) { plain.value = json.at("value").get<int>(); }

struct Picky {
    int value = 0;
};
void from_json(const nlohmann::json&, Picky&) { throw std::runtime_error("picky says no"); }

template <class T>
struct Outcome {
    int successes = 0;
    int failures = 0;
    bool onMainThread = true;
    std::shared_ptr<Response<T>> response;
    AnyError error;
    std::vector<double> progress;
    int progressAfterOutcome = 0;

    bool done() const { return successes + failures > 0; }
    const BackendError* backendError() const { return dynamic_cast<const BackendError*>(error.get()); }
};

template <class T>
std::shared_ptr<NetworkResult<T>> resultFor(const std::shared_ptr<Outcome<T>>& outcome,
                                            bool withProgress = false) {
    return Brindle::make<NetworkResult<T>>(
        [outcome](std::shared_ptr<Response<T>> response) {
            ++outcome->successes;
            outcome->onMainThread = outcome->onMainThread && platform::MainQueue::isMainThread();
            outcome->response = std::move(response);
        },
        [outcome](AnyError error) {
            ++outcome->failures;
            outcome->onMainThread = outcome->onMainThread && platform::MainQueue::isMainThread();
            outcome->error = std::move(error);
        },
        withProgress ? [outcome](double fraction) {
            if (outcome->done()) ++outcome->progressAfterOutcome;
            outcome->progress.push_back(fraction);
        }
                     : typename NetworkResult<T>::ProgressHandler());
}

RequestData get(std::string path, std::map<std::string, std::string> headers = {}) {
    return RequestData({}, std::move(path), APIMethod::get, std::move(headers), std::nullopt, false, false);
}

RequestData post(std::string path, Data body, bool uploadTask = false) {
    return RequestData(std::string("tag"), std::move(path), APIMethod::post, {}, std::move(body), false,
                       uploadTask);
}

// Every route the tests use.
void routes(httplib::Server& server) {
    auto json = R"({"technicalMessages":["first","second"],"successful":true,"errorCode":null})";
    server.Get("/json", [json](const httplib::Request&, httplib::Response& reply) {
        reply.set_content(json, "application/json");
    });
    server.Get("/plain", [](const httplib::Request&, httplib::Response& reply) {
        reply.set_content(R"({"value":7})", "application/json");
    });
    server.Get("/not-modified",
               [](const httplib::Request&, httplib::Response& reply) { reply.status = 304; });
    server.Get("/missing", [](const httplib::Request&, httplib::Response& reply) {
        reply.status = 404;
        reply.set_content("no such thing", "text/plain");
    });
    server.Get("/broken", [](const httplib::Request&, httplib::Response& reply) {
        reply.status = 500;
        reply.set_content("oops", "text/plain");
    });
    server.Get("/text", [](const httplib::Request&, httplib::Response& reply) {
        reply.set_content("not json \xFF at all", "text/plain");
    });
    server.Get("/empty", [](const httplib::Request&, httplib::Response& reply) {
        reply.set_content("", "text/plain");
    });
    server.Get("/wrong-type", [](const httplib::Request&, httplib::Response& reply) {
        reply.set_content(R"({"value":"seven"})", "application/json");
    });
    server.Get("/large", [](const httplib::Request&, httplib::Response& reply) {
        reply.set_content(std::string(8 << 20, 'L'), "application/octet-stream");
    });
    auto echo = [](const httplib::Request& request, httplib::Response& reply) {
        nlohmann::json fields = {{"method", request.method},
                                 {"accept", request.get_header_value("Accept")},
                                 {"contentType", request.get_header_value("Content-Type")},
                                 {"body", request.body},
                                 {"hasLength", request.has_header("Content-Length")}};
        reply.set_content(fields.dump(), "application/json");
    };
    server.Get("/echo", echo);
    server.Post("/echo", echo);
    server.Put("/echo", echo);
    server.Patch("/echo", echo);
    server.Delete("/echo", echo);
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
        EXPECT_TRUE(pumpUntil(loop, [&] { return outcome->done(); }));
        loop.runUntilIdle();
        EXPECT_EQ(outcome->successes + outcome->failures, 1);
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
        if (!outcome->response) return nullptr;
        return nlohmann::json::parse(outcome->response->body());
    }

    platform::testing::VirtualMainLoop loop;
    LoopbackServer server{routes};
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
    for (const auto& expected : {Case{"/json", ResponseStatusCode::OK_200, ""},
                                 Case{"/not-modified", ResponseStatusCode::NOT_MODIFIED_304, ""},
                                 Case{"/missing", ResponseStatusCode::NOT_FOUND, "no such thing"},
                                 Case{"/broken", ResponseStatusCode::UNKNOWN, "oops"},
                                 Case{"/empty", ResponseStatusCode::OK_200, ""}}) {
        SCOPED_TRACE(expected.path);
        auto outcome = raw(get(expected.path));
        ASSERT_EQ(outcome->successes, 1);
        EXPECT_EQ(outcome->response->statusCode(), expected.status);
        if (!expected.body.empty()) {
            EXPECT_EQ(outcome->response->body(), expected.body);
        }
    }
    // Past the body limit (1 MiB unless the caller sets another) the request fails.
    EXPECT_EQ(raw(get("/large"))->failures, 1);
    source->setMaximumBodySize(8 << 20);
    auto large = raw(get("/large"));
    ASSERT_TRUE(large->response);
    EXPECT_EQ(large->response->body(), std::string(8 << 20, 'L'));
    EXPECT_TRUE(logged.empty());
}

TEST_F(OnlineDataSourceTest, HeadersMethodsAndBodiesAsSent) {
    auto plain = echoed(get("/echo"));
    EXPECT_EQ(plain["method"], "GET");
    EXPECT_EQ(plain["accept"], "application/json");
    EXPECT_EQ(plain["contentType"], "application/json");

    // "Accept" is replaced; a content type spelt differently is not recognised, so the default is
    // added to it.
    auto custom = echoed(get("/echo", {{"Accept", "text/csv"}, {"content-type", "text/plain"}}));
    EXPECT_EQ(custom["accept"], "text/csv");
    EXPECT_EQ(custom["contentType"], "text/plain,application/json");
    EXPECT_EQ(echoed(get("/echo", {{"Content-Type", "text/plain"}}))["contentType"], "text/plain");

    EXPECT_EQ(echoed(post("/echo", "null"))["body"], "");
    EXPECT_EQ(echoed(post("/echo", "[1,2]"))["body"], "[1,2]");
    EXPECT_EQ(echoed(post("/echo", "[1,2]", true))["body"], "[1,2]");

    for (auto [method, name] : {std::pair{APIMethod::put, "PUT"}, std::pair{APIMethod::patch, "PATCH"},
                                std::pair{APIMethod::delete_, "DELETE"}}) {
        EXPECT_EQ(echoed(RequestData({}, "/echo", method, {}, std::nullopt, false, false))["method"], name);
    }
}

TEST_F(OnlineDataSourceTest, TransferFailuresBecomeBackendErrors) {
    auto refusing = Brindle::make<Brindle::OnlineDataSource>(net_tests::refusingBase());
    auto refused = std::make_shared<Outcome<Data>>();
    refusing->requestRaw(get("/json"), resultFor(refused));
    wait(refused);
    ASSERT_NE(refused->backendError(), nullptr);
    auto* wrapped = refused->backendError()->as<BackendError::WrappedError>();
    ASSERT_NE(wrapped, nullptr);
    EXPECT_EQ(wrapped->error->code(), platform::URLError::cannotConnectToHost);
    EXPECT_EQ(refused->error->localizedDescription(), "Could not connect to the server.");

    net_tests::RawServer dropping(net_tests::RawServer::Mode::dropping);
    auto lost = std::make_shared<Outcome<Data>>();
    Brindle::make<Brindle::OnlineDataSource>(dropping.base())->requestRaw(get("/"), resultFor(lost));
    wait(lost);
    ASSERT_NE(lost->backendError(), nullptr);
    EXPECT_NE(lost->backendError()->as<BackendError::NoConnection>(), nullptr);

    auto wrongScheme = std::make_shared<Outcome<Data>>();
    Brindle::make<Brindle::OnlineDataSource>("ftp://127.0.0.1")->requestRaw(get("/"), resultFor(wrongScheme));
    wait(wrongScheme);
    EXPECT_EQ(wrongScheme->backendError()->as<BackendError::WrappedError>()->error->code(),
              platform::URLError::unsupportedURL);
}

TEST_F(OnlineDataSourceTest, AnAddressThatDoesNotParseFailsLaterOnTheMainQueue) {
    auto outcome = std::make_shared<Outcome<Data>>();
    source->requestRaw(get("/with space"), resultFor(outcome));
    EXPECT_FALSE(outcome->done());
    wait(outcome);
    ASSERT_NE(outcome->backendError(), nullptr);
    EXPECT_EQ(outcome->backendError()->as<BackendError::WrappedError>()->error->code(),
              platform::URLError::badURL);
}

TEST_F(OnlineDataSourceTest, TypedRepliesAreDecodedAndTheirMessagesLogged) {
    auto outcome = typed<Brindle::EmptyResponse>(get("/json"));
    ASSERT_EQ(outcome->successes, 1);
    EXPECT_EQ(outcome->response->statusCode(), ResponseStatusCode::OK_200);
    EXPECT_TRUE(outcome->response->body().successful());
    EXPECT_EQ(logged, (std::vector<std::string>{"BACKEND: first", "BACKEND: second"}));

    logged.clear();
    auto plain = typed<Plain>(get("/plain"));
    ASSERT_EQ(plain->successes, 1);
    EXPECT_EQ(plain->response->body().value, 7);
    EXPECT_TRUE(logged.empty());
}

TEST_F(OnlineDataSourceTest, BodiesThatDoNotDecodeAreLoggedAndFail) {
    auto missing = typed<Plain>(get("/missing"));
    ASSERT_EQ(missing->failures, 1);
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
    auto text = typed<Plain>(get("/text"));
    EXPECT_NE(text->backendError()->as<BackendError::ResponseParsingError>(), nullptr);
    ASSERT_EQ(logged.size(), 4u);
    EXPECT_EQ(logged[2], "Response: ");
    EXPECT_EQ(logged[3], "not json \xEF\xBF\xBD at all");

    logged.clear();
    auto wrongType = typed<Plain>(get("/wrong-type"));
    EXPECT_NE(wrongType->backendError()->as<BackendError::ResponseParsingError>(), nullptr);
    ASSERT_EQ(logged.size(), 6u);
    EXPECT_EQ(logged[0], "number");
    EXPECT_EQ(logged[1].rfind("Context(", 0), 0u);

    auto empty = typed<Brindle::EmptyResponse>(get("/empty"));
    EXPECT_NE(empty->backendError()->as<BackendError::ResponseParsingError>(), nullptr);

    // An error of the type's own decoding that is not about JSON.
    logged.clear();
    auto picky = typed<Picky>(get("/plain"));
    auto* generic = picky->backendError()->as<BackendError::Generic>();
    ASSERT_NE(generic, nullptr);
    EXPECT_EQ(generic->message, "picky says no");
    EXPECT_EQ(generic->statusCode, ResponseStatusCode::OK_200);
    EXPECT_TRUE(logged.empty());
}

TEST_F(OnlineDataSourceTest, UploadProgressGoesToItsOwnRequest) {
    auto uploading = std::make_shared<Outcome<Data>>();
    auto bystander = std::make_shared<Outcome<Data>>();
    source->requestRaw(post("/upload", std::string(4 << 20, 'u'), true), resultFor(uploading, true));
    // Started last, so a single "last request" slot would have taken the upload's progress.
    source->requestRaw(get("/json"), resultFor(bystander, true));
    ASSERT_TRUE(pumpUntil(loop, [&] { return uploading->done() && bystander->done(); }));

    ASSERT_EQ(uploading->successes, 1);
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
    provider->request<Plain>(get("/plain"), resultFor(first));
    provider->request<Plain>(get("/text"), resultFor(second));
    EXPECT_EQ(Brindle::runningRequestCount().value(), 2);
    // Raw requests are not counted.
    auto third = std::make_shared<Outcome<Data>>();
    provider->requestRaw(get("/json"), resultFor(third));
    EXPECT_EQ(Brindle::runningRequestCount().value(), 2);

    ASSERT_TRUE(pumpUntil(loop, [&] { return first->done() && second->done() && third->done(); }));
    EXPECT_EQ(first->response->body().value, 7);
    EXPECT_EQ(second->failures, 1);
    EXPECT_EQ(Brindle::runningRequestCount().value(), 0);
    EXPECT_EQ(loading.front(), false);
    EXPECT_EQ(loading.back(), false);
    EXPECT_EQ(std::count(loading.begin(), loading.end(), true), 3);  // 1, 2, then 1 again
    watching.dispose();
}
