#include <QLabel>
#include <QPainter>
#include <QTest>

#include "Brindle/MainQueue.h"
#include "Brindle/widgets/TouchableComponent.h"
#include "Velmora/settings/UpdateManager.h"
#include "Velmora/start-menu/MainMenuViewModel.h"
#include "Velmora/taskbar/TimeManager.h"
#include "Velmora/taskbar/views/AppIconVisualiser.h"
#include "Velmora/taskbar/views/ClockView.h"
#include "Velmora/taskbar/views/Taskbar.h"
#include "Velmora/taskbar/views/TaskbarButton.h"
#include "platform/qt/Appearance.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "tests/Brindle/TimeZoneScope.h"
#include "tests/Velmora/taskbar/BarModelTesting.h"
#include "tests/support/SnapshotSheet.h"

using bar_testing::Strings;
using Velmora::Taskbar;
using Velmora::TaskbarTheme;

// Counts the checks instead of asking the server.
struct CountingUpdates : Velmora::UpdateManager {
    CountingUpdates() : UpdateManager("http://127.0.0.1:9/api/v0") {}
    void checkForUpdate() override { ++checks; }
    int checks = 0;
};

// A desktop's scenario and one shown bar on a bar-sized, screen-wide window.
template <class Desktop>
struct BarOf {
    explicit BarOf(int width = 1440) {
        Velmora::MainMenuViewModel::setCachedInstalledApps({});
        Brindle::setGlobalUserInteractiveQueue(scans);
        view =
            std::make_unique<Taskbar>(desktop.manager, desktop.settings,
                                      Brindle::make<Velmora::TimeManager>(), nullptr, desktop.bar, updates);
        view->resize(width, 86);
        view->move(0, 900 - 86);
        view->show();
        settle();
    }
    ~BarOf() {
        view.reset();
        Brindle::setGlobalUserInteractiveQueue(nullptr);
        Velmora::MainMenuViewModel::setCachedInstalledApps({});
    }
    void settle() {
        desktop.loop.runUntilIdle();
        desktop.loop.advance(1.0);
    }
    static Strings titles(const std::vector<Velmora::TaskbarButton*>& buttons) {
        Strings result;
        for (auto* button : buttons) result.push_back(button->viewModel()->title);
        return result;
    }
    Desktop desktop;
    // The installed-application scans wait here.
    std::shared_ptr<platform::testing::ManualDispatchQueue> scans =
        std::make_shared<platform::testing::ManualDispatchQueue>("scans");
    std::shared_ptr<CountingUpdates> updates = std::make_shared<CountingUpdates>();
    std::unique_ptr<Taskbar> view;
};

using Bar = BarOf<bar_testing::ButtonsDesktop<platform::qt::GuiTestLoop>>;

// 45 running applications with a window each, the first three of them pinned.
struct ManyApplications : bar_testing::BarHarness<platform::qt::GuiTestLoop> {
    static constexpr int count = 45;
    static std::string scenario() {
        nlohmann::json applications = nlohmann::json::array();
        nlohmann::json pinned = nlohmann::json::array();
        for (int i = 1; i <= count; ++i) {
            auto name = "App" + std::to_string(i);
            applications.push_back({{"pid", 1000 + i},
                                    {"name", name},
                                    {"bundleIdentifier", "com.example.app" + std::to_string(i)},
                                    {"icon", "icons/notes.png"},
                                    {"windows", {{{"title", name}, {"frame", {10 * i, 10 * i, 400, 300}}}}}});
            if (i <= 3) pinned.push_back("file:///Applications/" + name + ".app/");
        }
        return nlohmann::json{{"applications", applications}, {"defaults", {{"pinned", pinned}}}}.dump();
    }
    ManyApplications() : BarHarness(scenario()) { refresh(); }
    std::shared_ptr<Velmora::TaskbarViewModel> bar = makeBar();
};

