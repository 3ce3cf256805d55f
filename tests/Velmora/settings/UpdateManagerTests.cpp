#include <gtest/gtest.h>

#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "Brindle/JSONCoding.h"
#include "Brindle/UserDefaultsValues.h"
#include "Velmora/settings/Bundle.h"
#include "Velmora/settings/UpdateManager.h"
#include "platform/system/Alert.h"
#include "platform/testing/VirtualMainLoop.h"
#include "rx/Disposable.h"
#include "tests/Brindle-net/LoopbackServer.h"
#include "tests/support/ServicesTesting.h"

using net_tests::LoopbackServer;
using net_tests::pumpUntil;
using platform::Alert;
using Velmora::Bundle;
using Velmora::UpdateInfo;
using Velmora::UpdateManager;
using Velmora::UpdateResponse;

namespace {

UpdateInfo version(std::int64_t code, std::string url = "https://example.com/download") {
    return UpdateInfo{code, "1." + std::to_string(code), "Version " + std::to_string(code) + " is out",
                      "Get it now.", std::move(url)};
}

UpdateResponse response(std::int64_t required, std::int64_t latest) {
    return UpdateResponse{version(latest), version(required)};
}

// What the server answers, changed by the test while the server runs.
struct Replies {
    std::mutex mutex;
    int status = 200;
    std::string body;
    int hits = 0;
    std::string lastPath;
};

class UpdateCheck : public ::testing::Test {
protected:
    UpdateCheck() { runningBuild("27"); }

    void runningBuild(std::optional<std::string> build) {
        Bundle::InfoDictionary info{{"CFBundleShortVersionString", "1.27"}};
        if (build) info.emplace("CFBundleVersion", *build);
        bundle_.emplace(std::make_shared<Bundle>(info));
    }

    std::unique_ptr<LoopbackServer> startServer() {
        return std::make_unique<LoopbackServer>([this](httplib::Server& server) {
            server.Get(".*", [this](const httplib::Request& request, httplib::Response& reply) {
                std::lock_guard lock(replies.mutex);
                ++replies.hits;
                replies.lastPath = request.method + " " + request.path;
                reply.status = replies.status;
                reply.set_content(replies.body, "application/json");
            });
        });
    }

    void serve(int status, std::string body) {
        std::lock_guard lock(replies.mutex);
        replies.status = status;
        replies.body = std::move(body);
    }

    int hits() {
        std::lock_guard lock(replies.mutex);
        return replies.hits;
    }

    // Checks once and waits for the outcome.
    void check(UpdateManager& manager) {
        manager.checkForUpdate();
        ASSERT_TRUE(pumpUntil(loop, [&] { return !manager.running(); }));
    }

    std::optional<UpdateResponse> cached() {
        return Brindle::loadFromUserDefaults<UpdateResponse>("UpdateInfoKey");
    }

