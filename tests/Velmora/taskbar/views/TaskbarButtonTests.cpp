#include <QAction>
#include <QAnimationDriver>
#include <QContextMenuEvent>
#include <QCursor>
#include <QGraphicsEffect>
#include <QGridLayout>
#include <QMenu>
#include <QTest>
#include <set>

#include "Brindle/widgets/TouchableComponent.h"
#include "Velmora/taskbar/views/AppIconVisualiser.h"
#include "Velmora/taskbar/views/TaskbarButton.h"
#include "platform/qt/Appearance.h"
#include "platform/qt/QtAnimation.h"
#include "platform/qt/testing/GuiTestLoop.h"
#include "tests/Velmora/taskbar/BarModelTesting.h"
#include "tests/support/SnapshotSheet.h"

using bar_testing::Strings;
using Desktop = bar_testing::ButtonsDesktop<platform::qt::GuiTestLoop>;
using Form = Velmora::AppIconVisualiser::Form;
using Velmora::TaskbarButton;

// Fixed colours, whatever the machine's palette.
struct FixedAppearance {
    static inline const QColor accent{0x0a, 0x84, 0xff};
    FixedAppearance() {
        platform::qt::Appearance::shared()->setAccentColorOverride(accent);
        platform::qt::Appearance::shared()->setColorSchemeOverride(platform::qt::ColorScheme::light);
    }
    ~FixedAppearance() {
        platform::qt::Appearance::shared()->setAccentColorOverride(std::nullopt);
        platform::qt::Appearance::shared()->setColorSchemeOverride(std::nullopt);
    }
};

class TaskbarButtonTest : public ::testing::Test {
protected:
    // The titles of the items on show, "-" for a divider.
    static Strings shownItems(const QMenu* menu) {
        Strings items;
        for (const auto* action : menu->actions())
            if (action->isVisible())
                items.push_back(action->isSeparator() ? "-" : action->text().toStdString());
        return items;
    }
    static void trigger(const QMenu* menu, const std::string& title) {
        for (auto* action : menu->actions())
            if (action->text().toStdString() == title) action->trigger();
    }
    // A shown button for the application's model.
    std::unique_ptr<TaskbarButton> button(const std::string& title) {
        auto view = std::make_unique<TaskbarButton>(desktop.bar, desktop.model(title), false);
        view->resize(48, 80);
        view->show();
        desktop.loop.runUntilIdle();
        return view;
    }
    void click(QWidget* widget) {
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, widget->rect().center());
        // The pressable part runs its action once the pressed look has been seen.
        desktop.loop.advance(0.1);
    }
    FixedAppearance appearance;
    Desktop desktop;
};

TEST_F(TaskbarButtonTest, FollowsItsModelWhileShownFadingInAndWideningAsItOpens) {
    auto model = desktop.model("Music");
    TaskbarButton button(desktop.bar, model, true);
    auto shown = [&] {
        return std::tuple(button.shownOpacity(), button.shownMaxWidth(), button.maximumWidth());
    };
    EXPECT_EQ(shown(), std::tuple(0.0, std::optional(0.0), 0));
    button.show();
    desktop.loop.runUntilIdle();
    EXPECT_EQ(shown(), std::tuple(1.0, std::optional<double>(), QWIDGETSIZE_MAX));
    auto* face = button.iconView();
    EXPECT_EQ(face->form(), Form::titledRow);
    desktop.manager->lastClicked.set(model->task);
    EXPECT_EQ(button.markColor(), FixedAppearance::accent);
    desktop.manager->lastClicked.set(nullptr);
    // Hidden, it stops following; shown again, it catches up.
    button.hide();
    model->badge.accept("7");
    EXPECT_EQ(button.badge(), std::nullopt);
    button.show();
    EXPECT_EQ(face->badgeView()->text(), "7");
    model->isPinned.accept(true);
    EXPECT_EQ(face->form(), Form::icon) << "pinned: no title";
    EXPECT_EQ(button.iconView(), face) << "the same face throughout";
}

