#include <gtest/gtest.h>
#include <zlib.h>

#include <optional>
#include <string>
#include <thread>

#include "platform/base/MainQueue.h"
#include "platform/foundation/URLSession.h"
#include "tests/Brindle-net/LoopbackServer.h"

using net_tests::LoopbackServer;
using net_tests::pumpUntil;
using platform::URLError;
using platform::URLRequest;
using platform::URLSession;

namespace {

struct Outcome {
    int calls = 0;
    bool onMainThread = false;
    std::optional<std::string> data;
    std::optional<platform::HTTPURLResponse> response;
    std::optional<URLError> error;
};

class URLSessionTest : public ::testing::Test {
protected:
    URLRequest request(const std::string& address, double timeout = 60) {
        return URLRequest(*platform::URL::fromString(address), timeout);
    }

    // Sends the request and waits for its completion.
    Outcome send(URLRequest request) {
        auto outcome = std::make_shared<Outcome>();
        session->dataTask(std::move(request), [outcome](auto data, auto response, auto error) {
            ++outcome->calls;
            outcome->onMainThread = platform::MainQueue::isMainThread();
            outcome->data = std::move(data);
            outcome->response = std::move(response);
            outcome->error = std::move(error);
        });
        EXPECT_TRUE(pumpUntil(loop, [&] { return outcome->calls > 0; }));
        loop.runUntilIdle();
        EXPECT_EQ(outcome->calls, 1);
        return *outcome;
    }

    platform::testing::VirtualMainLoop loop;
    std::shared_ptr<URLSession> session = URLSession::make();
};

}  // namespace

TEST_F(URLSessionTest, FieldsAreMatchedWithoutLetterCase) {
    URLRequest request(*platform::URL::fromString("http://127.0.0.1/"));
    request.setValue("text/plain", "content-type");
    request.addValue("application/json", "Content-Type");
    request.setValue("a", "Accept");
    request.setValue("b", "ACCEPT");
    EXPECT_EQ(request.value("Content-Type"), "text/plain,application/json");
    EXPECT_EQ(request.allHTTPHeaderFields(),
              (std::vector<std::pair<std::string, std::string>>{
                  {"content-type", "text/plain,application/json"}, {"Accept", "b"}}));
}

TEST_F(URLSessionTest, DeliversRepliesOnTheMainThreadAfterRedirects) {
    LoopbackServer server([](httplib::Server& routes) {
        routes.Get("/hello", [](const httplib::Request&, httplib::Response& reply) {
            reply.set_content("hi", "text/plain");
        });
        routes.Get("/moved",
                   [](const httplib::Request&, httplib::Response& reply) { reply.set_redirect("/hello"); });
    });
    auto outcome = send(request(server.base() + "/moved"));
    EXPECT_TRUE(outcome.onMainThread);
    EXPECT_EQ(outcome.data, "hi");
    ASSERT_TRUE(outcome.response);
    EXPECT_EQ(outcome.response->statusCode, 200);
    EXPECT_EQ(outcome.response->url.absoluteString(), server.base() + "/hello");
    EXPECT_FALSE(outcome.error);
}

TEST_F(URLSessionTest, RedirectsLeaveTheWebOnlyAsErrors) {
    LoopbackServer server([](httplib::Server& routes) {
        routes.Get("/to-file", [](const httplib::Request&, httplib::Response& reply) {
            reply.set_redirect("file:///etc/passwd");
        });
    });
    auto outcome = send(request(server.base() + "/to-file"));
    EXPECT_FALSE(outcome.data);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code, URLError::unsupportedURL);

    auto notWeb = send(request("file:///etc/passwd"));
    ASSERT_TRUE(notWeb.error);
    EXPECT_EQ(notWeb.error->code, URLError::unsupportedURL);
}

TEST_F(URLSessionTest, AServerThatNeverAnswersTimesOut) {
    net_tests::RawServer server(net_tests::RawServer::Mode::silent);
    auto outcome = send(request(server.base() + "/", 1));
    EXPECT_FALSE(outcome.data);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code, URLError::timedOut);
    EXPECT_EQ(outcome.error->localizedDescription, "The request timed out.");
}

