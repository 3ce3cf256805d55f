#include "Brindle/Logging.h"
#include "platform/base/Animation.h"
#include "tests/Velmora/taskbar/BarModelTesting.h"

using namespace bar_testing;

// The class names of the states switched to since the last `take()`.
struct SwitchLog {
    SwitchLog() {
        Brindle::Logging::setPrintFunction([this](const std::string& line) {
            auto start = line.find("<Velmora.") + 9;
            states.push_back(line.substr(start, line.find(':', start) - start));
        });
    }
    ~SwitchLog() { Brindle::Logging::setPrintFunction(nullptr); }
    Strings take() { return std::exchange(states, {}); }
    Strings states;
};

// Notes and Mail run; Photos, Notes and Mail are pinned.
class ButtonStates : public ::testing::Test {
protected:
    void show(const Velmora::TaskbarViewModel& bar) {
        for (const auto& button : bar.tasks.value()) button->onAppearedCalled.accept(true);
    }
    Harness harness{R"({"applications": [{"pid": 501, "name": "Notes", "bundle": "/Applications/Notes.app"},
                                         {"pid": 502, "name": "Mail", "bundle": "/Applications/Mail.app"}],
      "defaults": {"pinned": ["file:///Applications/Photos.app/", "file:///Applications/Notes.app/",
                              "file:///Applications/Mail.app/"]}})"};
    std::shared_ptr<Velmora::TaskbarViewModel> bar = harness.makeBar();
    SwitchLog log;
};

TEST_F(ButtonStates, ANewButtonOpensOnceShownAndAQuitOneFadesCollapsesAndLeavesHalfASecondLater) {
    harness.settings->pinnedApplications.accept({});
    harness.publish({harness.running(501)});
    auto notes = bar->tasks.value()[0];
    harness.publish({});
    harness.loop.advance(1.0);
    EXPECT_TRUE(log.take().empty()) << "neither the first state nor the task leaving is a switch";
    EXPECT_EQ(notes->maxWidth.value(), std::optional<double>(0.0));
    harness.publish({harness.running(501)});
    notes->onAppearedCalled.accept(true);
    notes->onAppearedCalled.accept(true);
    EXPECT_EQ(log.take(), (Strings{"ButtonStateRunning"})) << "shown again: nothing happens";
    EXPECT_EQ(notes->maxWidth.value(), std::nullopt);
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
    harness.publish({});
    EXPECT_EQ(log.take(), (Strings{"ButtonStateClosing", "ButtonStateClosed"}));
    EXPECT_EQ(alphas, (std::vector<double>{0.0, 0.0})) << "by the exiting rule, then by the closing state";
    harness.loop.advance(0.5);
    EXPECT_TRUE(bar->tasks.value().empty()) << "the view model's tests pin the half second";
    EXPECT_TRUE(removedInAnimation);
    // A bar released meanwhile: nothing is removed and the pending removal keeps nothing alive.
    harness.publish({harness.running(502)});
    auto other = harness.makeBar();
    std::weak_ptr<Velmora::TaskbarButtonViewModel> weak = other->tasks.value()[0];
    show(*other);
    harness.publish({});
    other.reset();
    EXPECT_TRUE(weak.expired());
    EXPECT_EQ(log.take().back(), "ButtonStateClosed");
    harness.loop.advance(1.0);
}

TEST_F(ButtonStates, PinnedApplicationsSettleAsPlaceholders) {
    harness.publish({Harness::notRunning("Photos"), harness.running(501), harness.running(502)});
    show(*bar);
    EXPECT_EQ(log.take(), (Strings{"ButtonStateRunning", "ButtonStatePinned", "ButtonStateRunning",
                                   "ButtonStateRunning"}))
        << "a pinned application that is not running never reaches the closing state";
    // A running pinned application quits: the next list names it without a process.
    harness.desktop->quit(501);
    harness.publish({Harness::notRunning("Photos"), Harness::notRunning("Notes"), harness.running(502)});
    EXPECT_EQ(log.take(), (Strings{"ButtonStatePinned"}));
    auto notes = button(*bar, "Notes");
    EXPECT_EQ(std::pair(notes->alpha.value(), notes->maxWidth.value()),
              std::pair(1.0, std::optional<double>()));
    // Unlisted while its pinned flag still holds: through closing to a placeholder, which the
    // unlisting then marks neither running nor pinned, so it leaves.
    harness.publish({Harness::notRunning("Photos"), Harness::notRunning("Notes")});
    EXPECT_EQ(log.take(), (Strings{"ButtonStateClosing", "ButtonStatePinned", "ButtonStateClosing",
                                   "ButtonStateClosed"}));
    harness.loop.advance(1.0);
    EXPECT_EQ(titles(*bar), (Strings{"Photos", "Notes"}));
    // A placeholder whose application starts keeps its place and acts on the running application.
    auto pid = harness.desktop->launch({.name = "Notes", .bundlePath = "/Applications/Notes.app"});
    harness.publish({Harness::notRunning("Photos"), harness.running(pid, true)});
    EXPECT_EQ(log.take(), (Strings{"ButtonStateRunning"}));
    EXPECT_EQ(notes, button(*bar, "Notes"));
    EXPECT_TRUE(notes->isActiveRelay.value());
    notes->quit();
    EXPECT_EQ(harness.actionNames().back(), "terminate");
    EXPECT_EQ(harness.desktop->actions().back().details["pid"], pid);
    // Unpinned while not running it leaves like any other button; the quit one fades first, its
    // pinned mark of the last refresh still holding.
    harness.settings->pinnedApplications.accept({});
    harness.publish({});
    EXPECT_EQ(log.take(), (Strings{"ButtonStateClosing", "ButtonStateClosed", "ButtonStateClosing",
                                   "ButtonStatePinned", "ButtonStateClosing", "ButtonStateClosed"}));
    harness.loop.advance(1.0);
    EXPECT_TRUE(bar->tasks.value().empty());
}