TEST(Taskbar, ShowsPinnedThenOtherButtonsBetweenSeparatorsAndTheClockTitledWhenThereIsRoomAndRegroups) {
    Bar bar;
    auto& view = *bar.view;
    EXPECT_EQ(Bar::titles(view.pinnedButtons()), Strings{"Photos"});
    EXPECT_EQ(Bar::titles(view.otherButtons()), (Strings{"Notes", "Music", "Mail"}));
    // Each button told the model where it is.
    for (const auto& model : bar.desktop.bar->tasks.value())
        EXPECT_TRUE(bar.desktop.bar->taskBounds.contains(model->task->bundlePath)) << model->title;
    // Titles only when set and there is room, and never on pinned buttons.
    auto titled = [&] {
        std::vector<bool> result;
        for (auto* button : view.pinnedButtons()) result.push_back(button->showTitles());
        for (auto* button : view.otherButtons()) result.push_back(button->showTitles());
        return result;
    };
    EXPECT_EQ(titled(), (std::vector<bool>{false, true, true, true}));
    // A vanished application's button closes, then leaves, and the row is measured again.
    auto before = bar.desktop.bar->menuButtonFrame.origin.x;
    ASSERT_TRUE(bar.desktop.desktop->quit(502));
    bar.desktop.refresh();
    bar.desktop.loop.advance(2.0);
    EXPECT_EQ(Bar::titles(view.otherButtons()), (Strings{"Notes", "Mail"}));
    EXPECT_GT(bar.desktop.bar->menuButtonFrame.origin.x, before);
    // Unpinned, Photos is neither pinned nor running: it leaves, and the second separator with it.
    bar.desktop.model("Photos")->isPinned.accept(false);
    bar.settle();
    EXPECT_TRUE(view.pinnedButtons().empty());
    EXPECT_TRUE(view.firstSeparator()->isVisible());
    EXPECT_FALSE(view.secondSeparator()->isVisible());
    bar.desktop.settings->setShowTitle(false);
    bar.settle();
    EXPECT_EQ(titled(), (std::vector<bool>{false, false}));
    EXPECT_EQ(view.otherButtons()[0]->width(), Taskbar::buttonWidth);
    bar.desktop.settings->setShowTitle(true);
    bar.desktop.bar->availableWidth.accept(2 * Velmora::TaskbarViewModel::minimumTitledButtonWidth - 1);
    bar.settle();
    EXPECT_EQ(titled(), (std::vector<bool>{false, false}));
}

// Counts the events of one type a widget receives.
struct Received : QObject {
    Received(QWidget* widget, QEvent::Type type) : type(type) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override {
        count += event->type() == type;
        return false;
    }
    QEvent::Type type;
    int count = 0;
};

// A button's width limit changes every frame of its animation: without titles the buttons keep
// their slots and the bar is not laid out again; with titles the others follow it.
TEST(Taskbar, AButtonsWidthLimitLaysOutTheBarAgainOnlyWhenItsSlotFollowsIt) {
    Bar bar;
    auto& view = *bar.view;
    auto button = [&](int index) { return view.otherButtons()[static_cast<std::size_t>(index)]; };
    auto limit = [&](double width) {
        bar.desktop.model("Notes")->maxWidth.accept(width);
        bar.settle();
    };
    bar.desktop.settings->setShowTitle(false);
    bar.settle();
    Received requests(view.buttonRow(), QEvent::LayoutRequest);
    auto nextX = button(1)->mapTo(&view, QPoint(0, 0)).x();
    // (Narrower than the button's own least width first.)
    for (double width : {0.0, 4.0, 10.0, 31.0, 47.0}) {
        limit(width);
        EXPECT_EQ(button(0)->width(), width);
        // Centred in its slot, as a layout would.
        EXPECT_EQ(button(0)->x(), (static_cast<int>(Taskbar::buttonWidth) - static_cast<int>(width)) / 2);
        EXPECT_EQ(button(1)->mapTo(&view, QPoint(0, 0)).x(), nextX);
    }
    EXPECT_EQ(requests.count, 0);
    // With titles the slot's least width follows the button's limit, and the row hears of it.
    bar.desktop.settings->setShowTitle(true);
    limit(Taskbar::titledButtonMaximumWidth);
    auto* slot = button(0)->parentWidget();
    requests.count = 0;
    // (Below the button's own least width.)
    limit(4);
    EXPECT_EQ(button(0)->geometry(), QRect((slot->width() - 4) / 2, 0, 4, slot->height()));
    EXPECT_EQ(slot->minimumSizeHint().width(), 4);
    EXPECT_GT(requests.count, 0);
}

