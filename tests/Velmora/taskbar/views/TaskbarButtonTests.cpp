#include <gtest/gtest.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QTest>

#include "Brindle/widgets/TouchableComponent.h"
#include "Velmora/taskbar/views/AppIconVisualiser.h"
#include "platform/qt/Menu.h"
#include "platform/qt/QtAnimation.h"
#include "tests/Velmora/taskbar/views/BarViewTesting.h"

using namespace bar_view_testing;
using Form = Velmora::AppIconVisualiser::Form;
using Velmora::TaskbarButton;

namespace {

// How the model's actions are carried out is the model's tests' business; these follow the button's
// looks and which of its parts reach which action.
class TaskbarButtonTest : public ::testing::Test {
protected:
    // The titles of the items on show, "-" for a divider.
    static Strings shownItems(const QMenu* menu) {
        Strings items;
        for (const auto* action : menu->actions())
            if (action->isVisible()) items.push_back(action->isSeparator() ? "-" : action->text().toStdString());
        return items;
    }
    static void trigger(const QMenu* menu, const std::string& title) {
        for (auto* action : menu->actions())
            if (action->text().toStdString() == title) return action->trigger();
        ADD_FAILURE() << "no item " << title;
    }
    void click(QWidget* widget) {
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
        // The pressable part runs its action once the pressed look has been seen.
        desktop.loop.advance(0.1);
    }

    FixedAppearance appearance;
    Desktop desktop;
};

}  // namespace

TEST_F(TaskbarButtonTest, ShowsItsModelAndFollowsItInPlace) {
    auto model = desktop.model("Notes");
    auto button = desktop.button("Notes", true);
    EXPECT_TRUE(model->onAppearedCalled.value());
    auto* face = button->iconView();
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->form(), Form::titledRow);
    EXPECT_TRUE(face->padding()) << "one window";
    EXPECT_EQ(button->markColor(), FixedAppearance::accent) << "active";

    model->isActiveRelay.accept(false);
    const QColor runningLight = button->markColor();
    EXPECT_NE(runningLight, FixedAppearance::accent) << "running";
    platform::qt::Appearance::shared()->setColorSchemeOverride(platform::qt::ColorScheme::dark);
    EXPECT_NE(button->markColor(), runningLight) << "running, dark appearance";
    model->isRunning.accept(false);
    EXPECT_LT(button->markColor().alphaF(), 0.001) << "neither active nor running";
    desktop.manager->lastClicked.set(model->task);
    EXPECT_EQ(button->markColor(), FixedAppearance::accent) << "last clicked";
    desktop.manager->lastClicked.set(nullptr);

    model->badge.accept("7");
    ASSERT_NE(face->badgeView(), nullptr);
    EXPECT_EQ(face->badgeView()->text(), "7");
    model->isPinned.accept(true);
    EXPECT_EQ(face->form(), Form::icon) << "pinned: no title";
    button->setShowTitles(false);
    model->isPinned.accept(false);
    EXPECT_EQ(face->form(), Form::icon);
    EXPECT_EQ(button->iconView(), face) << "the same face throughout";
}

TEST_F(TaskbarButtonTest, FadesInAndWidensWhenShownAndFadesOutAndCollapsesWhenItCloses) {
    auto model = desktop.model("Music");
    TaskbarButton button(desktop.bar, model, false);
    EXPECT_EQ(button.shownOpacity(), 0.0);
    EXPECT_EQ(button.maximumWidth(), 0);
    button.show();
    desktop.loop.runUntilIdle();
    EXPECT_EQ(button.shownOpacity(), 1.0);
    EXPECT_EQ(button.shownMaxWidth(), std::nullopt);
    EXPECT_EQ(button.maximumWidth(), QWIDGETSIZE_MAX);

    // Hidden, it stops following; shown again, it catches up.
    button.hide();
    model->badge.accept("3");
    EXPECT_EQ(button.badge(), std::nullopt);
    button.show();
    EXPECT_EQ(button.badge(), "3");

    // Outside tests the model's changes are animated.
    auto notes = std::make_unique<TaskbarButton>(desktop.bar, desktop.model("Notes"), false);
    bool wasInstant = platform::qt::setAnimationsInstant(false);
    notes->show();
    EXPECT_EQ(notes->shownOpacity(), 0.0);
    EXPECT_EQ(notes->shownMaxWidth(), 0.0);
    EXPECT_EQ(notes->alpha(), 1.0);
    EXPECT_EQ(notes->maxWidthLimit(), std::nullopt);
    notes.reset();
    platform::qt::setAnimationsInstant(wasInstant);

    desktop.desktop->quit(502);
    desktop.refresh();
    EXPECT_EQ(button.shownOpacity(), 0.0);
    EXPECT_EQ(button.shownMaxWidth(), 0.0);
    EXPECT_EQ(button.maximumWidth(), 0);
}

