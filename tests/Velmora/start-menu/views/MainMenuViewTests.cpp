#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyleHints>
#include <QTest>

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
#include "ui-toolkit/ui/widgets/TamberScrollView.h"

using menu_testing::app;
using menu_testing::installed;
using menu_testing::Strings;
using Velmora::MainMenuItem;

namespace {

const std::string desktopApps = installed(
    {app("Mail", "com.apple.mail"), app("Calendar", "com.apple.iCal"), app("Photos", "com.apple.Photos"),
     app("Notes", "com.apple.Notes"), app("iTerm", "com.googlecode.iterm2"),
     app("System Settings", "com.apple.systempreferences"), app("Maps", "com.apple.Maps")});

Strings titles(const std::vector<MainMenuItem*>& rows) {
    Strings result;
    for (auto* row : rows) result.push_back(row->spec().title);
    return result;
}

class MainMenuViewTest : public ::testing::Test {
protected:
    ~MainMenuViewTest() override { show(std::nullopt); }

    // Shows the menu over a desktop with these bundles installed (none: takes it down).
    void show(std::optional<std::string> json) {
        view.reset();
        if (harness) harness->loop.runUntilIdle();
        harness.reset();
        if (!json) return;
        harness.emplace(*json);
        view = std::make_unique<Velmora::MainMenuView>(harness->makeModel());
        view->setGeometry(2000, 2000, Velmora::MainMenuView::frameWidth, Velmora::MainMenuView::frameHeight);
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
    // One click at a global point at a time in milliseconds, through the window system's path:
    // Qt itself tells a second click of a double click by its time and place.
    void click(QPoint global, int time) {
        auto* window = view->windowHandle();
        ASSERT_TRUE(window);
        const auto local = view->mapFromGlobal(global);
        QTest::lastMouseTimestamp = time - 1;
        QTest::mousePress(window, Qt::LeftButton, {}, local);
        QTest::mouseRelease(window, Qt::LeftButton, {}, local);
    }

    std::optional<menu_testing::MenuHarness<platform::qt::GuiTestLoop>> harness;
    std::unique_ptr<Velmora::MainMenuView> view;
};

}  // namespace

TEST_F(MainMenuViewTest, TheMenuFillsItsGridsOpensOneSubMenuAtATimeAndEveryRowAndCellReachesItsAction) {
    show(installed({app("Mail", "com.apple.mail")}));
    EXPECT_EQ(titles(view->rows()),
              (Strings{"Desktop", "Home", "Downloads", "Trash", "Velmora", "Power options"}));

    show(desktopApps);
    Strings bus;
    rx::DisposeBag bag;
    auto events = Velmora::EventManager::shared();
    events->showSettings.subscribe([&](rx::Unit) { bus.push_back("settings"); }).disposed(bag);
    events->hideOnScreen.subscribe([&](const platform::Screen&) { bus.push_back("hide"); }).disposed(bag);
    events->exit.subscribe([&](rx::Unit) { bus.push_back("exit"); }).disposed(bag);
    EXPECT_EQ(view->recommendedSection()->keys(), Strings{"Recommended"});
    EXPECT_EQ(view->recommendedSection()->cells().size(), 4u);
    EXPECT_EQ(view->installedSection()->keys(), (Strings{"C", "M", "N", "P", "S", "i"}));
    EXPECT_FALSE(view->searchSection()->isVisible());
    // Typing shows each task found once, and a cell launches its application.
    QTest::keyClicks(view->searchField(), "MAIL");
    harness->loop.runUntilIdle();
    EXPECT_TRUE(view->searchSection()->isVisible());
    EXPECT_EQ(view->model()->searchResult.value().size(), 3u) << "by title, address and identifier";
    ASSERT_EQ(view->searchSection()->cells().size(), 1u) << "shown once";
    tap(view->searchSection()->cells()[0]->touchable());
    QTest::keyClicks(view->searchField(), "x");
    harness->loop.runUntilIdle();
    EXPECT_FALSE(view->searchSection()->isVisible());
    EXPECT_TRUE(view->searchSection()->keys().empty());
    // The sidebar opens one sub-menu at a time; every row reaches its action, and only some close.
    EXPECT_EQ(view->rows().size(), 8u);
    for (auto* row : view->rows()) EXPECT_EQ(row->width(), MainMenuItem::rowWidth) << row->spec().title;
    for (auto* title : {"Home", "Downloads", "New Terminal Window", "Velmora"}) tapRow(title);
    EXPECT_EQ(titles(view->rows()),
              (Strings{"Desktop", "Home", "Downloads", "Trash", "Velmora", "Settings", "Hide", "Quit",
                       "New Terminal Window", "System settings", "Power options"}));
    EXPECT_EQ(view->row("Velmora")->chevronSymbol(), "chevron.down");
    EXPECT_TRUE(view->row("Hide")->spec().indented);
    for (auto* title : {"Settings", "Quit"}) tapRow(title);
    EXPECT_EQ(harness->closes, 1) << "only the launch";
    for (auto* title : {"Hide", "Power options"}) tapRow(title);
    EXPECT_EQ(view->rows().size(), 11u);
    EXPECT_EQ(view->rows().back()->spec().title, "Shut down");
    EXPECT_EQ(view->row("Velmora")->chevronSymbol(), "chevron.right");
    for (auto* title : {"Sleep", "Shut down", "System settings", "Power options"}) tapRow(title);
    EXPECT_EQ(view->rows().size(), 8u);

    EXPECT_EQ(harness->closes, 5);
    EXPECT_EQ(bus, (Strings{"settings", "exit", "hide"}));
    EXPECT_EQ(harness->actionNames(),
              (Strings{"open", "selectFile", "selectFile", "open", "appleScript", "open"}));
    // The file viewer takes a plain path: "home folder", not "home%20folder".
    EXPECT_EQ(harness->actions("selectFile")[0].details["root"], harness->home.string() + "/");
    EXPECT_EQ(harness->actions("selectFile")[1].details["root"], harness->home.string() + "/Downloads/");
    EXPECT_EQ(harness->actions("open")[0].details["url"], "file:///Applications/Mail.app/");
    EXPECT_EQ(harness->actions("open")[1].details["url"], "file:///Applications/iTerm.app/");
    EXPECT_EQ(harness->actions("open")[2].details["url"], "file:///Applications/System%20Settings.app/");
    EXPECT_EQ(harness->commands, Strings{"pmset sleepnow"});
    // Every symbol and image the menu draws exists.
    EXPECT_TRUE(platform::qt::Assets::contains(view->row("Velmora")->spec().image.value_or("")));
    Strings symbols{"magnifyingglass", "chevron.down", "chevron.right"};
    for (auto* row : view->findChildren<MainMenuItem*>())
        if (row->spec().systemImage) symbols.push_back(*row->spec().systemImage);
    EXPECT_EQ(symbols.size(), 16u);
    for (const auto& symbol : symbols) EXPECT_TRUE(platform::qt::Symbols::contains(symbol)) << symbol;
}

TEST_F(MainMenuViewTest, TheSecondClickOfADoubleClickOnASectionMissesTheRowThatOpeningMovedUnderThePointer) {
    const int interval = QApplication::styleHints()->mouseDoubleClickInterval();
    show(desktopApps);
    auto* section = view->row("Power options");
    const auto spot = section->mapToGlobal(section->rect().center());
    const int time = QTest::lastMouseTimestamp + 10 * interval;
    click(spot, time);
    harness->loop.advance(0.15);
    auto* landing = view->row("Shut down");
    ASSERT_TRUE(landing->isVisible() && landing->rect().contains(landing->mapFromGlobal(spot)))
        << "the row moved under the pointer";
    click(spot, time + interval / 2);
    harness->loop.advance(0.3);
    EXPECT_TRUE(landing->isVisible()) << "the section stays open";
    EXPECT_EQ(QApplication::focusWidget(), view->searchField()) << "typing still searches";
    EXPECT_TRUE(harness->actionNames().empty());
    EXPECT_EQ(harness->closes, 0);
    // A single click on it does act.
    tapRow("Shut down");
    EXPECT_EQ(harness->actionNames(), Strings{"appleScript"});
}

TEST_F(MainMenuViewTest, AMenuShortenedForASmallScreenShowsItsSearchFieldAndScrollsItsRowsAndLists) {
    show(desktopApps);
    tapRow("Power options");
    auto* sidebar = view->sidebarScrollView();
    auto* lists = view->scrollView()->verticalScrollBar();
    const int fullRange = lists->maximum();
    view->setFixedHeight(392);
    harness->loop.runUntilIdle();
    const auto within = [](QWidget* frame, QWidget* widget) {
        return frame->rect().contains(QRect(widget->mapTo(frame, QPoint()), widget->size()));
    };
    EXPECT_TRUE(view->searchField()->isVisible() && within(view.get(), view->searchField()));
    EXPECT_TRUE(within(view.get(), view->row("Desktop")));
    EXPECT_EQ(lists->maximum(), fullRange + 640 - 392);
    // The rows scroll too, beside their scroll bar rather than under it.
    ASSERT_GT(sidebar->verticalScrollBar()->maximum(), 0);
    EXPECT_GE(sidebar->viewport()->width(), MainMenuItem::rowWidth + 2 * 16);
    EXPECT_FALSE(within(sidebar->viewport(), view->row("Shut down")));
    // A section opened in it is scrolled into view, and the hover follows the rows that the
    // scrolling moves under the pointer.
    auto* section = view->row("Power options");
    tapRow("Power options");
    sidebar->ensureWidgetVisible(section);
    const auto spot = section->touchable()->rect().center();
    QCursor::setPos(section->touchable()->mapToGlobal(spot));
    QEnterEvent enter(spot, section->touchable()->mapTo(view.get(), spot), QCursor::pos());
    QApplication::sendEvent(section->touchable(), &enter);
    tapRow("Power options");
    EXPECT_TRUE(within(sidebar->viewport(), view->row("Shut down")));
    for (auto* row : view->rows())
        EXPECT_EQ(row->touchable()->inside(), row->rect().contains(row->mapFromGlobal(QCursor::pos())))
            << row->spec().title;
    EXPECT_FALSE(section->touchable()->inside());
}

TEST_F(MainMenuViewTest, ASectionKeepsItsCellsByIdentityAndDrawsAChevronForAMissingIcon) {
    harness.emplace("{}");
    std::vector<std::shared_ptr<Velmora::Task>> launched;
    Velmora::MainMenuAppSection section(std::nullopt, [&](const auto& task) { launched.push_back(task); });
    auto maps = menu_testing::task("Maps");
    auto mail = menu_testing::task("Mail");
    section.setTasks({maps, mail, menu_testing::task("Notes")});
    auto* mapsCell = section.cells("M").at(0);
    QPointer<Velmora::MainMenuAppCell> gone = section.cells("N").at(0);
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
    tap(section.cells("N").at(0)->touchable());
    EXPECT_EQ(launched, std::vector<std::shared_ptr<Velmora::Task>>{renamed});
}

TEST_F(MainMenuViewTest, Snapshot) {
    platform::qt::Appearance::shared()->setColorSchemeOverride(platform::qt::ColorScheme::dark);
    show(desktopApps);
    // The palette of a dark appearance, which the offscreen platform does not give.
    QPalette palette = view->palette();
    palette.setColor(QPalette::Window, QColor(0x26, 0x26, 0x28));
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(role, Qt::white);
    palette.setColor(QPalette::Base, Qt::black);
    view->setPalette(palette);
    QTest::keyClicks(view->searchField(), "ma");
    tapRow("Velmora");
    harness->loop.runUntilIdle();

    test_support::expectMatchesReference(view->grab().toImage(), "main-menu");
    platform::qt::Appearance::shared()->setColorSchemeOverride(std::nullopt);
}