// Buttons coming, going or changing width move the others, the separators and the body's edges:
// all of it lands in one frame, not one frame for each level of the layout.
TEST(Taskbar, RegroupingRepaintsTheBodyOnce) {
    Bar bar;
    auto& view = *bar.view;
    Received paints(view.body(), QEvent::Paint);
    bar.desktop.settings->setShowTitle(false);
    bar.settle();
    EXPECT_EQ(paints.count, 1) << "narrower";
    paints.count = 0;
    bar.desktop.model("Photos")->isPinned.accept(false);
    bar.settle();
    EXPECT_EQ(paints.count, 2) << "into the others' row, then gone with its model";
}

TEST(Taskbar, EachAppearanceStartsTheScanAndTheUpdateCheckAndCatchesUpWithTheMenuAndTheClockTicks) {
    TimeZoneScope zone("UTC0");
    Bar bar;
    auto& view = *bar.view;
    EXPECT_EQ(bar.updates->checks, 1);
    EXPECT_TRUE(Velmora::MainMenuViewModel::cachedInstalledApps().empty()) << "the scan waits";
    EXPECT_EQ(bar.scans->runAll(), 1u);
    bar.settle();
    EXPECT_FALSE(Velmora::MainMenuViewModel::cachedInstalledApps().empty());
    view.hide();
    view.show();
    bar.settle();
    EXPECT_EQ(bar.updates->checks, 2);
    EXPECT_EQ(bar.scans->pendingCount(), 0u) << "a filled list is not scanned again";
    auto shownY = view.body()->y();
    bar.desktop.bar->show.set(false);
    bar.settle();
    EXPECT_EQ(view.body()->y(), shownY + 86) << "wholly below the window, its bottom padding too";
    bar.desktop.bar->show.set(true);
    bar.settle();
    EXPECT_EQ(view.body()->y(), shownY);
    // The menu's look while open and pressed; a hidden bar does not follow it.
    EXPECT_NE(view.menuTint(), Taskbar::accentBlue());
    bar.desktop.bar->toggleMainMenu();
    bar.settle();
    EXPECT_EQ(view.menuTint(), Taskbar::accentBlue()) << "blue while open";
    QTest::mousePress(view.menuButton(), Qt::LeftButton, {}, QPoint(16, 16));
    EXPECT_LT(view.menuImageOpacity(), 1.0);
    QTest::mouseRelease(view.menuButton(), Qt::LeftButton, {}, QPoint(16, 16));
    bar.settle();
    EXPECT_FALSE(bar.desktop.bar->showingMainMenu.value() || view.showingMainMenu());
    EXPECT_EQ(view.menuImageOpacity(), 1.0);
    view.hide();
    bar.desktop.bar->showingMainMenu.accept(true);
    EXPECT_FALSE(view.showingMainMenu());
    view.show();
    bar.settle();
    EXPECT_TRUE(view.showingMainMenu());
    // The clock shows the time above the date, follows its time manager and holds it alone.
    auto* clock = view.clock();
    EXPECT_EQ(clock->dateLabel()->text(), "2026-01-01");
    EXPECT_LT(clock->timeLabel()->geometry().bottom(), clock->dateLabel()->geometry().top());
    bar.desktop.loop.advance(60.0);
    EXPECT_EQ(clock->timeLabel()->text(), "00:01");
    std::weak_ptr<Velmora::TimeManager> time = clock->time();
    bar.view.reset();
    EXPECT_TRUE(time.expired());
}

