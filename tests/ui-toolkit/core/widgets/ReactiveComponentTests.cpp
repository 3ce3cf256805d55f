#include <QLabel>
#include <string>
#include <vector>

#include "platform/system/Alert.h"
#include "tests/ui-toolkit/ui/widgets/WidgetTest.h"
#include "ui-toolkit/core/widgets/ReactiveComponent.h"
#include "ui-toolkit/core/widgets/TouchDownUpEventModifier.h"

using namespace brindle_core;

namespace {

class CountingModel : public ReactiveViewModel {
public:
    void didAppear() override { ++appears; }
    void didDisappear() override { ++disappears; }
    int appears = 0;
    int disappears = 0;
};

class ReactiveComponentTest : public WidgetTest {
protected:
    ReactiveComponent<CountingModel>* make(const std::shared_ptr<CountingModel>& model) {
        return new ReactiveComponent<CountingModel>(
            model, [this](const std::shared_ptr<CountingModel>&) { ++binds; }, new QLabel("content"));
    }

    // Answers every alert with `answer`, recording what it was asked.
    void answerWith(platform::ModalResponse answer) {
        responder =
            std::make_unique<platform::Alert::ScopedResponder>([this, answer](const platform::Alert& alert) {
                alerts.push_back(alert);
                return answer;
            });
    }

    std::shared_ptr<ButtonViewModel> button(const std::string& title) {
        return Brindle::make<ButtonViewModel>(title, ButtonViewModel::Style::defaultStyle,
                                              [this, title] { chosen.push_back(title); });
    }

    int binds = 0;
    std::vector<platform::Alert> alerts;
    std::vector<std::string> chosen;
    std::unique_ptr<platform::Alert::ScopedResponder> responder;
};

TEST_F(ReactiveComponentTest, FollowsTheModelThroughShowHideAndDestruction) {
    auto model = Brindle::make<CountingModel>();
    auto* component = show(make(model));
    EXPECT_EQ(binds, 1);
    EXPECT_TRUE(model->onScreen);
    window->hide();
    loop.runUntilIdle();
    EXPECT_FALSE(model->onScreen);
    window->show();
    loop.runUntilIdle();
    EXPECT_EQ(binds, 2);
    EXPECT_EQ(model->appears, 2);
    EXPECT_EQ(model->messages->observers.size(), 1u);
    EXPECT_FALSE(component->showAlert());
    window.reset();
    EXPECT_EQ(model->disappears, 2);
}

TEST_F(ReactiveComponentTest, ModelReleasedBeforeShowingBindsNothing) {
    auto model = Brindle::make<CountingModel>();
    auto* component = make(model);
    model.reset();
    show(component);
    EXPECT_EQ(binds, 0);
}

TEST_F(ReactiveComponentTest, TwoButtonsBecomeDefaultAndCancelWithAPlaceholderText) {
    answerWith(platform::alertSecondButtonReturn);
    auto model = Brindle::make<CountingModel>();
    show(make(model));
    model->publish(
        AlertTextContent{"Delete?", std::nullopt, {button("Delete"), button("Keep"), button("Later")}});
    loop.runUntilIdle();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].messageText, "Delete?");
    EXPECT_EQ(alerts[0].informativeText, "x");
    EXPECT_EQ(alerts[0].buttons(), (std::vector<std::string>{"Delete", "Keep"}));
    EXPECT_EQ(chosen, std::vector<std::string>{"Keep"});
}

TEST_F(ReactiveComponentTest, OneButtonOrNoneShowAnEmptyMissingText) {
    answerWith(platform::alertFirstButtonReturn);
    auto model = Brindle::make<CountingModel>();
    auto* component = show(make(model));
    model->publish(AlertTextContent{"Saved", std::nullopt, {button("OK")}});
    loop.runUntilIdle();
    model->publish("Just a title");
    loop.runUntilIdle();
    ASSERT_EQ(alerts.size(), 2u);
    EXPECT_EQ(alerts[0].informativeText, "");
    EXPECT_EQ(alerts[0].buttons(), std::vector<std::string>{"OK"});
    EXPECT_EQ(chosen, std::vector<std::string>{"OK"});
    EXPECT_EQ(alerts[1].messageText, "Just a title");
    EXPECT_EQ(alerts[1].buttons(), (std::vector<std::string>{"Cancel", "Cancel"}));
    EXPECT_FALSE(component->showAlert());
}

TEST_F(ReactiveComponentTest, NewestMessageWinsAndErrorsReachTheUser) {
    answerWith(platform::alertFirstButtonReturn);
    auto model = Brindle::make<CountingModel>();
    auto* component = show(make(model));
    model->publish("first");
    model->publish("second", "newer");
    EXPECT_TRUE(component->showAlert());
    EXPECT_EQ(component->alert()->title, "second");
    loop.runUntilIdle();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].messageText, "second");

    int oks = 0;
    model->publishError(nullptr, [&] { ++oks; });
    loop.runUntilIdle();
    ASSERT_EQ(alerts.size(), 2u);
    EXPECT_EQ(alerts[1].messageText, "An error as occured");
    EXPECT_EQ(oks, 1);
}

TEST_F(ReactiveComponentTest, MessagesBufferedWhileHiddenAppearWithTheNextOne) {
    answerWith(platform::alertFirstButtonReturn);
    auto model = Brindle::make<CountingModel>();
    show(make(model));
    window->hide();
    loop.runUntilIdle();
    model->publish("while hidden");
    window->show();
    loop.runUntilIdle();
    EXPECT_TRUE(alerts.empty());
    model->publish("after");
    loop.runUntilIdle();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].messageText, "after");  // the newest content is the one shown
}

TEST_F(ReactiveComponentTest, GoneHostIgnoresLaterMessages) {
    answerWith(platform::alertFirstButtonReturn);
    auto model = Brindle::make<CountingModel>();
    show(make(model));
    window.reset();
    model->publish("nobody listens");
    loop.runUntilIdle();
    EXPECT_TRUE(alerts.empty());
}

TEST_F(ReactiveComponentTest, TouchDownUpReportsEachPressOnce) {
    auto* view = show(new QLabel("press"));
    std::vector<bool> seen;
    onTouchDownUp(view, [&](bool pressed) { seen.push_back(pressed); });
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(3, 3));
    QTest::mouseMove(view, QPoint(60, 20));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(60, 20));
    QTest::mousePress(view, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(seen, (std::vector<bool>{true, false, true}));
    QTest::mouseRelease(view, Qt::LeftButton, {}, QPoint(3, 3));
}

}  // namespace
