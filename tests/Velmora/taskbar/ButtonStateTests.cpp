#include <gtest/gtest.h>

#include "Brindle/Logging.h"
#include "platform/base/Animation.h"
#include "tests/Velmora/taskbar/BarModelTesting.h"

using namespace bar_testing;
using Velmora::ButtonStateClosed;
using Velmora::ButtonStateIdle;

namespace {

// The class names of the states switched to while it lives.
struct SwitchLog {
    SwitchLog() {
        Brindle::Logging::setPrintFunction([this](const std::string& line) {
            auto start = line.find("<Velmora.") + 9;
            states.push_back(line.substr(start, line.find(':', start) - start));
        });
    }
    ~SwitchLog() { Brindle::Logging::setPrintFunction(nullptr); }
    Strings states;
};

}  // namespace

TEST(ButtonStates, ANewButtonOpensOnceShownAndAQuitOneFadesCollapsesAndLeavesHalfASecondLater) {
    Harness harness(R"({"applications": [{"pid": 501, "name": "Notes", "bundle": "/Applications/Notes.app"},
                                         {"pid": 502, "name": "Mail", "bundle": "/Applications/Mail.app"}]})");
    auto bar = harness.makeBar();
    SwitchLog log;
    harness.publish({harness.running(501)});
    auto notes = bar->tasks.value()[0];
    harness.publish({});
    harness.loop.advance(1.0);
    EXPECT_TRUE(isIn<ButtonStateIdle>(*notes)) << "the task leaving does not move it on";
    EXPECT_EQ(notes->maxWidth.value(), std::optional<double>(0.0));
    EXPECT_TRUE(log.states.empty()) << "the first state is not a switch";

    harness.publish({harness.running(501)});
    notes->onAppearedCalled.accept(true);
    EXPECT_EQ(notes->maxWidth.value(), std::nullopt);
    auto running = notes->currentState();
    notes->onAppearedCalled.accept(true);
    EXPECT_EQ(notes->currentState(), running) << "shown again: nothing happens";
    EXPECT_EQ(log.states, (Strings{"ButtonStateRunning"}));

    std::vector<double> alphas;
    Brindle::subscribeNext(notes->alpha.skip(1), false, [&](double alpha) {
        EXPECT_TRUE(platform::isInAnimationTransaction());
        alphas.push_back(alpha);
    }).disposed(harness.bag);
    bool removedInAnimation = false;
    Brindle::subscribeNext(bar->tasks.asObservable().skip(1), false, [&](const auto&) {
        removedInAnimation = platform::isInAnimationTransaction();
    }).disposed(harness.bag);
    harness.desktop->quit(501);
    log.states.clear();
    harness.publish({});
    EXPECT_EQ(log.states, (Strings{"ButtonStateClosing", "ButtonStateClosed"}));
    EXPECT_EQ(alphas, (std::vector<double>{0.0, 0.0})) << "by the exiting rule, then by the closing state";
    EXPECT_EQ(notes->maxWidth.value(), std::optional<double>(0.0));
    harness.loop.advance(0.49);
    EXPECT_EQ(titles(*bar), (Strings{"Notes"}));
    harness.loop.advance(0.01);
    EXPECT_TRUE(bar->tasks.value().empty());
    EXPECT_TRUE(removedInAnimation);

    // A bar released meanwhile: nothing is removed and the pending removal keeps nothing alive.
    harness.publish({harness.running(502)});
    auto other = harness.makeBar();
    std::weak_ptr<Velmora::TaskbarButtonViewModel> weak = other->tasks.value()[0];
    show(*other);
    harness.publish({});
    ASSERT_TRUE(isIn<ButtonStateClosed>(*weak.lock()));
    other.reset();
    EXPECT_TRUE(weak.expired());
    harness.loop.advance(1.0);
}

TEST(ButtonStates, PinnedApplicationsSettleAsPlaceholders) {
    Harness harness(R"({"applications": [{"pid": 501, "name": "Notes", "bundle": "/Applications/Notes.app"},
                                         {"pid": 502, "name": "Mail", "bundle": "/Applications/Mail.app"}],
      "defaults": {"pinned": ["file:///Applications/Photos.app/", "file:///Applications/Notes.app/",
                              "file:///Applications/Mail.app/"]}})");
    auto bar = harness.makeBar();
    SwitchLog log;
    harness.publish({Harness::notRunning("Photos"), harness.running(501), harness.running(502)});
    show(*bar);
    EXPECT_EQ(log.states, (Strings{"ButtonStateRunning", "ButtonStatePinned", "ButtonStateRunning",
                                   "ButtonStateRunning"}))
        << "a pinned application that is not running never reaches the closing state";

    // A running pinned application quits: the next list names it without a process.
    harness.desktop->quit(501);
    log.states.clear();
    harness.publish({Harness::notRunning("Photos"), Harness::notRunning("Notes"), harness.running(502)});
    EXPECT_EQ(log.states, (Strings{"ButtonStatePinned"}));
    auto notes = button(*bar, "Notes");
    EXPECT_EQ(notes->alpha.value(), 1.0);
    EXPECT_EQ(notes->maxWidth.value(), std::nullopt);

    // Unlisted while its pinned flag still holds: through closing to a placeholder, which the
    // unlisting then marks neither running nor pinned, so it leaves.
    log.states.clear();
    harness.publish({Harness::notRunning("Photos"), Harness::notRunning("Notes")});
    EXPECT_EQ(log.states, (Strings{"ButtonStateClosing", "ButtonStatePinned", "ButtonStateClosing",
                                   "ButtonStateClosed"}));
    harness.loop.advance(1.0);
    EXPECT_EQ(titles(*bar), (Strings{"Photos", "Notes"}));

    // A placeholder whose application starts keeps its place and acts on the running application.
    platform::sim::ApplicationDescription started;
    started.name = "Notes";
    started.bundlePath = "/Applications/Notes.app";
    auto pid = harness.desktop->launch(started);
    log.states.clear();
    harness.publish({Harness::notRunning("Photos"), harness.running(pid, true)});
    EXPECT_EQ(log.states, (Strings{"ButtonStateRunning"}));
    EXPECT_EQ(notes, button(*bar, "Notes"));
    EXPECT_EQ(notes->task->processIdentifier, pid);
    EXPECT_TRUE(notes->isActiveRelay.value());
    notes->quit();
    EXPECT_EQ(harness.actionNames().back(), "terminate");

    // Unpinned while not running it leaves like any other button; the quit one fades first, its
    // pinned mark of the last refresh still holding.
    harness.settings->pinnedApplications.accept({});
    log.states.clear();
    harness.publish({});
    EXPECT_EQ(log.states, (Strings{"ButtonStateClosing", "ButtonStateClosed", "ButtonStateClosing",
                                   "ButtonStatePinned", "ButtonStateClosing", "ButtonStateClosed"}));
    harness.loop.advance(1.0);
    EXPECT_TRUE(bar->tasks.value().empty());
}
