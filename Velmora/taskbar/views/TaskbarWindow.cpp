#include "Velmora/taskbar/views/TaskbarWindow.h"

#include <QColor>
#include <QPainterPath>
#include <QPolygon>
#include <iostream>
#include <string>
#include <tuple>

#include "Velmora/settings/TaskbarTheme.h"
#include "Velmora/taskbar/TaskbarWindowRules.h"
#include "Velmora/taskbar/views/Taskbar.h"
#include "Velmora/taskbar/views/WindowStates.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "Velmora/tracking/Window.h"
#include "platform/base/LogText.h"
#include "platform/base/MainQueue.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/WindowList.h"
#include "platform/system/Workspace.h"
#include "rx/MainScheduler.h"

namespace Velmora {

using platform::qt::WindowCollectionBehavior;
using platform::qt::WindowLevel;
using platform::qt::WindowStyleMask;

std::shared_ptr<TaskbarWindow> TaskbarWindow::make(QWidget* content,
                                                   std::shared_ptr<ApplicationManager> applicationManager) {
    return Brindle::make<TaskbarWindow>(content, std::move(applicationManager));
}

std::shared_ptr<TaskbarWindow> TaskbarWindow::make(QWidget* content) {
    return make(content, ApplicationManager::shared());
}

TaskbarWindow::TaskbarWindow(QWidget* content, std::shared_ptr<ApplicationManager> applicationManager)
    : platform::qt::Window(content), applicationManager_(std::move(applicationManager)) {}

TaskbarWindow::~TaskbarWindow() {
    if (activeSpaceToken_) platform::Workspace::notificationCenter()->removeObserver(activeSpaceToken_);
    if (occlusionToken_) platform::NotificationCenter::defaultCenter()->removeObserver(occlusionToken_);
}

std::optional<platform::Screen> TaskbarWindow::barScreen() const {
    if (!setupScreen_) return std::nullopt;
    for (const auto& screen : platform::Screens::screens()) {
        if (screen.identifier == setupScreen_->identifier) return screen;
    }
    return std::nullopt;
}

std::int64_t TaskbarWindow::screenIndex() const {
    auto screens = platform::Screens::screens();
    for (std::size_t i = 0; i < screens.size(); ++i) {
        if (setupScreen_ && screens[i].identifier == setupScreen_->identifier)
            return static_cast<std::int64_t>(i);
    }
    return 0;
}

namespace {

double firstScreenHeight() {
    auto screens = platform::Screens::screens();
    return screens.empty() ? 0 : screens.front().frame.height();
}

}  // namespace

std::shared_ptr<TaskbarWindow> TaskbarWindow::setup(const platform::Screen& screen) {
    auto self = std::static_pointer_cast<TaskbarWindow>(shared_from_this());
    std::weak_ptr<TaskbarWindow> weak = self;
    // The states and the tests read the screen before the frame is moved there; a window made
    // around its content starts on the main screen, which is not this bar's on a second display.
    setupScreen_ = screen;

    // Windows report occlusion from inside Qt's showing and hiding of another window; the test that
    // may show or hide this one runs after that, on the next turn of the loop.
    auto notify = [weak](const platform::Notification&) {
        if (auto window = weak.lock()) window->queueFullscreenTest();
    };
    activeSpaceToken_ = platform::Workspace::notificationCenter()->addObserver(
        platform::Workspace::activeSpaceDidChangeNotification, notify);
    occlusionToken_ = platform::NotificationCenter::defaultCenter()->addObserver(
        platform::qt::Window::didChangeOcclusionStateNotification, notify);
    // A window's state or the active window changed: the full-screen test need not wait for its timer.
    windowStateToken_ = platform::Workspace::notificationCenter()->addObserver(
        platform::WindowList::windowStateDidChangeNotification, notify);

    start(std::make_shared<WindowStateIdle>(true));
    setDelegate(self);

    std::cout << "Screen size: " << TaskbarWindowRules::describe(screen.frame) << "\n"
              << "Screen visible: " << TaskbarWindowRules::describe(screen.visibleFrame) << "\n"
              << "Screen inverted: "
              << TaskbarWindowRules::describe(
                     TaskbarWindowRules::invertedFrame(screen.frame, firstScreenHeight()))
              << "\n";

    setBackgroundColor(Qt::transparent);
    setOpaque(false);
    setHasShadow(false);
    setFrame(platform::Rect::make(screen.frame.minX(), screen.frame.minY(), screen.frame.width(),
                                  TaskbarTheme::maximumHeight()),
             true);
    setStyleMask(WindowStyleMask::borderless);
    setLevel(WindowLevel::screenSaver);
    setCollectionBehavior(WindowCollectionBehavior::moveToActiveSpace |
                          WindowCollectionBehavior::fullScreenAuxiliary);

    // The bar's body is what shows; any other content shows whole.
    auto* bar = dynamic_cast<Taskbar*>(contentView());
    auto roundedBody = [bar](const QRect& rect) {
        double radius = bar ? bar->themeSettings().cornerRadius : 0;
        if (radius <= 0) return QRegion(rect);
        QPainterPath outline;
        outline.addRoundedRect(QRectF(rect), radius, radius);
        return QRegion(outline.toFillPolygon().toPolygon());
    };
    setVisiblePart(
        bar ? bar->body() : contentView(),
        [weak] {
            if (auto window = weak.lock()) window->updateReservedEdge();
        },
        roundedBody);

    bindVisibility();
    bindFullscreenTests();
    return self;
}

void TaskbarWindow::bindVisibility() {
    std::weak_ptr<TaskbarWindow> weak = std::static_pointer_cast<TaskbarWindow>(shared_from_this());
    rx::combineLatest(
        fullscreen.asObservable(),
        forceVisibleInFullscreen.asObservable().debounce(forceVisibleDebounce, rx::MainScheduler::instance()),
        autoHide.asObservable(),
        [](bool full, bool forceVisible, bool hidden) {
            return full ? forceVisible : (forceVisible || !hidden);
        })
        .distinctUntilChanged()
        .subscribe([weak](bool visible) {
            auto window = weak.lock();
            if (!window) return;
            if (visible) {
                window->orderFront();
                // Revealed over a full-screen window.
                if (window->fullscreen.value()) window->raiseAboveAll();
                if (window->taskbarViewModel) window->taskbarViewModel->show.set(true);
            } else if (window->taskbarViewModel) {
                window->taskbarViewModel->show.set(false);
            }
        })
        .disposed(disposeBag_);
    // A bar revealed at the edge over a full-screen window or after a hide request reserves
    // nothing: the windows beside it would change size each time it comes and goes.
    rx::combineLatest(fullscreen.asObservable(), autoHide.asObservable(),
                      [](bool full, bool hidden) { return !full && !hidden; })
        .distinctUntilChanged()
        .subscribe([weak](bool shown) {
            auto window = weak.lock();
            if (!window) return;
            window->shownOfItsOwnAccord_ = shown;
            window->updateReservedEdge();
        })
        .disposed(disposeBag_);
    // Window managers keep a focused full-screen window above every dock: over one, the bar
    // leaves the window manager, so that it can be put above when it is revealed.
    fullscreen.asObservable()
        .distinctUntilChanged()
        .subscribe([weak](bool full) {
            if (auto window = weak.lock()) window->setBypassesWindowManager(full);
        })
        .disposed(disposeBag_);
}

void TaskbarWindow::updateReservedEdge() {
    double height = 0;
    if (shownOfItsOwnAccord_) {
        // From the top of the shown bar down to the screen's edge.
        auto* bar = dynamic_cast<Taskbar*>(contentView());
        auto settings = bar ? bar->themeSettings() : TaskbarThemeSettings{};
        height = bar ? settings.defaultHeight + settings.padding.bottom : frame().height();
    }
    setReservedBottomEdge(height);
}

void TaskbarWindow::bindFullscreenTests() {
    std::weak_ptr<TaskbarWindow> weak = std::static_pointer_cast<TaskbarWindow>(shared_from_this());
    auto scheduler = rx::MainScheduler::instance();
    double period =
        platform::UserDefaults::standard()->boolForKey(stressTestThreadsKey) ? 0.0 : fullscreenTestPeriod;
    rx::merge(rx::just(rx::Unit{}).delay(firstFullscreenTestDelay, scheduler),
              rx::interval(period, scheduler).map([](std::int64_t) { return rx::Unit{}; }),
              shouldUpdateFullscreenMode.asObservable())
        .subscribe([weak](const rx::Unit&) {
            if (auto window = weak.lock()) window->updateFullscreenMode();
        })
        .disposed(disposeBag_);
}

void TaskbarWindow::activeSpaceDidChange() { shouldUpdateFullscreenMode.onNext(rx::Unit{}); }

void TaskbarWindow::queueFullscreenTest() {
    // Every change of a burst asks: one test on the next turn sees them all.
    if (fullscreenTestQueued_) return;
    fullscreenTestQueued_ = true;
    std::weak_ptr<TaskbarWindow> weak = std::static_pointer_cast<TaskbarWindow>(shared_from_this());
    platform::MainQueue::async([weak] {
        auto window = weak.lock();
        if (!window) return;
        window->fullscreenTestQueued_ = false;
        window->activeSpaceDidChange();
    });
}

void TaskbarWindow::updateFullscreenMode() {
    if (!barScreen()) return;
    auto index = screenIndex();
    // Read once: the rules ask for it for every pair of windows at the screen's sides.
    const double width = [this] {
        auto screen = barScreen();
        return screen ? screen->frame.width() : -1.0;
    }();
    // The same windows on the same screen decide the same: nothing to print or publish.
    auto recalled = fullscreenMemo_.recall(applicationManager_->currentAXWindowsStamp(), index, width);
    if (recalled && *recalled == fullscreen.value()) {
        firstFullscreenTest = false;
        return;
    }
    auto reading = applicationManager_->fetchStampedAXWindows();
    auto candidates = TaskbarWindowRules::fullscreenCandidates(reading.windows, index);
    auto screenWidth = [width] { return width; };
    bool result = TaskbarWindowRules::fillsScreen(candidates, screenWidth);
    fullscreenMemo_.store(reading.stamp, index, width, result);

    if (result != fullscreen.value()) {
        if (result) {
            auto screen = barScreen();
            auto inverted = TaskbarWindowRules::invertedFrame(screen ? screen->frame : platform::Rect{},
                                                              firstScreenHeight());
            std::cout << "Monitor " << index
                      << " set to fullscreen (size: " << TaskbarWindowRules::describe(inverted) << ")\n";
            for (const auto& window : candidates) {
                std::cout << "Triggering app: " << platform::escapedForLog(window->title) << " frame: "
                          << TaskbarWindowRules::describe(
                                 platform::Rect::make(window->x, window->y, window->w, window->h))
                          << "\n";
            }
        } else {
            std::cout << "Monitor " << index << " is NOT in fullscreen\n";
        }
        if (result != fullscreen.value()) fullscreen.accept(result);
    }
    firstFullscreenTest = false;
}

}  // namespace Velmora
