#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <thread>

#include "Brindle/OnlineDataSource.h"
#include "tests/support/LoopbackServer.h"

using namespace Brindle;

namespace {
struct Count {
    int value = 0;
};
void from_json(const nlohmann::json& json, Count& count) { count.value = json.at("value").get<int>(); }
}  // namespace

// Requests started on many threads at once, through one data source and its provider: every one
// gets exactly one outcome on the main thread, and the count of typed requests ends at 0.
TEST(SessionConcurrency, RequestsFromManyThreadsEachGetOneOutcome) {
    platform::testing::VirtualMainLoop loop;
    net_tests::LoopbackServer server([](httplib::Server& routes) {
        routes.Get("/count", [](const httplib::Request& request, httplib::Response& reply) {
            reply.set_content("{\"value\":" + request.get_param_value("n") + "}", "application/json");
        });
        routes.Post("/echo", [](const httplib::Request& request, httplib::Response& reply) {
            reply.set_content(request.body, "text/plain");
        });
    });
    auto source = make<OnlineDataSource>(server.base());
    auto provider = make<DataProvider>(source);

    constexpr int threadCount = 6;
    constexpr int requestsPerThread = 8;
    // Touched only on the main thread, where every outcome arrives.
    int outcomes = 0;
    int wrong = 0;
    std::atomic<bool> offMain{false};
    auto arrive = [&](bool right) {
        if (!platform::MainQueue::isMainThread()) offMain = true;
        wrong += right ? 0 : 1;
        ++outcomes;
    };
    std::latch start(threadCount);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            for (int n = t * 100; n < t * 100 + requestsPerThread; ++n) {
                provider->request<Count>(
                    RequestData({}, "/count?n=" + std::to_string(n), APIMethod::get, {}, std::nullopt, false,
                                false),
                    make<NetworkResult<Count>>([&, n](auto response) { arrive(response->body().value == n); },
                                               [&](AnyError) { arrive(false); }));
                const auto body = "body-" + std::to_string(n);
                source->requestRaw(
                    RequestData({}, "/echo", APIMethod::post, {}, body, false, true),
                    make<NetworkResult<Data>>(
                        [&, body](auto response) { arrive(response->body() == body); },
                        [&](AnyError) { arrive(false); },
                        [&](double) { offMain = offMain || !platform::MainQueue::isMainThread(); }));
            }
        });
    for (auto& thread : threads) thread.join();

    constexpr int total = threadCount * requestsPerThread * 2;
    ASSERT_TRUE(net_tests::pumpUntil(loop, [&] { return outcomes >= total; }));
    loop.runUntilIdle();
    EXPECT_EQ(outcomes, total);
    EXPECT_EQ(wrong, 0);
    EXPECT_FALSE(offMain);
    EXPECT_EQ(runningRequestCount().value(), 0);
}
