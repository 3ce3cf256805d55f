#include <gtest/gtest.h>

#include <QAction>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QMenu>
#include <QTest>
#include <memory>
#include <string>
#include <vector>

#include "Brindle/widgets/TouchableComponent.h"
#include "Velmora/taskbar/ButtonState.h"
#include "Velmora/taskbar/views/AppIconVisualiser.h"
#include "Velmora/taskbar/views/TaskbarButton.h"
#include "platform/qt/Appearance.h"
#include "platform/qt/Menu.h"
#include "platform/qt/QtAnimation.h"
#include "tests/Velmora/taskbar/views/DesktopTesting.h"

using namespace button_views_testing;
using Velmora::AppIconVisualiser;
using Velmora::TaskbarButton;

namespace {

const QColor accent(0x0a, 0x84, 0xff);

// Fixed colours, whatever the machine's palette.
struct FixedAppearance {
    explicit FixedAppearance(platform::qt::ColorScheme scheme = platform::qt::ColorScheme::light) {
        platform::qt::Appearance::shared()->setAccentColorOverride(accent);
        platform::qt::Appearance::shared()->setColorSchemeOverride(scheme);
    }
    ~FixedAppearance() {
        platform::qt::Appearance::shared()->setAccentColorOverride(std::nullopt);
        platform::qt::Appearance::shared()->setColorSchemeOverride(std::nullopt);
    }
};

// The titles of the items on show, "-" for a divider.
Strings shownItems(const QMenu* menu) {
    Strings items;
    for (const auto* action : menu->actions())
        if (action->isVisible()) items.push_back(action->isSeparator() ? "-" : action->text().toStdString());
    return items;
}

QAction* item(const QMenu* menu, const std::string& title) {
    for (auto* action : menu->actions())
        if (action->text().toStdString() == title) return action;
    ADD_FAILURE() << "no item " << title;
    return nullptr;
}

void click(QWidget* widget, Desktop& desktop) {
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
    // The pressable part runs its action once the pressed look has been seen.
    desktop.loop.advance(0.1);
}

}  // namespace

TEST(TaskbarButton, ShowsItsModelAndFollowsItInPlace) {
    FixedAppearance appearance;
    Desktop desktop;
    auto model = desktop.model("Notes");
    auto button = desktop.button("Notes", true);
    EXPECT_TRUE(model->onAppearedCalled.value());

    auto* face = button->iconView();
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->form(), AppIconVisualiser::Form::titledRow);
    ASSERT_NE(face->titleLabel(), nullptr);
    EXPECT_EQ(face->titleLabel()->text(), "Notes");
    EXPECT_NE(face->iconView(), nullptr);
    EXPECT_TRUE(face->padding());
    EXPECT_EQ(face->badgeView(), nullptr);
    EXPECT_EQ(button->markColor(), accent) << "active";

    model->isActiveRelay.accept(false);
    const QColor runningLight = button->markColor();
    EXPECT_NE(runningLight, accent) << "running";
    platform::qt::Appearance::shared()->setColorSchemeOverride(platform::qt::ColorScheme::dark);
    EXPECT_NE(button->markColor(), runningLight) << "running, dark appearance";
    model->isRunning.accept(false);
    EXPECT_LT(button->markColor().alphaF(), 0.001) << "neither active nor running";
    desktop.manager->lastClicked.set(model->task);
    EXPECT_EQ(button->markColor(), accent) << "last clicked";
    desktop.manager->lastClicked.set(nullptr);

    model->badge.accept("7");
    ASSERT_NE(face->badgeView(), nullptr);
    EXPECT_EQ(face->badgeView()->text(), "7");
    model->isPinned.accept(true);
    EXPECT_EQ(face->form(), AppIconVisualiser::Form::icon) << "pinned: no title";
    button->setShowTitles(false);
    model->isPinned.accept(false);
    EXPECT_EQ(face->form(), AppIconVisualiser::Form::icon);
    EXPECT_EQ(button->iconView(), face) << "the same face throughout";
}

