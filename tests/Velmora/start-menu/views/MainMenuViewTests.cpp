#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QTest>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Brindle/widgets/TouchableComponent.h"
#include "Velmora/settings/EventManager.h"
#include "Velmora/start-menu/views/MainMenuAppSection.h"
#include "Velmora/start-menu/views/MainMenuItem.h"
#include "Velmora/start-menu/views/MainMenuView.h"
#include "platform/qt/Appearance.h"
#include "platform/qt/Symbols.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "tests/Velmora/start-menu/MainMenuTesting.h"
#include "tests/support/SnapshotSheet.h"

using menu_testing::app;
using menu_testing::installed;
using menu_testing::task;
using Velmora::MainMenuAppCell;
using Velmora::MainMenuItem;
using Velmora::MainMenuView;
using Strings = std::vector<std::string>;

namespace {

const Strings desktopApps = {
    app("Mail", "com.apple.mail", "/System/Applications/Mail.app"),
    app("Calendar", "com.apple.iCal", "/System/Applications/Calendar.app"),
    app("Photos", "com.apple.Photos", "/System/Applications/Photos.app"),
    app("Notes", "com.apple.Notes", "/System/Applications/Notes.app"),
    app("iTerm", "com.googlecode.iterm2", "/Applications/iTerm.app"),
    app("System Settings", "com.apple.systempreferences", "/System/Applications/System Settings.app"),
    app("Maps", "com.apple.Maps", "/System/Applications/Maps.app"),
};

template <class Widget>
Strings titles(const std::vector<Widget*>& widgets) {
    Strings result;
    for (auto* widget : widgets) {
        if constexpr (std::is_same_v<Widget, MainMenuItem>)
            result.push_back(widget->spec().title);
        else
            result.push_back(widget->title().toStdString());
    }
    return result;
}

class MainMenuViewTest : public ::testing::Test {
protected:
    void TearDown() override {
        view.reset();
        if (harness) harness->loop.runUntilIdle();
        harness.reset();
    }
    void show(const std::string& json) {
        view.reset();
        harness.reset();
        harness.emplace(json);
        view = std::make_unique<MainMenuView>(harness->makeModel());
        view->move(2000, 2000);
        view->resize(MainMenuView::frameWidth, MainMenuView::frameHeight);
        view->show();
        harness->loop.runUntilIdle();
    }
    void tap(QWidget* touchable) {
        ASSERT_TRUE(touchable);
        QTest::mouseClick(touchable, Qt::LeftButton, {}, touchable->rect().center());
        harness->loop.advance(0.2);
    }
    void tapRow(const std::string& title) {
        auto* row = view->row(title);
        ASSERT_TRUE(row && row->isVisible()) << title;
        tap(row->touchable());
    }

    std::optional<menu_testing::MenuHarness<platform::qt::GuiTestLoop>> harness;
    std::unique_ptr<MainMenuView> view;
};

}  // namespace

TEST_F(MainMenuViewTest, TheSidebarShowsTheApplicationRowsWhenInstalledAndOneSubMenuAtATime) {
    show(installed({app("Mail", "com.apple.mail")}));
    EXPECT_EQ(titles(view->rows()), (Strings{"Desktop", "Home", "Downloads", "Trash", "Velmora", "Power options"}));

    show(installed(desktopApps));
    const Strings closed{"Desktop", "Home",          "Downloads", "Trash", "Velmora", "New Terminal Window",
                         "System settings", "Power options"};
    EXPECT_EQ(titles(view->rows()), closed);
    for (auto* row : view->rows()) EXPECT_EQ(row->width(), MainMenuItem::rowWidth) << row->spec().title;
    EXPECT_EQ(view->row("Velmora")->chevronSymbol(), "chevron.right");

    tapRow("Velmora");
    EXPECT_EQ(titles(view->rows()), (Strings{"Desktop", "Home", "Downloads", "Trash", "Velmora", "Settings", "Hide",
                                             "Quit", "New Terminal Window", "System settings", "Power options"}));
    EXPECT_EQ(view->row("Velmora")->chevronSymbol(), "chevron.down");
    EXPECT_TRUE(view->row("Hide")->spec().indented);
    tapRow("Power options");
    EXPECT_EQ(titles(view->rows()),
              (Strings{"Desktop", "Home", "Downloads", "Trash", "Velmora", "New Terminal Window", "System settings",
                       "Power options", "Sleep", "Restart", "Shut down"}));
    EXPECT_EQ(view->row("Velmora")->chevronSymbol(), "chevron.right");
    EXPECT_EQ(view->row("Power options")->chevronSymbol(), "chevron.down");
    tapRow("Power options");
    EXPECT_EQ(titles(view->rows()), closed);

    // Every symbol and image the menu draws exists.
    EXPECT_TRUE(platform::qt::Assets::contains(view->row("Velmora")->spec().image.value_or("")));
    Strings symbols{"magnifyingglass", "chevron.down", "chevron.right"};
    for (auto* row : view->findChildren<MainMenuItem*>())
        if (row->spec().systemImage) symbols.push_back(*row->spec().systemImage);
    EXPECT_EQ(symbols.size(), 16u);
    for (const auto& symbol : symbols) EXPECT_TRUE(platform::qt::Symbols::contains(symbol)) << symbol;
}