    platform::testing::VirtualMainLoop loop;
    services_tests::ScopedDefaults defaults;
    services_tests::EmptyDesktop desktop;
    Replies replies;
    std::vector<std::string> alerts;
    platform::ModalResponse answer = platform::alertSecondButtonReturn;
    Alert::ScopedResponder responder{[this](const Alert& alert) {
        std::string shown = alert.messageText + " | " + alert.informativeText;
        for (const auto& button : alert.buttons()) shown += " | " + button;
        alerts.push_back(shown);
        return answer;
    }};

private:
    std::optional<Velmora::ScopedMainBundle> bundle_;
};

TEST_F(UpdateCheck, AFreshReplyIsCachedAndComparedWithTheRunningBuild) {
    auto server = startServer();
    auto manager = Brindle::make<UpdateManager>(server->base() + "/api/v0");
    std::vector<bool> published;
    rx::DisposeBag bag;
    bag.insert(manager->requiresUpdate.subscribe([&](const bool& value) { published.push_back(value); }));

    serve(200, Brindle::encodeJSON(response(27, 27)));
    check(*manager);
    EXPECT_EQ(replies.lastPath, "GET /api/v0/update/");
    EXPECT_EQ(cached(), response(27, 27));
    EXPECT_EQ(manager->updateInfo(), response(27, 27));
    EXPECT_EQ(published, (std::vector<bool>{false, false}));

    // One build newer than the running one is required: false first, then true.
    serve(200, Brindle::encodeJSON(response(28, 28)));
    check(*manager);
    EXPECT_EQ(cached(), response(28, 28));
    EXPECT_EQ(manager->updateInfo(), response(28, 28));
    EXPECT_EQ(published, (std::vector<bool>{false, false, false, true}));
    EXPECT_TRUE(alerts.empty());
}

TEST_F(UpdateCheck, AnotherStatusOrABodyThatDoesNotDecodeChangesNothing) {
    auto server = startServer();
    auto manager = Brindle::make<UpdateManager>(server->base() + "/api/v0");
    // A cache that would force an update, were it consulted.
    Brindle::saveToUserDefaults(response(99, 99), "UpdateInfoKey");

    for (auto [status, body] :
         {std::pair{304, std::string()}, std::pair{500, Brindle::encodeJSON(response(99, 99))},
          std::pair{404, std::string("{}")}, std::pair{200, std::string("{}")},
          std::pair{200, std::string("<html>busy</html>")},
          // Nested past the decoder's limit, well within the size limit.
          std::pair{200, std::string(10'000, '[')}}) {
        serve(status, body);
        check(*manager);
        EXPECT_FALSE(manager->requiresUpdate.value()) << status << " " << body;
        EXPECT_FALSE(manager->updateInfo()) << status << " " << body;
        EXPECT_EQ(cached(), response(99, 99));
    }
    EXPECT_EQ(hits(), 6);

    // A reply past the size limit is a failed request: it ends early and the cache applies.
    serve(200, std::string(2 << 20, '['));
    check(*manager);
    EXPECT_EQ(manager->updateInfo(), response(99, 99));
}

TEST_F(UpdateCheck, AFailedRequestAppliesTheCachedReply) {
    auto manager = Brindle::make<UpdateManager>(net_tests::refusingBase() + "/api/v0");
    check(*manager);
    EXPECT_FALSE(manager->updateInfo());
    EXPECT_FALSE(manager->requiresUpdate.value());
    EXPECT_FALSE(cached());

    Brindle::saveToUserDefaults(response(30, 30), "UpdateInfoKey");
    check(*manager);
    EXPECT_EQ(manager->updateInfo(), response(30, 30));
    EXPECT_TRUE(manager->requiresUpdate.value());
    EXPECT_EQ(cached(), response(30, 30));

    // A cache that no longer decodes is as good as none.
    defaults->setData("UpdateInfoKey", R"({"latest": {}})");
    manager->requiresUpdate.accept(false);
    check(*manager);
    EXPECT_FALSE(manager->requiresUpdate.value());
}

TEST_F(UpdateCheck, ACheckInFlightIsNotRepeated) {
    auto server = startServer();
    auto manager = Brindle::make<UpdateManager>(server->base() + "/api/v0");
    serve(200, Brindle::encodeJSON(response(1, 1)));
    manager->checkForUpdate();
    EXPECT_TRUE(manager->running());
    manager->checkForUpdate();
    manager->checkForUpdate();
    ASSERT_TRUE(pumpUntil(loop, [&] { return !manager->running(); }));
    EXPECT_EQ(hits(), 1);

    check(*manager);
    EXPECT_EQ(hits(), 2);
}

TEST_F(UpdateCheck, OnlyABuildOlderThanTheRequiredOneIsForced) {
    auto manager = Brindle::make<UpdateManager>();
    manager->handleUpdateResponse(response(26, 26));
    EXPECT_FALSE(manager->requiresUpdate.value());
    manager->handleUpdateResponse(response(27, 27));
    EXPECT_FALSE(manager->requiresUpdate.value());
    manager->handleUpdateResponse(response(28, 28));
    EXPECT_TRUE(manager->requiresUpdate.value());
    manager->handleUpdateResponse(response(27, 27));
    EXPECT_FALSE(manager->requiresUpdate.value());
    // The required update suppressed the optional one.
    EXPECT_TRUE(alerts.empty());

    // An unreadable build number counts as 0.
    runningBuild("27 beta");
    manager->handleUpdateResponse(response(0, 0));
    EXPECT_FALSE(manager->requiresUpdate.value());
    manager->handleUpdateResponse(response(1, 1));
    EXPECT_TRUE(manager->requiresUpdate.value());
}

TEST_F(UpdateCheck, TheOptionalUpdateIsOfferedAtMostOnceIn41Hours) {
    auto manager = Brindle::make<UpdateManager>();
    manager->handleUpdateResponse(response(1, 27));
    EXPECT_TRUE(alerts.empty());

    manager->handleUpdateResponse(response(1, 28));
    EXPECT_EQ(alerts, (std::vector<std::string>{"Version 28 is out | Get it now. | Download now | Cancel"}));
    EXPECT_EQ(manager->lastOptionalPopupDate(), platform::Date::now());
    EXPECT_FALSE(manager->requiresUpdate.value());

    loop.advance(UpdateManager::optionalPopupInterval);
    manager->handleUpdateResponse(response(1, 29));
    EXPECT_EQ(alerts.size(), 1u);

    loop.advance(1);
    manager->handleUpdateResponse(response(1, 29));
    ASSERT_EQ(alerts.size(), 2u);
    EXPECT_EQ(alerts[1], "Version 29 is out | Get it now. | Download now | Cancel");

    // Each manager counts from 1970, as each run does.
    Brindle::make<UpdateManager>()->handleUpdateResponse(response(1, 29));
    EXPECT_EQ(alerts.size(), 3u);
}

TEST_F(UpdateCheck, DownloadNowOpensTheWebAddressOnly) {
    auto manager = Brindle::make<UpdateManager>();
    auto offer = [&](std::string url, platform::ModalResponse choice) {
        answer = choice;
        manager->setLastOptionalPopupDate(platform::Date::fromTimeIntervalSince1970(0));
        auto reply = response(1, 30);
        reply.latest.url = std::move(url);
        manager->handleUpdateResponse(reply);
    };
    offer("https://example.com/Velmora-30.zip", platform::alertSecondButtonReturn);
    offer("https://example.com/Velmora-30.zip", platform::alertFirstButtonReturn);
    offer("not an address", platform::alertFirstButtonReturn);
    offer("file:///Applications/Calculator.app", platform::alertFirstButtonReturn);
    EXPECT_EQ(alerts.size(), 4u);

    auto actions = desktop.desktop->actions();
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].name, "open");
    EXPECT_EQ(actions[0].details["url"], "https://example.com/Velmora-30.zip");
}

}  // namespace
