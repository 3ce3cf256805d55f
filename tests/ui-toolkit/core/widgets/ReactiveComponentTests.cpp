#include <QLabel>
#include <string>
#include <vector>

#include "platform/system/Alert.h"
#include "tests/ui-toolkit/ui/widgets/WidgetTest.h"
#include "ui-toolkit/core/widgets/ReactiveComponent.h"
#include "ui-toolkit/core/widgets/TouchDownUpEventModifier.h"

using namespace brindle_core;
using Strings = std::vector<std::string>;

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
    using Component = ReactiveComponent<CountingModel>;
    Component* make() {
        return new Component(
            model, [this](const std::shared_ptr<CountingModel>&) { ++binds; }, new QLabel("x"));
    }
    std::shared_ptr<ButtonViewModel> button(const std::string& title) {
        return Brindle::make<ButtonViewModel>(title, ButtonViewModel::Style::defaultStyle,
                                              [this, title] { chosen.push_back(title); });
    }

    std::shared_ptr<CountingModel> model = Brindle::make<CountingModel>();
    int binds = 0;
    // Every alert is answered with `answer`, and noted.
    platform::ModalResponse answer = platform::alertFirstButtonReturn;
    std::vector<platform::Alert> alerts;
    platform::Alert::ScopedResponder responder{[this](const platform::Alert& alert) {
        alerts.push_back(alert);
        return answer;
    }};
    Strings chosen;
};

TEST_F(ReactiveComponentTest, FollowsTheModelThroughShowHideAndDestruction) {
    auto* component = show(make());
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

    // One whose model is gone before it is shown binds nothing; a gone host ignores messages.
    auto* orphan = make();
    model->publish("nobody listens");
    model.reset();
    show(orphan);
    loop.runUntilIdle();
    EXPECT_EQ(binds, 2);
    EXPECT_TRUE(alerts.empty());
}

TEST_F(ReactiveComponentTest, AlertShowsTwoButtonsAtMostAndRunsTheChosenOne) {
    struct Case {
        AlertTextContent content;
        platform::ModalResponse answer;
        std::string informativeText;
        Strings buttons, chosen;
    };
    const Case cases[]{
        // Without a text, two buttons get a placeholder one.
        {{"Delete?", std::nullopt, {button("Delete"), button("Keep"), button("Later")}},
         platform::alertSecondButtonReturn,
         "x",
         {"Delete", "Keep"},
         {"Keep"}},
        {{"Quit?", "Unsaved", {button("Quit"), button("Stay")}},
         platform::modalResponseAbort,
         "Unsaved",
         {"Quit", "Stay"},
         {"Stay"}},
        {{"Saved", std::nullopt, {button("OK")}}, platform::alertFirstButtonReturn, "", {"OK"}, {"OK"}},
        {{"Just a title", std::nullopt, {}}, platform::alertFirstButtonReturn, "", {"Cancel", "Cancel"}, {}},
    };
    auto* component = show(make());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content.title);
        alerts.clear();
        chosen.clear();
        answer = c.answer;
        model->publish(c.content);
        loop.runUntilIdle();
        ASSERT_EQ(alerts.size(), 1u);
        EXPECT_EQ(alerts[0].messageText, c.content.title);
        EXPECT_EQ(alerts[0].informativeText, c.informativeText);
        EXPECT_EQ(alerts[0].buttons(), c.buttons);
        EXPECT_EQ(chosen, c.chosen);
        EXPECT_FALSE(component->showAlert());
    }
}

TEST_F(ReactiveComponentTest, NewestMessageWinsAndErrorsReachTheUser) {
    auto* component = show(make());
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