// Too many to fit at their full width: all narrow alike, none over another or under the clock,
// each still takes its click, on a wide bar and after the bar narrows; fewer again, they widen.
TEST(Taskbar, ManyButtonsNarrowAlikeBetweenTheMenuButtonAndTheClock) {
    for (TaskbarTheme theme : TaskbarTheme::allCases()) {
        SCOPED_TRACE(theme.rawValue());
        BarOf<ManyApplications> bar(1600);
        bar.desktop.settings->taskbarTheme.accept(theme);
        bar.settle();
        auto& view = *bar.view;
        auto place = [&](QWidget* widget) {
            return QRect(widget->mapTo(&view, QPoint(0, 0)), widget->size());
        };
        auto expectFitted = [&] {
            auto buttons = view.pinnedButtons();
            for (auto* button : view.otherButtons()) buttons.push_back(button);
            ASSERT_EQ(buttons.size(), static_cast<std::size_t>(ManyApplications::count));
            auto clock = place(view.clock());
            EXPECT_LE(clock.right(), place(view.body()).right()) << "the clock is whole";
            int narrowed = buttons.front()->width();
            EXPECT_LT(narrowed, Taskbar::buttonWidth);
            for (std::size_t i = 0; i < buttons.size(); ++i) {
                auto* button = buttons[i];
                SCOPED_TRACE(button->viewModel()->title);
                EXPECT_FALSE(button->showTitles());
                EXPECT_EQ(button->width(), narrowed) << "all alike";
                EXPECT_EQ(std::pair(place(button->touchable()).left(), button->touchable()->width()),
                          std::pair(place(button).left(), narrowed))
                    << "clickable across its width";
                EXPECT_LE(button->iconView()->iconView()->pictureRect().width(), narrowed);
                EXPECT_LT(place(button).right(),
                          i + 1 < buttons.size() ? place(buttons[i + 1]).left() : clock.left());
            }
            // The last one, right beside the clock, takes its own click.
            bar.desktop.desktop->clearActions();
            QTest::mouseClick(buttons.back()->touchable(), Qt::LeftButton, {},
                              buttons.back()->touchable()->rect().center());
            bar.settle();
            ASSERT_FALSE(bar.desktop.desktop->actions().empty());
            EXPECT_EQ(bar.desktop.desktop->actions().front().details["pid"], 1000 + ManyApplications::count);
        };
        expectFitted();
        view.resize(1024, view.height());
        bar.settle();
        expectFitted();
        if (theme != TaskbarTheme::centered) continue;
        for (int pid = 1004; pid <= 1000 + ManyApplications::count; ++pid) bar.desktop.desktop->quit(pid);
        bar.desktop.refresh();
        bar.settle();
        ASSERT_EQ(view.pinnedButtons().size(), 3u);
        for (auto* button : view.pinnedButtons()) EXPECT_EQ(button->width(), Taskbar::buttonWidth);
    }
}

TEST(BarSnapshots, EachLayoutOnAWideScreen) {
    platform::qt::Appearance::shared()->setColorSchemeOverride(platform::qt::ColorScheme::dark);
    // Wide enough that buttons spread over the spare width would show.
    const std::pair<TaskbarTheme, const char*> layouts[] = {
        {TaskbarTheme::fullscreenLeft, "fullscreen-left"},
        {TaskbarTheme::fullscreenCenter, "fullscreen-center"},
        {TaskbarTheme::centered, "centered"}};
    for (const auto& [theme, name] : layouts) {
        Bar bar(1600);
        bar.desktop.settings->taskbarTheme.accept(theme);
        bar.settle();
        QImage image(1600, 86, QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(0x5a, 0x7d, 0xa8));
        QPainter painter(&image);
        bar.view->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
        test_support::expectMatchesReference(image, std::string("taskbar-layout-") + name);
    }
    platform::qt::Appearance::shared()->setColorSchemeOverride(std::nullopt);
}

// Photos pinned, then Notes, Music and Mail: index 0 marks the first of both groups, 1 only the
// second of the others, 3 (the others' count) and 4 nothing, and none again when it is cleared.
TEST(BarSnapshots, TheDropMarkerAtTheIndexOfEachGroupLongEnough) {
    platform::qt::Appearance::shared()->setColorSchemeOverride(platform::qt::ColorScheme::dark);
    Bar bar(900);
    bar.desktop.settings->setShowTitle(false);
    bar.desktop.settings->taskbarTheme.accept(TaskbarTheme::fullscreenLeft);
    bar.settle();
    std::vector<QImage> images;
    for (std::optional<std::int64_t> index : {std::optional<std::int64_t>(0), {1}, {3}, {4}, {}}) {
        bar.desktop.bar->draggingTargetIndex.set(index);
        bar.settle();
        QImage& image = images.emplace_back(400, 86, QImage::Format_ARGB32_Premultiplied);
        image.fill(QColor(0x5a, 0x7d, 0xa8));
        QPainter painter(&image);
        bar.view->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    }
    EXPECT_EQ(images[2], images[4]);
    EXPECT_EQ(images[3], images[4]);
    // A marker is a small share of the picture: every one counts.
    test_support::expectMatchesReference(test_support::snapshotSheet(images, Qt::Vertical, 6, 0, Qt::white),
                                         "taskbar-drop-marker", 40, 0.002);
    platform::qt::Appearance::shared()->setColorSchemeOverride(std::nullopt);
}
