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
using menu_testing::MenuHarness;
using Velmora::MainMenuAppCell;
using Velmora::MainMenuAppSection;
using Velmora::MainMenuItem;
using Velmora::MainMenuView;

namespace {

const std::vector<std::string> desktopApps = {
    app("Mail", "com.apple.mail", "/System/Applications/Mail.app"),
    app("Calendar", "com.apple.iCal", "/System/Applications/Calendar.app"),
    app("Photos", "com.apple.Photos", "/System/Applications/Photos.app"),
    app("Notes", "com.apple.Notes", "/System/Applications/Notes.app"),
    app("iTerm", "com.googlecode.iterm2", "/Applications/iTerm.app"),
    app("System Settings", "com.apple.systempreferences", "/System/Applications/System Settings.app"),
    app("Maps", "com.apple.Maps", "/System/Applications/Maps.app"),
};

std::vector<std::string> titles(const std::vector<MainMenuItem*>& rows) {
    std::vector<std::string> result;
    for (auto* row : rows) result.push_back(row->spec().title);
    return result;
}

std::vector<std::string> titles(const std::vector<MainMenuAppCell*>& cells) {
    std::vector<std::string> result;
    for (auto* cell : cells) result.push_back(cell->title().toStdString());
    return result;
}

class MainMenuViewTest : public ::testing::Test {
protected:
    void TearDown() override {
        view.reset();
        if (harness) harness->loop.runUntilIdle();
        harness.reset();
    }

    MainMenuView& show(const std::string& json) {
        harness.emplace(json);
        view = std::make_unique<MainMenuView>(harness->makeModel());
        view->move(2000, 2000);
        view->resize(MainMenuView::frameWidth, MainMenuView::frameHeight);
        view->show();
        harness->loop.runUntilIdle();
        return *view;
    }

    void tap(QWidget* touchable) {
        ASSERT_TRUE(touchable);
        QTest::mouseClick(touchable, Qt::LeftButton, {}, touchable->rect().center());
        harness->loop.advance(0.2);
    }
    void tapRow(const std::string& title) {
        auto* row = view->row(title);
        ASSERT_TRUE(row) << title;
        ASSERT_TRUE(row->isVisible()) << title;
        tap(row->touchable());
    }

    std::optional<MenuHarness<platform::qt::GuiTestLoop>> harness;
    std::unique_ptr<MainMenuView> view;
};

}  // namespace

TEST_F(MainMenuViewTest, TheSidebarShowsTheApplicationRowsOnlyWhenTheyAreInstalled) {
    show(installed({app("Mail", "com.apple.mail")}));
    EXPECT_EQ(titles(view->rows()), (std::vector<std::string>{"Desktop", "Home", "Downloads", "Trash",
                                                              "Velmora", "Power options"}));
    view.reset();
    harness.reset();

    show(installed(desktopApps));
    EXPECT_EQ(titles(view->rows()),
              (std::vector<std::string>{"Desktop", "Home", "Downloads", "Trash", "Velmora",
                                        "New Terminal Window", "System settings", "Power options"}));
    for (auto* row : view->rows()) EXPECT_EQ(row->width(), MainMenuItem::rowWidth) << row->spec().title;
}

TEST_F(MainMenuViewTest, TheTwoSubMenusOpenInTurn) {
    show(installed(desktopApps));
    EXPECT_EQ(view->row("Velmora")->chevronSymbol(), "chevron.right");

    tapRow("Velmora");
    EXPECT_EQ(
        titles(view->rows()),
        (std::vector<std::string>{"Desktop", "Home", "Downloads", "Trash", "Velmora", "Settings", "Hide",
                                  "Quit", "New Terminal Window", "System settings", "Power options"}));
    EXPECT_EQ(view->row("Velmora")->chevronSymbol(), "chevron.down");
    EXPECT_TRUE(view->row("Hide")->spec().indented);

    tapRow("Power options");
    EXPECT_EQ(
        titles(view->rows()),
        (std::vector<std::string>{"Desktop", "Home", "Downloads", "Trash", "Velmora", "New Terminal Window",
                                  "System settings", "Power options", "Sleep", "Restart", "Shut down"}));
    EXPECT_EQ(view->row("Velmora")->chevronSymbol(), "chevron.right");
    EXPECT_EQ(view->row("Power options")->chevronSymbol(), "chevron.down");

    tapRow("Power options");
    EXPECT_EQ(view->rows().size(), 8u);
}

TEST_F(MainMenuViewTest, EverySymbolAndImageTheMenuDrawsExists) {
    show(installed(desktopApps));
    std::vector<std::string> symbols{"magnifyingglass", "chevron.down", "chevron.right"};
    EXPECT_TRUE(platform::qt::Assets::contains(view->row("Velmora")->spec().image.value_or("")));
    for (auto* row : view->rows())
        if (row->spec().systemImage) symbols.push_back(*row->spec().systemImage);
    tapRow("Velmora");
    tapRow("Power options");
    for (auto* row : view->rows())
        if (row->spec().systemImage) symbols.push_back(*row->spec().systemImage);
    for (const auto& symbol : symbols) EXPECT_TRUE(platform::qt::Symbols::contains(symbol)) << symbol;
}