TEST_F(MainMenuViewTest, EachRowReachesItsActionAndOnlySomeCloseTheMenu) {
    show(installed(desktopApps));
    Strings bus;
    rx::DisposeBag bag;
    auto events = Velmora::EventManager::shared();
    events->showSettings.subscribe([&](rx::Unit) { bus.push_back("settings"); }).disposed(bag);
    events->hideOnScreen.subscribe([&](const platform::Screen& s) { bus.push_back("hide " + s.identifier); })
        .disposed(bag);
    events->exit.subscribe([&](rx::Unit) { bus.push_back("exit"); }).disposed(bag);

    for (auto* title : {"Downloads", "New Terminal Window", "Velmora", "Settings", "Quit"}) tapRow(title);
    EXPECT_EQ(harness->closes, 0);
    for (auto* title : {"Hide", "System settings", "Power options", "Sleep", "Shut down"}) tapRow(title);
    EXPECT_EQ(harness->closes, 4);
    EXPECT_EQ(bus, (Strings{"settings", "exit", "hide " + platform::Screens::screens().at(0).identifier}));
    EXPECT_EQ(harness->actionNames(), (Strings{"selectFile", "open", "open", "appleScript"}));
    EXPECT_EQ(harness->actions("open").at(0).details["url"], harness->address("iTerm"));
    EXPECT_EQ(harness->actions("open").at(1).details["url"], harness->address("System Settings"));
    EXPECT_EQ(harness->commands, Strings{"pmset sleepnow"});
}

TEST_F(MainMenuViewTest, AppearingFillsTheGridsTypingShowsEachFoundTaskOnceAndACellLaunchesIt) {
    show(installed(desktopApps));
    EXPECT_EQ(view->recommendedSection()->keys(), Strings{"Recommended"});
    // Five slots resolve: the first four, by title.
    EXPECT_EQ(titles(view->recommendedSection()->cells()), (Strings{"Calendar", "Mail", "Notes", "Photos"}));
    EXPECT_EQ(view->installedSection()->keys(), (Strings{"C", "M", "N", "P", "S", "i"}));
    EXPECT_FALSE(view->searchSection()->isVisible());

    QTest::keyClicks(view->searchField(), "MAIL");
    harness->loop.runUntilIdle();
    EXPECT_EQ(view->model()->searchResult.value().size(), 3u) << "title, address and identifier";
    EXPECT_TRUE(view->searchSection()->isVisible());
    ASSERT_EQ(titles(view->searchSection()->cells()), Strings{"Mail"});
    tap(view->searchSection()->cells()[0]->touchable());
    EXPECT_EQ(harness->closes, 1);
    EXPECT_EQ(harness->actions("open").at(0).details["url"], harness->address("Mail"));

    QTest::keyClicks(view->searchField(), "x");
    harness->loop.runUntilIdle();
    EXPECT_FALSE(view->searchSection()->isVisible());
    EXPECT_TRUE(view->searchSection()->keys().empty());
}

TEST_F(MainMenuViewTest, ASectionKeepsItsCellsByIdentityAndDrawsAChevronForAMissingIcon) {
    harness.emplace("{}");
    std::vector<std::shared_ptr<Velmora::Task>> launched;
    Velmora::MainMenuAppSection section(std::nullopt, [&](const auto& task) { launched.push_back(task); });
    auto maps = task("Maps");
    auto mail = task("Mail");
    section.setTasks({maps, mail, task("Notes")});
    auto* mapsCell = section.cells("M").at(0);
    QPointer<MainMenuAppCell> gone = section.cells("N").at(0);
    EXPECT_TRUE(mapsCell->showsPlaceholderIcon());
    EXPECT_FALSE(mapsCell->findChild<QLabel*>()->pixmap().isNull());

    // A newer task of the same identity takes over the cell; a vanished one takes its cell along.
    auto renamed = mail->copy();
    renamed->title = "Nachrichten";
    section.setTasks({renamed, maps});
    EXPECT_EQ(section.keys(), (Strings{"M", "N"}));
    EXPECT_EQ(section.cells("M").at(0), mapsCell);
    EXPECT_EQ(section.cells("N").at(0)->task(), renamed);
    EXPECT_EQ(section.cells("N").at(0)->title(), "Nachrichten");
    harness->loop.runUntilIdle();
    EXPECT_TRUE(gone.isNull());

    section.resize(400, 400);
    section.show();
    harness->loop.runUntilIdle();
    QTest::mouseClick(section.cells("N").at(0)->touchable(), Qt::LeftButton);
    harness->loop.advance(0.2);
    EXPECT_EQ(launched, std::vector<std::shared_ptr<Velmora::Task>>{renamed});
}

TEST_F(MainMenuViewTest, Snapshot) {
    platform::qt::Appearance::shared()->setColorSchemeOverride(platform::qt::ColorScheme::dark);
    show(installed(desktopApps));
    // The palette of a dark appearance, which the offscreen platform does not give.
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, QColor(0x26, 0x26, 0x28));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}) palette.setColor(role, Qt::white);
    palette.setColor(QPalette::Base, Qt::black);
    view->setPalette(palette);
    QTest::keyClicks(view->searchField(), "ma");
    tapRow("Velmora");
    harness->loop.runUntilIdle();

    test_support::expectMatchesReference(view->grab().toImage(), "main-menu");
    platform::qt::Appearance::shared()->setColorSchemeOverride(std::nullopt);
}