TEST(TaskbarButton, FadesInAndWidensWhenShownAndFadesOutAndCollapsesWhenItCloses) {
    FixedAppearance appearance;
    Desktop desktop;
    auto model = desktop.model("Music");
    TaskbarButton button(desktop.bar, model, false);
    EXPECT_EQ(button.shownOpacity(), 0.0);
    EXPECT_EQ(button.shownMaxWidth(), 0.0);
    EXPECT_EQ(button.maximumWidth(), 0);

    button.show();
    desktop.loop.runUntilIdle();
    EXPECT_EQ(button.shownOpacity(), 1.0);
    EXPECT_EQ(button.shownMaxWidth(), std::nullopt);
    EXPECT_EQ(button.maximumWidth(), QWIDGETSIZE_MAX);
    EXPECT_TRUE((isIn<Velmora::ButtonStateRunning>(*model)));

    // Hidden, it stops following; shown again, it catches up.
    button.hide();
    model->badge.accept("3");
    EXPECT_EQ(button.badge(), std::nullopt);
    button.show();
    EXPECT_EQ(button.badge(), "3");

    // Outside tests the model's changes are animated.
    auto* notes = new TaskbarButton(desktop.bar, desktop.model("Notes"), false);
    bool wasInstant = platform::qt::setAnimationsInstant(false);
    notes->show();
    EXPECT_EQ(notes->shownOpacity(), 0.0);
    EXPECT_EQ(notes->shownMaxWidth(), 0.0);
    EXPECT_EQ(notes->alpha(), 1.0);
    EXPECT_EQ(notes->maxWidthLimit(), std::nullopt);
    delete notes;
    platform::qt::setAnimationsInstant(wasInstant);

    desktop.desktop->quit(502);
    desktop.refresh();
    EXPECT_TRUE(model->isExiting.value());
    EXPECT_EQ(button.shownOpacity(), 0.0);
    EXPECT_EQ(button.shownMaxWidth(), 0.0);
    EXPECT_EQ(button.maximumWidth(), 0);
}

TEST(TaskbarButton, AClickActsOnTheApplicationOrOpensTheListOfItsWindows) {
    FixedAppearance appearance;
    Desktop desktop;
    auto music = desktop.button("Music");
    EXPECT_EQ(music->windowMenuButton(), nullptr);
    click(music->touchable(), desktop);
    EXPECT_EQ(desktop.actionNames(), (Strings{"activate", "open"}));
    EXPECT_EQ(desktop.updates, 1);

    desktop.desktop->clearActions();
    auto mail = desktop.button("Mail");
    ASSERT_NE(mail->windowMenuButton(), nullptr);
    QMenu* menu = mail->windowMenu();
    EXPECT_EQ(shownItems(menu), (Strings{"Inbox", "Draft"}));
    click(mail->windowMenuButton(), desktop);
    EXPECT_TRUE(menu->isVisible());
    EXPECT_TRUE(desktop.actionNames().empty()) << "the click itself does nothing";
    item(menu, "Draft")->trigger();
    EXPECT_EQ(desktop.actionNames(), (Strings{"activate", "unminimize"}));
    EXPECT_EQ(desktop.desktop->actions().at(1).details["title"], "Draft");
    menu->hide();
}

TEST(TaskbarButton, TheContextMenuOffersPinningAndQuittingByState) {
    FixedAppearance appearance;
    Desktop desktop;
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
    EXPECT_FALSE(platform::qt::isDestructive(item(menu, "Pinn application")));
    EXPECT_TRUE(platform::qt::isDestructive(item(menu, "Quit")));
    menu->hide();

    item(menu, "Pinn application")->trigger();
    item(menu, "Pinn application")->trigger();
    EXPECT_EQ(pinned(), (std::vector<platform::URL>{photosURL, musicURL, musicURL})) << "pinned twice";
    EXPECT_FALSE(music->isPinned()) << "until the next list";
    desktop.refresh();
    EXPECT_EQ(shownItems(menu), (Strings{"Unpinn", "-", "Force quit", "Quit"}));
    item(menu, "Unpinn")->trigger();
    EXPECT_EQ(pinned(), (std::vector<platform::URL>{photosURL})) << "every entry with the address goes";
    desktop.refresh();

    // A pinned application that does not run can only be unpinned; quitting it only refreshes.
    auto photos = desktop.button("Photos");
    EXPECT_EQ(shownItems(photos->contextMenu()), (Strings{"Unpinn", "-"}));
    desktop.updates = 0;
    item(photos->contextMenu(), "Quit")->trigger();
    item(photos->contextMenu(), "Unpinn")->trigger();
    EXPECT_TRUE(pinned().empty());

    item(menu, "Quit")->trigger();
    item(desktop.button("Notes")->contextMenu(), "Force quit")->trigger();
    ASSERT_EQ(desktop.actionNames(), (Strings{"terminate", "forceTerminate"}));
    EXPECT_EQ(desktop.desktop->actions().at(0).details["pid"], 502);
    EXPECT_EQ(desktop.desktop->actions().at(1).details["pid"], 501);
    EXPECT_EQ(desktop.updates, 3);
    desktop.refresh();
    desktop.loop.advance(0.5);
    EXPECT_EQ(bar_testing::titles(*desktop.bar), Strings{"Mail"}) << "Photos went once it showed unpinned";
}