// The model's actions, reached through the button's parts.
TEST_F(TaskbarButtonTest, AClickActivatesAndOpensOnlyOpensOrLaunchesTheBundleOrOpensTheListOfWindows) {
    auto& manager = *desktop.manager;
    std::vector<std::shared_ptr<Velmora::Task>> lastClicked;
    Brindle::subscribeNext(manager.lastClicked.asObservable().skip(1), false, [&](const auto& task) {
        lastClicked.push_back(task);
    }).disposed(desktop.bag);
    auto music = button("Music");
    auto musicTask = music->viewModel()->task;
    click(music->touchable());
    EXPECT_EQ(lastClicked, (std::vector<std::shared_ptr<Velmora::Task>>{musicTask, nullptr}));
    ASSERT_EQ(desktop.actionNames(), (Strings{"activate", "open"}));
    EXPECT_EQ(desktop.details(0)["options"], 1) << "with all of its windows";
    EXPECT_EQ(desktop.details(1)["url"], "file:///Applications/Music.app/");
    // The active task, and one someone else marked as last clicked, only open their own bundle.
    manager.lastClicked.set(musicTask);
    desktop.desktop->clearActions();
    click(button("Notes")->touchable());
    click(music->touchable());
    EXPECT_EQ(desktop.actionNames(), (Strings{"open", "open"}));
    EXPECT_EQ(manager.lastClicked.value(), musicTask) << "left as it was";
    // A pinned application is launched.
    desktop.desktop->clearActions();
    auto photos = button("Photos");
    click(photos->touchable());
    ASSERT_EQ(desktop.actionNames(), (Strings{"open"}));
    EXPECT_EQ(desktop.details(0)["launched"], true);
    EXPECT_EQ(desktop.updates, 4) << "a refresh for every click";
    desktop.refresh();
    EXPECT_TRUE(photos->viewModel()->isRunning.value());
    // Several windows: the click opens their list, whose items unminimise a window now and again
    // once the application has come forward.
    desktop.desktop->clearActions();
    desktop.updates = 0;
    auto mail = button("Mail");
    mail->viewModel()->click();
    click(mail->windowMenuButton());
    EXPECT_EQ(shownItems(mail->windowMenu()), (Strings{"Inbox", "Draft"}));
    EXPECT_TRUE(desktop.actionNames().empty()) << "the click itself does nothing";
    trigger(mail->windowMenu(), "Draft");
    mail->windowMenu()->hide();
    EXPECT_EQ(desktop.details(0)["options"], 0);
    EXPECT_EQ(desktop.details(1)["title"], "Draft");
    desktop.loop.advance(0.29);
    EXPECT_EQ(desktop.updates, 0);
    desktop.loop.advance(0.01);
    EXPECT_EQ(desktop.actionNames(), (Strings{"activate", "unminimize", "unminimize"}));
    EXPECT_EQ(desktop.updates, 1);
}

// The face follows the application's windows: a list only while two or more are left.
TEST_F(TaskbarButtonTest, TheListOfWindowsComesAndGoesWithTheSecondWindow) {
    auto mail = button("Mail");
    ASSERT_TRUE(mail->windowMenuButton());
    desktop.desktop->setWindows(503, {{.title = "Inbox", .frame = platform::Rect::make(10, 25, 800, 600)}});
    desktop.refresh();
    desktop.loop.runUntilIdle();
    EXPECT_FALSE(mail->windowMenuButton());
    ASSERT_TRUE(mail->iconView()->isVisible());
    desktop.desktop->clearActions();
    click(mail->touchable());
    EXPECT_EQ(desktop.actionNames(), (Strings{"activate", "open"})) << "one window: brought forward";
    desktop.desktop->setWindows(503, {{.title = "Inbox", .frame = platform::Rect::make(10, 25, 800, 600)},
                                      {.title = "Sent", .frame = platform::Rect::make(900, 25, 300, 300)}});
    desktop.refresh();
    desktop.loop.runUntilIdle();
    ASSERT_TRUE(mail->windowMenuButton());
    EXPECT_TRUE(mail->windowMenuButton()->isVisible());
    desktop.desktop->clearActions();
    mail->viewModel()->click();
    EXPECT_TRUE(desktop.actionNames().empty()) << "two windows: the list answers instead";
    click(mail->windowMenuButton());
    EXPECT_EQ(shownItems(mail->windowMenu()), (Strings{"Inbox", "Sent"}));
    mail->windowMenu()->hide();
}