TEST_F(MainMenuViewTest, RowsActAndCloseTheMenuWhereTheyShould) {
    show(installed(desktopApps));
    std::vector<std::string> requests;
    rx::DisposeBag bag;
    Velmora::EventManager::shared()
        ->showSettings.subscribe([&](rx::Unit) { requests.push_back("settings"); })
        .disposed(bag);

    tapRow("Downloads");
    tapRow("New Terminal Window");
    tapRow("Velmora");
    tapRow("Settings");
    EXPECT_EQ(requests, std::vector<std::string>{"settings"});
    EXPECT_EQ(harness->closes, 0);
    EXPECT_EQ(harness->actionNames(), (std::vector<std::string>{"selectFile", "open"}));
    EXPECT_EQ(harness->actions("open").at(0).details["url"], "file:///Applications/iTerm.app/");

    tapRow("System settings");
    EXPECT_EQ(harness->closes, 1);
    EXPECT_EQ(harness->actions("open").at(1).details["url"], harness->address("System Settings"));

    tapRow("Power options");
    tapRow("Sleep");
    EXPECT_EQ(harness->commands, std::vector<std::string>{"pmset sleepnow"});
    tapRow("Shut down");
    EXPECT_EQ(harness->actions("appleScript").at(0).details["source"],
              "tell application \"Finder\"\nshut down\nend tell");
    EXPECT_EQ(harness->closes, 3);
}

TEST_F(MainMenuViewTest, AppearingFillsTheGridsAndACellLaunchesItsApplication) {
    show(installed(desktopApps));
    EXPECT_EQ(view->recommendedSection()->keys(), std::vector<std::string>{"Recommended"});
    // Five slots resolve: the first four, by title.
    EXPECT_EQ(titles(view->recommendedSection()->cells()),
              (std::vector<std::string>{"Calendar", "Mail", "Notes", "Photos"}));
    EXPECT_EQ(view->installedSection()->keys(), (std::vector<std::string>{"C", "M", "N", "P", "S", "i"}));
    EXPECT_EQ(titles(view->installedSection()->cells("M")).size(), 2u);
    EXPECT_FALSE(view->searchSection()->isVisible());

    auto cells = view->installedSection()->cells("N");
    ASSERT_EQ(cells.size(), 1u);
    tap(cells[0]->touchable());
    EXPECT_EQ(harness->closes, 1);
    ASSERT_EQ(harness->actions("open").size(), 1u);
    EXPECT_EQ(harness->actions("open")[0].details["url"], harness->address("Notes"));
}

TEST_F(MainMenuViewTest, TypingSearchesAndTheResultSectionShowsEachTaskOnce) {
    show(installed(desktopApps));
    QTest::keyClicks(view->searchField(), "MAIL");
    harness->loop.runUntilIdle();
    EXPECT_EQ(view->model()->searchText.value(), "MAIL");
    EXPECT_EQ(view->model()->searchResult.value().size(), 3u) << "title, address and identifier";
    EXPECT_TRUE(view->searchSection()->isVisible());
    EXPECT_EQ(titles(view->searchSection()->cells()), std::vector<std::string>{"Mail"});

    QTest::keyClicks(view->searchField(), "x");
    harness->loop.runUntilIdle();
    EXPECT_FALSE(view->searchSection()->isVisible());
    EXPECT_TRUE(view->searchSection()->keys().empty());
}

TEST_F(MainMenuViewTest, ASectionKeepsItsCellsByIdentityAndDrawsAChevronForAMissingIcon) {
    harness.emplace("{}");
    auto make = [](const std::string& title) {
        return Brindle::make<Velmora::Task>(nullptr, 1, *platform::URL::fromString("/Applications/X.app/"),
                                            false, 0, title, std::nullopt, Velmora::Windows{});
    };
    std::vector<std::shared_ptr<Velmora::Task>> launched;
    MainMenuAppSection section(std::nullopt, [&](const auto& task) { launched.push_back(task); });
    auto maps = make("Maps");
    auto mail = make("Mail");
    auto notes = make("Notes");
    section.setTasks({maps, mail, notes});
    auto* mapsCell = section.cells("M").at(0);
    auto* notesCell = section.cells("N").at(0);
    EXPECT_TRUE(mapsCell->showsPlaceholderIcon());
    EXPECT_FALSE(mapsCell->findChild<QLabel*>()->pixmap().isNull());

    // A newer task of the same identity takes over the cell; a vanished one takes its cell along.
    auto renamed = mail->copy();
    renamed->title = "Nachrichten";
    QPointer<MainMenuAppCell> gone = notesCell;
    section.setTasks({renamed, maps});
    EXPECT_EQ(section.keys(), (std::vector<std::string>{"M", "N"}));
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
