#include <gtest/gtest.h>

#include "Brindle/JSONCoding.h"
#include "Brindle/UserDefaultsValues.h"
#include "Velmora/settings/Bundle.h"
#include "Velmora/settings/UpdateManager.h"
#include "platform/system/Alert.h"
#include "tests/support/LoopbackServer.h"
#include "tests/support/ServicesTesting.h"

using Velmora::UpdateManager;
using Velmora::UpdateResponse;

namespace {

UpdateResponse response(std::int64_t required, std::int64_t latest) {
    auto version = [](std::int64_t code) {
        return Velmora::UpdateInfo{code, "1." + std::to_string(code), "Version " + std::to_string(code),
                                   "Get it now.", "https://example.com/download"};
    };
    return {version(latest), version(required)};
}

std::optional<UpdateResponse> cached() {
    return Brindle::loadFromUserDefaults<UpdateResponse>("UpdateInfoKey");
}

// Build 27 runs, `updates` asks the test's own server, and alerts are recorded and answered with
// `answer`.
class UpdateCheck : public ::testing::Test {
protected:
    UpdateCheck() { runningBuild("27"); }
    void runningBuild(const std::string& build) {
        bundle_.emplace(
            std::make_shared<Velmora::Bundle>(Velmora::Bundle::InfoDictionary{{"CFBundleVersion", build}}));
    }
    // Checks `times` times at once, the server answering `status` and `body`, and waits for the
    // outcome; the paths the server was asked for so far.
    std::vector<std::string> check(int status = 200, std::string body = "", int times = 1) {
        std::unique_lock lock(mutex_);
        reply_ = {status, std::move(body)};
        lock.unlock();
        for (int time = 0; time < times; ++time) updates->checkForUpdate();
        EXPECT_TRUE(net_tests::pumpUntil(loop, [&] { return !updates->running(); }));
        lock.lock();
        return requests_;
    }
    platform::testing::VirtualMainLoop loop;
    services_tests::ScopedDefaults defaults;
    services_tests::EmptyDesktop desktop;
    std::vector<std::string> alerts;
    platform::ModalResponse answer = platform::alertSecondButtonReturn;
    platform::Alert::ScopedResponder responder{[this](const platform::Alert& alert) {
        alerts.push_back(alert.messageText + " | " + alert.informativeText);
        for (const auto& button : alert.buttons()) alerts.back() += " | " + button;
        return answer;
    }};

private:
    std::optional<Velmora::ScopedMainBundle> bundle_;
    std::mutex mutex_;
    std::pair<int, std::string> reply_;
    std::vector<std::string> requests_;
    net_tests::LoopbackServer server_{[this](httplib::Server& server) {
        server.Get(".*", [this](const httplib::Request& request, httplib::Response& reply) {
            std::lock_guard lock(mutex_);
            requests_.push_back(request.method + " " + request.path);
            reply.status = reply_.first;
            reply.set_content(reply_.second, "application/json");
        });
    }};

protected:
    std::shared_ptr<UpdateManager> updates = Brindle::make<UpdateManager>(server_.base() + "/api/v0");
};

TEST_F(UpdateCheck, AFreshReplyIsCachedAndComparedWithTheRunningBuildAndACheckInFlightIsNotRepeated) {
    std::vector<bool> published;
    auto subscription = updates->requiresUpdate.subscribe([&](bool forced) { published.push_back(forced); });
    EXPECT_EQ(check(200, Brindle::encodeJSON(response(27, 27)), 3),
              std::vector<std::string>{"GET /api/v0/update/"});
    EXPECT_EQ(cached(), response(27, 27));
    EXPECT_EQ(updates->updateInfo(), response(27, 27));
    EXPECT_EQ(published, (std::vector<bool>{false, false}));
    // One build newer than the running one is required: false first, then true.
    EXPECT_EQ(check(200, Brindle::encodeJSON(response(28, 28))).size(), 2u);
    EXPECT_EQ(cached(), response(28, 28));
    EXPECT_EQ(published, (std::vector<bool>{false, false, false, true}));
    EXPECT_TRUE(alerts.empty());
    subscription.dispose();
}

TEST_F(UpdateCheck, AnotherStatusOrABodyThatDoesNotDecodeChangesNothingAndAFailedRequestAppliesTheCache) {
    // A reply past the size limit is a failed request: it ends early, and the cache applies.
    const std::string tooLarge(2 << 20, '[');
    check(200, tooLarge);
    EXPECT_FALSE(updates->updateInfo());
    EXPECT_FALSE(cached());
    // A cache that would force an update, were it consulted.
    Brindle::saveToUserDefaults(response(99, 99), "UpdateInfoKey");
    // Each reply is a status, a space and a body; the last nests past the decoder's limit, well
    // within the size limit.
    for (const std::string& reply : std::initializer_list<std::string>{
             "304 ", "404 {}", "200 {}", "200 <html>busy</html>",
             "500 " + Brindle::encodeJSON(response(99, 99)), "200 " + std::string(10'000, '[')}) {
        check(std::stoi(reply), reply.substr(4));
        EXPECT_FALSE(updates->requiresUpdate.value()) << reply;
        EXPECT_FALSE(updates->updateInfo()) << reply;
        EXPECT_EQ(cached(), response(99, 99));
    }
    EXPECT_EQ(check(200, tooLarge).size(), 8u);
    EXPECT_EQ(updates->updateInfo(), response(99, 99));
    EXPECT_TRUE(updates->requiresUpdate.value());
    // A cache that no longer decodes is as good as none.
    defaults->setData("UpdateInfoKey", R"({"latest": {}})");
    updates->requiresUpdate.accept(false);
    check(200, tooLarge);
    EXPECT_FALSE(updates->requiresUpdate.value());
}

TEST_F(UpdateCheck, OnlyAnOlderBuildIsForcedTheOptionalUpdateOfferedOnceIn41HoursAndOnlyAWebAddressOpened) {
    // What handling a reply decides: whether the update is forced, and how many offers were shown.
    auto handled = [&](std::int64_t required, std::int64_t latest, UpdateManager& manager) {
        manager.handleUpdateResponse(response(required, latest));
        return std::to_string(manager.requiresUpdate.value()) + " " + std::to_string(alerts.size());
    };
    EXPECT_EQ(handled(26, 26, *updates), "0 0");
    EXPECT_EQ(handled(27, 27, *updates), "0 0");
    EXPECT_EQ(handled(28, 30, *updates), "1 0") << "a required update suppresses the optional one";
    EXPECT_EQ(handled(27, 27, *updates), "0 0");
    EXPECT_EQ(handled(1, 28, *updates), "0 1");
    EXPECT_EQ(alerts[0], "Version 28 | Get it now. | Download now | Cancel");
    loop.advance(UpdateManager::optionalPopupInterval);
    EXPECT_EQ(handled(1, 29, *updates), "0 1") << "not again within 41 hours";
    loop.advance(1);
    EXPECT_EQ(handled(1, 29, *updates), "0 2");
    EXPECT_EQ(handled(1, 29, *Brindle::make<UpdateManager>()), "0 3") << "each manager counts from 1970";
    // Download now opens the web address only.
    for (auto [url, choice] : {std::pair{"https://example.com/30.zip", platform::alertSecondButtonReturn},
                               {"https://example.com/30.zip", platform::alertFirstButtonReturn},
                               {"file:///Applications/Calculator.app", platform::alertFirstButtonReturn}}) {
        answer = choice;
        updates->setLastOptionalPopupDate(platform::Date::fromTimeIntervalSince1970(0));
        auto reply = response(1, 30);
        reply.latest.url = url;
        updates->handleUpdateResponse(reply);
    }
    EXPECT_EQ(alerts.size(), 6u);
    ASSERT_EQ(desktop.desktop->actionNames(), std::vector<std::string>{"open"});
    EXPECT_EQ(desktop.desktop->actions()[0].details["url"], "https://example.com/30.zip");
    runningBuild("27 beta");
    EXPECT_EQ(handled(0, 0, *updates), "0 6");
    EXPECT_EQ(handled(1, 1, *updates), "1 6") << "an unreadable build number counts as 0";
}

}  // namespace
