#include "Velmora/taskbar/views/WindowStates.h"

#include <optional>
#include <string>

#include "Brindle/RxHelpers.h"
#include "Velmora/settings/EventManager.h"
#include "Velmora/taskbar/MouseManager.h"
#include "Velmora/taskbar/TaskbarWindowRules.h"
#include "platform/system/Screen.h"
#include "rx/MainScheduler.h"

namespace Velmora {

namespace {

// By identifier; 0 when the screen is not listed, as the first screen.
std::int64_t indexOf(const std::optional<platform::Screen>& screen) {
    if (!screen) return 0;
    auto screens = platform::Screens::screens();
    for (std::size_t i = 0; i < screens.size(); ++i) {
        if (screens[i].identifier == screen->identifier) return static_cast<std::int64_t>(i);
    }
    return 0;
}

}  // namespace

void WindowStateIdle::enter(Brindle::WeakVariable<TaskbarWindow> owner) {
    ObjectState::enter(owner);
    auto self = std::static_pointer_cast<WindowStateIdle>(shared_from_this());
    std::weak_ptr<WindowStateIdle> weakSelf = self;
    auto window = owner.get();
    if (!window) return;

    Brindle::subscribeNext(window->fullscreen.asObservable().filter([](bool value) { return value; }), false,
                           [owner, weakSelf](bool) {
                               auto state = weakSelf.lock();
                               auto window = owner.get();
                               if (!state || !window) return;
                               window->switchState(std::make_shared<WindowStateFullscreen>(false), state);
                           })
        .disposed(disposeBag());

    auto screen = window->barScreen();
    Brindle::subscribeNext(EventManager::shared()->hideOnScreen.asObservable().filter(
                               [screen](const platform::Screen& requested) {
                                   return screen && indexOf(requested) == indexOf(screen);
                               }),
                           false,
                           [owner, weakSelf](const platform::Screen&) {
                               auto state = weakSelf.lock();
                               auto window = owner.get();
                               if (!state || !window) return;
                               window->switchState(std::make_shared<WindowStateFullscreen>(true), state);
                           })
        .disposed(disposeBag());
}

void WindowStateFullscreen::enter(Brindle::WeakVariable<TaskbarWindow> owner) {
    ObjectState::enter(owner);
    auto self = std::static_pointer_cast<WindowStateFullscreen>(shared_from_this());
    std::weak_ptr<WindowStateFullscreen> weakSelf = self;
    auto window = owner.get();
    if (!window) return;

    window->autoHide.accept(autohide);

    Brindle::subscribeNext(window->fullscreen.asObservable().filter([](bool value) { return !value; }), false,
                           [owner, weakSelf](bool) {
                               auto state = weakSelf.lock();
                               auto window = owner.get();
                               if (!state || !window || window->autoHide.value()) return;
                               window->switchState(std::make_shared<WindowStateIdle>(false), state);
                           })
        .disposed(disposeBag());

    auto band = std::make_shared<TaskbarWindowRules::EdgeBand>();
    auto edge = MouseManager::shared()
                    ->mouseMos.asObservable()
                    .map([owner, band](const platform::Point& mouse) {
                        auto window = owner.get();
                        auto screen = window ? window->barScreen() : std::nullopt;
                        auto screens = platform::Screens::screens();
                        std::optional<double> bottom;
                        if (screen && !screens.empty())
                            bottom = screens.front().frame.height() - screen->frame.minY();
                        return band->update(mouse.y, bottom);
                    })
                    .distinctUntilChanged()
                    .debounce(edgeDebounce, rx::MainScheduler::instance());
    auto bandValues = rx::merge(rx::just(false), edge);

    rx::Observable<bool> menu = rx::just(false);
    if (window->taskbarViewModel) menu = window->taskbarViewModel->showingMainMenu.asObservable();

    Brindle::subscribeNext(rx::combineLatest(bandValues, menu,
                                             [](bool atEdge, bool menuOpen) {
                                                 return std::pair{atEdge, menuOpen};
                                             }),
                           false,
                           [owner, weakSelf](const std::pair<bool, bool>& values) {
                               auto state = weakSelf.lock();
                               auto window = owner.get();
                               if (!state || !window) return;
                               auto [atEdge, menuOpen] = values;
                               if (atEdge && window->autoHide.value()) {
                                   window->autoHide.accept(false);
                                   window->switchState(std::make_shared<WindowStateIdle>(false), state);
                               }
                               window->forceVisibleInFullscreen.accept(atEdge || menuOpen);
                           })
        .disposed(disposeBag());
}

}  // namespace Velmora
