#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <string>
#include <thread>
#include <vector>

#include "Brindle/OnlineDataSource.h"
#include "tests/support/LoopbackServer.h"

using Brindle::AnyError;
using Brindle::Data;
using Brindle::NetworkResult;
using Brindle::RequestData;
using Brindle::Response;

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
    auto source = Brindle::make<Brindle::OnlineDataSource>(server.base());
    auto provider = Brindle::make<Brindle::DataProvider>(source);

    constexpr int threadCount = 6;
    constexpr int requestsPerThread = 8;
    constexpr int total = threadCount * requestsPerThread * 2;
    // Touched only on the main thread, where every outcome arrives.
    int outcomes = 0;
    int wrong = 0;
    std::atomic<bool> offMain{false};
    std::latch start(threadCount);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] {
            start.arrive_and_wait();
            for (int i = 0; i < requestsPerThread; ++i) {
                const int n = t * 100 + i;
                provider->request<Count>(RequestData({}, "/count?n=" + std::to_string(n),
                                                     Brindle::APIMethod::get, {}, std::nullopt, false, false),
                                         Brindle::make<NetworkResult<Count>>(
                                             [&, n](std::shared_ptr<Response<Count>> response) {
                                                 if (!platform::MainQueue::isMainThread()) offMain = true;
                                                 if (response->body().value != n) ++wrong;
                                                 ++outcomes;
                                             },
                                             [&](AnyError) {
                                                 ++wrong;
                                                 ++outcomes;
                                             }));
                const auto body = "body-" + std::to_string(n);
                source->requestRaw(RequestData({}, "/echo", Brindle::APIMethod::post, {}, body, false, true),
                                   Brindle::make<NetworkResult<Data>>(
                                       [&, body](std::shared_ptr<Response<Data>> response) {
                                           if (!platform::MainQueue::isMainThread()) offMain = true;
                                           if (response->body() != body) ++wrong;
                                           ++outcomes;
                                       },
                                       [&](AnyError) {
                                           ++wrong;
                                           ++outcomes;
                                       },
                                       [&](double) {
                                           if (!platform::MainQueue::isMainThread()) offMain = true;
                                       }));
            }
        });
    }
    for (auto& thread : threads) thread.join();

    ASSERT_TRUE(net_tests::pumpUntil(loop, [&] { return outcomes >= total; }));
    loop.runUntilIdle();
    EXPECT_EQ(outcomes, total);
    EXPECT_EQ(wrong, 0);
    EXPECT_FALSE(offMain);
    EXPECT_EQ(Brindle::runningRequestCount().value(), 0);
}