TEST_F(TaskbarButtonTest, TheContextMenuOffersPinningAndQuittingByState) {
    auto music = button("Music");
    QMenu* menu = music->contextMenu();
    EXPECT_EQ(shownItems(menu), (Strings{"Pinn application", "-", "Force quit", "Quit"}));
    auto pinned = [&] { return desktop.settings->pinnedApplicationsState().size(); };
    trigger(menu, "Pinn application");
    trigger(menu, "Pinn application");
    EXPECT_EQ(pinned(), 3u);
    EXPECT_FALSE(music->isPinned()) << "until the next list";
    desktop.refresh();
    EXPECT_EQ(shownItems(menu), (Strings{"Unpinn", "-", "Force quit", "Quit"}));
    trigger(menu, "Unpinn");
    EXPECT_EQ(pinned(), 1u) << "every entry with the address goes";
    // A pinned application that does not run can only be unpinned; quitting it only refreshes.
    auto photos = button("Photos");
    EXPECT_EQ(shownItems(photos->contextMenu()), (Strings{"Unpinn", "-"}));
    desktop.updates = 0;
    trigger(photos->contextMenu(), "Quit");
    trigger(button("Notes")->contextMenu(), "Force quit");
    EXPECT_EQ(desktop.actionNames(), (Strings{"forceTerminate"}));
    EXPECT_EQ(desktop.details(0)["pid"], 501);
    EXPECT_EQ(desktop.updates, 2);
}

// Each pop-up of a button, closed with the pointer away or still over the button.
TEST_F(TaskbarButtonTest, AfterEachPopUpTheButtonLooksAsThePointerLeftIt) {
    auto notes = button("Notes");
    auto mail = button("Mail");
    // Apart, and clear of where the pointer goes away to.
    notes->move(100, 100);
    mail->move(300, 100);
    desktop.loop.runUntilIdle();
    for (bool windowList : {false, true}) {
        auto* view = windowList ? mail.get() : notes.get();
        auto* touchable = view->touchable();
        for (bool pointerStays : {false, true}) {
            SCOPED_TRACE(view->viewModel()->title + (pointerStays ? ", pointer stays" : ", pointer leaves"));
            // While a pop-up holds the pointer, the display delivers the button no leave.
            QCursor::setPos(pointerStays ? touchable->mapToGlobal(touchable->rect().center()) : QPoint(0, 0));
            QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), touchable->mapToGlobal(QPointF(5, 5)));
            QCoreApplication::sendEvent(touchable, &enter);
            if (windowList) {
                auto* face = mail->windowMenuButton();
                QMouseEvent press(QEvent::MouseButtonPress, QPointF(5, 5), face->mapToGlobal(QPointF(5, 5)),
                                  Qt::LeftButton, Qt::LeftButton, {});
                QCoreApplication::sendEvent(face, &press);
            } else {
                QTest::mousePress(notes.get(), Qt::RightButton, {}, QPoint(5, 5));
                QContextMenuEvent open(QContextMenuEvent::Mouse, QPoint(5, 5),
                                       notes->mapToGlobal(QPoint(5, 5)));
                QCoreApplication::sendEvent(notes.get(), &open);
            }
            QMenu* menu = windowList ? mail->windowMenu() : notes->contextMenu();
            desktop.loop.runUntilIdle();
            ASSERT_TRUE(menu->isVisible());
            // Chosen or dismissed, the list closes alike.
            if (windowList) trigger(menu, "Draft");
            menu->hide();
            desktop.loop.runUntilIdle();
            EXPECT_EQ(touchable->inside(), pointerStays);
            EXPECT_FALSE(touchable->touchDown());
        }
    }
    desktop.loop.advance(1.0);
}

// Animation frames on demand, for the tests that look at each frame.
class SteppedAnimations : public QAnimationDriver {
public:
    SteppedAnimations() : wasInstant_(platform::qt::setAnimationsInstant(false)) { install(); }
    ~SteppedAnimations() override {
        uninstall();
        platform::qt::setAnimationsInstant(wasInstant_);
    }
    void step() {
        elapsed_ += 16;
        advance();
    }
    qint64 elapsed() const override { return elapsed_; }

private:
    qint64 elapsed_ = 0;
    bool wasInstant_;
};

struct ResizeCounter : QObject {
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Resize) ++resizes;
        return false;
    }
    int resizes = 0;
};

