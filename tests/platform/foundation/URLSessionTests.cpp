#include <gtest/gtest.h>
#include <zlib.h>

#include <optional>
#include <string>
#include <thread>

#include "platform/base/MainQueue.h"
#include "platform/foundation/URLSession.h"
#include "tests/support/LoopbackServer.h"

using net_tests::LoopbackServer;
using net_tests::RawServer;
using platform::URLError;
using platform::URLRequest;
using Reply = httplib::Response;

namespace {

struct Outcome {
    int calls = 0;
    std::optional<std::string> data;
    std::optional<platform::HTTPURLResponse> response;
    std::optional<URLError> error;
};

// The bytes as a compressed ("deflate") body.
std::string deflated(const std::string& bytes) {
    uLongf size = compressBound(bytes.size());
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(bytes.data()),
              bytes.size(), 9);
    out.resize(size);
    return out;
}

class URLSessionTest : public ::testing::Test {
protected:
    static URLRequest request(const std::string& address, double timeout = 60) {
        return URLRequest(*platform::URL::fromString(address), timeout);
    }

    // Sends the request and waits for its one completion, which comes on the main thread.
    Outcome send(URLRequest request) {
        auto outcome = std::make_shared<Outcome>();
        session->dataTask(std::move(request), [outcome](auto data, auto response, auto error) {
            ++outcome->calls;
            EXPECT_TRUE(platform::MainQueue::isMainThread());
            outcome->data = std::move(data);
            outcome->response = std::move(response);
            outcome->error = std::move(error);
        });
        EXPECT_TRUE(net_tests::pumpUntil(loop, [&] { return outcome->calls > 0; }));
        loop.runUntilIdle();
        EXPECT_EQ(outcome->calls, 1);
        return *outcome;
    }
    // The code of the error the request fails with; 0 when it brings data.
    int failure(URLRequest request) {
        auto outcome = send(std::move(request));
        EXPECT_EQ(bool(outcome.data), !outcome.error);
        return outcome.error ? outcome.error->code : 0;
    }

    platform::testing::VirtualMainLoop loop;
    std::shared_ptr<platform::URLSession> session = platform::URLSession::make();
};

}  // namespace

TEST_F(URLSessionTest, FieldsAreMatchedWithoutLetterCaseAndSentAsGivenExceptThoseWithLineBreaks) {
    RawServer server(RawServer::Mode::recording);
    auto made = request(server.base() + "/headers");
    made.setValue("text/plain", "x-kind");
    made.addValue("application/json", "X-Kind");
    made.setValue("a", "Accept");
    made.setValue("application/json", "ACCEPT");
    made.setValue("a\r\nX-Injected: yes", "X-Name");
    made.setValue("", "X-Empty");
    EXPECT_EQ(made.value("X-KIND"), "text/plain,application/json");
    EXPECT_EQ(made.allHTTPHeaderFields()[1],
              (std::pair<std::string, std::string>{"Accept", "application/json"}));
    EXPECT_EQ(send(std::move(made)).response->statusCode, 200);
    auto head = server.lastRequest();
    EXPECT_EQ(head.rfind("GET /headers HTTP/1.1\r\n", 0), 0u) << head;
    for (auto* line : {"\r\nx-kind: text/plain,application/json\r\n", "\r\nAccept: application/json\r\n",
                       "\r\nX-Empty:\r\n"})
        EXPECT_NE(head.find(line), std::string::npos) << line << head;
    // Nothing the caller did not ask for beyond what HTTP needs.
    for (auto* absent : {"X-Injected", "X-Name", "Content-Type", "Expect"})
        EXPECT_EQ(head.find(absent), std::string::npos) << head;
}

TEST_F(URLSessionTest, RepliesComeAfterRedirectsThatStayOnTheWeb) {
    LoopbackServer server([](httplib::Server& routes) {
        routes.Get("/hello", [](const auto&, Reply& reply) { reply.set_content("hi", "text/plain"); });
        routes.Get("/moved", [](const auto&, Reply& reply) { reply.set_redirect("/hello"); });
        routes.Get("/to-file", [](const auto&, Reply& reply) { reply.set_redirect("file:///etc/passwd"); });
    });
    auto outcome = send(request(server.base() + "/moved"));
    EXPECT_EQ(outcome.data, "hi");
    EXPECT_EQ(outcome.response.value().statusCode, 200);
    EXPECT_EQ(outcome.response->url.absoluteString(), server.base() + "/hello");
    EXPECT_FALSE(outcome.error);
    EXPECT_EQ(failure(request(server.base() + "/to-file")), URLError::unsupportedURL);
    EXPECT_EQ(failure(request("file:///etc/passwd")), URLError::unsupportedURL);
}

TEST_F(URLSessionTest, ASilentOrTricklingServerMeetsTheTimeLimits) {
    RawServer silent(RawServer::Mode::silent);
    EXPECT_EQ(send(request(silent.base() + "/", 1)).error.value().localizedDescription,
              "The request timed out.");
    LoopbackServer trickling([](httplib::Server& routes) {
        routes.Get("/trickle", [](const auto&, Reply& reply) {
            reply.set_chunked_content_provider("text/plain", [](std::size_t, httplib::DataSink& sink) {
                // Four bytes at a time keep any low-speed check content; ten seconds at most.
                for (int i = 0; i < 50 && sink.write("data", 4); ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(200));
                sink.done();
                return true;
            });
        });
    });
    auto trickle = request(trickling.base() + "/trickle", 5);
    trickle.setResourceTimeout(1);
    EXPECT_EQ(failure(std::move(trickle)), URLError::timedOut);
}

TEST_F(URLSessionTest, ABodyPastTheLimitEndsTheTransferHoweverItIsSent) {
    const auto bomb = deflated(std::string(16 << 20, '[')), small = deflated(std::string(1000, '['));
    LoopbackServer server([&](httplib::Server& routes) {
        routes.Get("/declared", [](const auto&, Reply& reply) {
            reply.set_content(std::string(100'000, '['), "application/json");
        });
        // No length given: only counting what arrives finds the end.
        routes.Get("/chunked", [](const auto&, Reply& reply) {
            reply.set_chunked_content_provider("application/json", [](std::size_t, httplib::DataSink& sink) {
                const std::string chunk(10'000, '[');
                for (int i = 0; i < 100 && sink.write(chunk.data(), chunk.size()); ++i) {}
                sink.done();
                return true;
            });
        });
        for (const auto* path : {"/bomb", "/small"}) {
            routes.Get(path, [&, path](const auto&, Reply& reply) {
                reply.set_header("Content-Encoding", "deflate");
                reply.set_content(std::string(path) == "/bomb" ? bomb : small, "application/json");
            });
        }
    });
    for (const auto* path : {"/declared", "/chunked", "/bomb"}) {
        auto limited = request(server.base() + path);
        limited.setMaximumBodySize(64 << 10);
        EXPECT_EQ(failure(std::move(limited)), URLError::dataLengthExceedsMaximum) << path;
    }
    // Within the limit a compressed body arrives decoded.
    auto limited = request(server.base() + "/small");
    limited.setMaximumBodySize(1000);
    EXPECT_EQ(send(std::move(limited)).data, std::string(1000, '['));
}