TEST_F(URLSessionTest, FieldsAreSentAsGivenExceptThoseWithLineBreaks) {
    net_tests::RawServer server(net_tests::RawServer::Mode::recording);
    auto made = request(server.base() + "/headers");
    made.setValue("a\r\nX-Injected: yes", "X-Name");
    made.setValue("", "X-Empty");
    made.setValue("application/json", "Accept");
    EXPECT_EQ(send(std::move(made)).response->statusCode, 200);

    auto head = server.lastRequest();
    EXPECT_EQ(head.rfind("GET /headers HTTP/1.1\r\n", 0), 0u) << head;
    EXPECT_EQ(head.find("X-Injected"), std::string::npos) << head;
    EXPECT_EQ(head.find("X-Name"), std::string::npos) << head;
    EXPECT_NE(head.find("\r\nX-Empty:\r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("\r\nAccept: application/json\r\n"), std::string::npos) << head;
    // Nothing the caller did not ask for beyond what HTTP needs.
    EXPECT_EQ(head.find("Content-Type"), std::string::npos) << head;
    EXPECT_EQ(head.find("Expect"), std::string::npos) << head;
}

namespace {

std::string gzipped(const std::string& bytes) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, bytes.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

}  // namespace

TEST_F(URLSessionTest, ABodyPastTheLimitEndsTheTransferHoweverItIsSent) {
    const auto bomb = gzipped(std::string(16 << 20, '['));
    const auto small = gzipped(std::string(1000, '['));
    LoopbackServer server([&](httplib::Server& routes) {
        routes.Get("/declared", [](const httplib::Request&, httplib::Response& reply) {
            reply.set_content(std::string(100'000, '['), "application/json");
        });
        // No length given: only counting what arrives finds the end.
        routes.Get("/chunked", [](const httplib::Request&, httplib::Response& reply) {
            reply.set_chunked_content_provider("application/json", [](std::size_t, httplib::DataSink& sink) {
                const std::string chunk(10'000, '[');
                for (int i = 0; i < 100 && sink.write(chunk.data(), chunk.size()); ++i) {}
                sink.done();
                return true;
            });
        });
        for (const auto* path : {"/bomb", "/small"}) {
            routes.Get(path, [&, path](const httplib::Request&, httplib::Response& reply) {
                reply.set_header("Content-Encoding", "gzip");
                reply.set_content(std::string(path) == "/bomb" ? bomb : small, "application/json");
            });
        }
    });
    for (const auto* path : {"/declared", "/chunked", "/bomb"}) {
        SCOPED_TRACE(path);
        auto limited = request(server.base() + path);
        limited.setMaximumBodySize(64 << 10);
        auto outcome = send(std::move(limited));
        EXPECT_FALSE(outcome.data);
        ASSERT_TRUE(outcome.error);
        EXPECT_EQ(outcome.error->code, URLError::dataLengthExceedsMaximum);
        EXPECT_EQ(outcome.error->localizedDescription, "resource exceeds maximum size");
    }
    // Within the limit a compressed body arrives decoded.
    auto limited = request(server.base() + "/small");
    limited.setMaximumBodySize(1000);
    EXPECT_EQ(send(std::move(limited)).data, std::string(1000, '['));
}

TEST_F(URLSessionTest, ATricklingServerMeetsTheOverallTimeLimit) {
    LoopbackServer server([](httplib::Server& routes) {
        routes.Get("/trickle", [](const httplib::Request&, httplib::Response& reply) {
            reply.set_chunked_content_provider("text/plain", [](std::size_t, httplib::DataSink& sink) {
                // Four bytes at a time keep any low-speed check content; ten seconds at most.
                for (int i = 0; i < 50 && sink.write("data", 4); ++i)
                    std::this_thread::sleep_for(std::chrono::milliseconds(200));
                sink.done();
                return true;
            });
        });
    });
    auto trickle = request(server.base() + "/trickle", 5);
    trickle.setResourceTimeout(1);
    auto outcome = send(std::move(trickle));
    EXPECT_FALSE(outcome.data);
    ASSERT_TRUE(outcome.error);
    EXPECT_EQ(outcome.error->code, URLError::timedOut);
}