TEST_F(TaskbarButtonTest, AClickReachesTheModelOrOpensTheListOfTheApplicationsWindows) {
    auto music = desktop.button("Music");
    EXPECT_EQ(music->windowMenuButton(), nullptr);
    click(music->touchable());
    EXPECT_EQ(desktop.actionNames(), (Strings{"activate", "open"}));

    desktop.desktop->clearActions();
    auto mail = desktop.button("Mail");
    EXPECT_FALSE(mail->iconView()->padding());
    click(mail->windowMenuButton());
    EXPECT_TRUE(mail->windowMenu()->isVisible());
    EXPECT_EQ(shownItems(mail->windowMenu()), (Strings{"Inbox", "Draft"}));
    EXPECT_TRUE(desktop.actionNames().empty()) << "the click itself does nothing";
    trigger(mail->windowMenu(), "Draft");
    EXPECT_EQ(desktop.actionNames(), (Strings{"activate", "unminimize"}));
    mail->windowMenu()->hide();
}

TEST_F(TaskbarButtonTest, TheContextMenuOffersPinningAndQuittingByState) {
    auto pinned = [&] { return desktop.settings->pinnedApplicationsState(); };
    const auto photosURL = *platform::URL::fromString("file:///Applications/Photos.app/");
    const auto musicURL = *platform::URL::fromString("file:///Applications/Music.app/");
    auto music = desktop.button("Music");
    QContextMenuEvent event(QContextMenuEvent::Mouse, music->rect().center(),
                            music->mapToGlobal(music->rect().center()));
    QCoreApplication::sendEvent(music.get(), &event);
    QMenu* menu = music->contextMenu();
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(shownItems(menu), (Strings{"Pinn application", "-", "Force quit", "Quit"}));
    EXPECT_TRUE(platform::qt::isDestructive(menu->actions().at(4)));
    menu->hide();

    trigger(menu, "Pinn application");
    trigger(menu, "Pinn application");
    EXPECT_EQ(pinned(), (std::vector<platform::URL>{photosURL, musicURL, musicURL})) << "pinned twice";
    EXPECT_FALSE(music->isPinned()) << "until the next list";
    desktop.refresh();
    EXPECT_EQ(shownItems(menu), (Strings{"Unpinn", "-", "Force quit", "Quit"}));
    trigger(menu, "Unpinn");
    EXPECT_EQ(pinned(), (std::vector<platform::URL>{photosURL})) << "every entry with the address goes";
    desktop.refresh();

    // A pinned application that does not run can only be unpinned; quitting it only refreshes.
    auto photos = desktop.button("Photos");
    EXPECT_EQ(shownItems(photos->contextMenu()), (Strings{"Unpinn", "-"}));
    desktop.updates = 0;
    trigger(photos->contextMenu(), "Quit");
    trigger(photos->contextMenu(), "Unpinn");
    EXPECT_TRUE(pinned().empty());

    trigger(menu, "Quit");
    trigger(desktop.button("Notes")->contextMenu(), "Force quit");
    ASSERT_EQ(desktop.actionNames(), (Strings{"terminate", "forceTerminate"}));
    EXPECT_EQ(desktop.details(0)["pid"], 502);
    EXPECT_EQ(desktop.details(1)["pid"], 501);
    EXPECT_EQ(desktop.updates, 3);
    desktop.refresh();
    desktop.loop.advance(0.5);
    EXPECT_EQ(bar_testing::titles(*desktop.bar), Strings{"Mail"}) << "Photos went once it showed unpinned";
}
