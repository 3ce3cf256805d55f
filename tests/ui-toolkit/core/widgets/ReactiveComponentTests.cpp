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
    int appears = 0, disappears = 0;
};

// Every alert is answered with `answer`, and noted with its texts and buttons.
class ReactiveComponentTest : public WidgetTest {
protected:
    ReactiveComponent<CountingModel>* make() {
        return new ReactiveComponent<CountingModel>(
            model, [this](const std::shared_ptr<CountingModel>&) { ++binds; }, new QLabel("x"));
    }
    std::shared_ptr<ButtonViewModel> button(const std::string& title) {
        return Brindle::make<ButtonViewModel>(title, ButtonViewModel::Style::defaultStyle,
                                              [this, title] { alerts.push_back("chose " + title); });
    }

    std::shared_ptr<CountingModel> model = Brindle::make<CountingModel>();
    int binds = 0;
    platform::ModalResponse answer = platform::alertFirstButtonReturn;
    Strings alerts;
    platform::Alert::ScopedResponder responder{[this](const platform::Alert& alert) {
        std::string line = alert.messageText + " (" + alert.informativeText + ")";
        for (const auto& title : alert.buttons()) line += " [" + title + "]";
        alerts.push_back(line);
        return answer;
    }};
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
    EXPECT_EQ(binds, 2);
    EXPECT_TRUE(alerts.empty());
}

TEST_F(ReactiveComponentTest, AlertShowsTwoButtonsAtMostAndRunsTheChosenOne) {
    const struct {
        AlertTextContent content;
        platform::ModalResponse answer;
        Strings expected;
    } cases[]{
        {{"Delete?", std::nullopt, {button("Delete"), button("Keep"), button("Later")}},
         platform::alertSecondButtonReturn,
         {"Delete? (x) [Delete] [Keep]", "chose Keep"}},  // a placeholder text with two buttons
        {{"Quit?", "Unsaved", {button("Quit"), button("Stay")}},
         platform::modalResponseAbort,
         {"Quit? (Unsaved) [Quit] [Stay]", "chose Stay"}},
        {{"Saved", std::nullopt, {button("OK")}},
         platform::alertFirstButtonReturn,
         {"Saved () [OK]", "chose OK"}},
        {{"Just a title", std::nullopt, {}},
         platform::alertFirstButtonReturn,
         {"Just a title () [Cancel] [Cancel]"}},
    };
    auto* component = show(make());
    for (const auto& c : cases) {
        alerts.clear();
        answer = c.answer;
        model->publish(c.content);
        loop.runUntilIdle();
        EXPECT_EQ(alerts, c.expected);
        EXPECT_FALSE(component->showAlert());
    }
}

TEST_F(ReactiveComponentTest, NewestMessageWins) {
    auto* component = show(make());
    model->publish("first");
    model->publish("second", "newer");
    EXPECT_TRUE(component->showAlert());
    EXPECT_EQ(component->alert()->title, "second");
    loop.runUntilIdle();
    EXPECT_EQ(alerts, Strings{"second (newer) [Cancel] [Cancel]"});
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
