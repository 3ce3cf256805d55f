#pragma once

#include <memory>
#include <optional>

#include "Brindle/Object.h"
#include "Brindle/ObjectState.h"
#include "Velmora/taskbar/TaskbarViewModel.h"
#include "Velmora/taskbar/TaskbarWindowRules.h"
#include "platform/base/NotificationCenter.h"
#include "platform/qt/Window.h"
#include "platform/system/Screen.h"
#include "rx/Rx.h"

class QWidget;

namespace Velmora {

class ApplicationManager;

// The borderless window along the bottom of one screen that carries that screen's bar. It never
// leaves the screen: it tells its bar's model to hide the content while a window of another
// application fills the screen or the bar was hidden on request, unless its states force the bar
// into view (WindowStates.h). Only the bar's body shows: the pointer passes through the rest. While
// the bar is shown of its own accord it reserves its height at the screen's bottom, so that
// maximised windows stop above it; a bar revealed over a full-screen window is put above it.
// Main thread only.
class TaskbarWindow : public Brindle::Object,
                      public platform::qt::Window,
                      public platform::qt::WindowDelegate,
                      public Brindle::ObjectStateMachine<TaskbarWindow> {
public:
    static constexpr double fullscreenTestPeriod = 1.0;
    static constexpr double firstFullscreenTestDelay = 0.001;
    static constexpr double forceVisibleDebounce = 0.2;
    static constexpr const char* stressTestThreadsKey = "stressTestThreads";

    // A window around the bar view, which it takes over; set `taskbarViewModel`, then `setup`.
    static std::shared_ptr<TaskbarWindow> make(QWidget* content,
                                               std::shared_ptr<ApplicationManager> applicationManager);
    static std::shared_ptr<TaskbarWindow> make(QWidget* content);

    // Use `make`.
    TaskbarWindow(QWidget* content, std::shared_ptr<ApplicationManager> applicationManager);
    ~TaskbarWindow() override;

    // Some window of another application fills this bar's screen.
    const rx::BehaviorRelay<bool> fullscreen{false};
    // The bar was hidden on request.
    const rx::BehaviorRelay<bool> autoHide{false};
    // Show the bar whatever `fullscreen` and `autoHide` say.
    const rx::BehaviorRelay<bool> forceVisibleInFullscreen{false};
    // Cleared after every full-screen test.
    bool firstFullscreenTest = true;
    // Assigned by the creator before `setup`.
    std::shared_ptr<TaskbarViewModel> taskbarViewModel;
    // Run the full-screen test now.
    const rx::PublishSubject<rx::Unit> shouldUpdateFullscreenMode;

    // Places the window along the bottom of `screen`, starts its states, the showing and hiding
    // and the full-screen tests, and returns the window.
    std::shared_ptr<TaskbarWindow> setup(const platform::Screen& screen);

    void activeSpaceDidChange();
    // Runs the full-screen test on the next turn of the loop, once however often asked before.
    void queueFullscreenTest();
    // Runs the full-screen test once and publishes a changed result.
    virtual void updateFullscreenMode();

    // The screen the bar was set up for, as the system lists it now; none once it is gone.
    std::optional<platform::Screen> barScreen() const;
    // Its position in the system's screen list; 0 when it is not there.
    std::int64_t screenIndex() const;

private:
    void bindVisibility();
    // Reserves the shown bar's height while the bar is shown of its own accord.
    void updateReservedEdge();
    void bindFullscreenTests();

    const std::shared_ptr<ApplicationManager> applicationManager_;
    std::optional<platform::Screen> setupScreen_;
    bool shownOfItsOwnAccord_ = false;
    bool fullscreenTestQueued_ = false;
    TaskbarWindowRules::FullscreenMemo fullscreenMemo_;
    std::shared_ptr<platform::NotificationCenter::Token> activeSpaceToken_;
    std::shared_ptr<platform::NotificationCenter::Token> occlusionToken_;
    std::shared_ptr<platform::NotificationCenter::Token> windowStateToken_;
    rx::DisposeBag disposeBag_;
};

}  // namespace Velmora