TEST_F(TaskbarButtonTest, ItFadesByPaintingItsPartsAndWidensWithoutLayingOutItsInsideEachFrame) {
    SteppedAnimations frames;
    QWidget holder;
    auto* row = new QHBoxLayout(&holder);
    auto* button = new TaskbarButton(desktop.bar, desktop.model("Music"), true);
    row->addWidget(button);
    row->addStretch();
    holder.resize(400, 80);
    ResizeCounter inside;
    button->iconView()->installEventFilter(&inside);
    holder.show();
    desktop.loop.runUntilIdle();
    std::set<int> widths;
    bool fadedByEffect = false;
    for (int frame = 0; frame < 40; ++frame) {
        frames.step();
        desktop.loop.runUntilIdle();
        widths.insert(button->width());
        for (auto* part : button->findChildren<QWidget*>())
            fadedByEffect = fadedByEffect || (part->graphicsEffect() && part->graphicsEffect()->isEnabled());
    }
    EXPECT_FALSE(fadedByEffect) << "no offscreen render of the button per frame";
    EXPECT_GT(widths.size(), 5u) << "it widened frame by frame";
    EXPECT_LE(inside.resizes, 2) << "its inside was laid out at the start and the end only";
}

// Buttons that look alike share one drawn mark: each still shows its own colour and fade, in
// whatever order they are painted.
TEST_F(TaskbarButtonTest, EachButtonShowsTheMarkOfItsOwnLookAndFade) {
    auto active = button("Notes");
    auto running = button("Music");
    for (auto* view : {active.get(), running.get()}) {
        QPalette white = view->palette();
        white.setColor(QPalette::Window, Qt::white);
        view->setPalette(white);
    }
    // Above the icon, clear of the mark's rounded corners.
    auto markAt = [](QWidget* view) { return view->grab().toImage().pixelColor(view->width() / 2, 12); };
    for (int round = 0; round < 2; ++round) {
        auto blue = markAt(active.get());
        EXPECT_TRUE(blue.red() < 0x30 && blue.blue() > 0xf0) << "round " << round;
        auto grey = markAt(running.get());
        EXPECT_TRUE(grey.red() == grey.blue() && grey.red() < 0xff) << "round " << round;
    }
    Brindle::setPaintedOpacity(active.get(), 0.5);
    EXPECT_NEAR(markAt(active.get()).red(), 0x80, 0x20) << "faded";
    Brindle::setPaintedOpacity(active.get(), 1.0);
    EXPECT_LT(markAt(active.get()).red(), 0x30) << "full again";
}

// One row per appearance: active, running with a badge, pinned and not running, several windows
// with a long badge, then the titled forms. The dark appearance is pinned by the bar's snapshots.
TEST_F(TaskbarButtonTest, Snapshot) {
    desktop.model("Music")->badge.accept("3");
    desktop.model("Mail")->badge.accept("123");
    desktop.model("Notes")->badge.accept("12");
    QWidget sheet;
    sheet.setAutoFillBackground(true);
    QPalette palette = sheet.palette();
    palette.setColor(QPalette::Window, QColor(0xec, 0xec, 0xec));
    palette.setColor(QPalette::WindowText, Qt::black);
    sheet.setPalette(palette);
    auto* grid = new QGridLayout(&sheet);
    grid->setSpacing(12);
    grid->setContentsMargins(12, 12, 12, 12);
    int column = 0;
    const std::pair<const char*, bool> entries[]{{"Notes", false}, {"Music", false}, {"Photos", false},
                                                 {"Mail", false},  {"Notes", true},  {"Music", true},
                                                 {"Mail", true}};
    for (auto [title, titled] : entries) {
        // The frames the bar gives: 48 points, or up to 180 with titles.
        auto* holder = new QWidget(&sheet);
        holder->setFixedSize(titled ? 180 : 48, 80);
        (new QHBoxLayout(holder))->setContentsMargins(0, 0, 0, 0);
        holder->layout()->addWidget(new TaskbarButton(desktop.bar, desktop.model(title), titled));
        grid->addWidget(holder, 0, column++);
    }
    sheet.move(3000, 3000);
    sheet.resize(sheet.sizeHint());
    sheet.show();
    desktop.loop.runUntilIdle();
    test_support::expectMatchesReference(sheet.grab().toImage(), "taskbar-buttons-light");
}
