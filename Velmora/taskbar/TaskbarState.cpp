#include "Velmora/taskbar/TaskbarState.h"

#include <algorithm>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include "Brindle/FatalError.h"
#include "Brindle/Logging.h"
#include "Brindle/RxHelpers.h"
#include "platform/system/Screen.h"

namespace Velmora {

using BarOwner = Brindle::WeakVariable<TaskbarViewModel>;

namespace {

// The owner's place in the system's screen list; 0 when it is not there.
std::size_t screenPosition(const TaskbarViewModel& owner) {
    auto screens = platform::Screens::screens();
    auto found = std::find_if(screens.begin(), screens.end(), [&](const platform::Screen& screen) {
        return screen.identifier == owner.screen.identifier;
    });
    return found == screens.end() ? 0 : static_cast<std::size_t>(found - screens.begin());
}

bool sameButtons(const TaskbarButtons& a, const TaskbarButtons& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const auto& left, const auto& right) { return *left == *right; });
}

}  // namespace

void TaskbarStateIdle::enter(BarOwner owner) {
    ObjectState::enter(owner);
    auto model = owner.get();
    if (!model) return;

    auto screenButtons = model->applicationManager()->taskPerScreenRelay.map(
        [weakOwner = owner.value](const ButtonsPerScreen& lists) -> std::optional<TaskbarButtons> {
            auto strongOwner = weakOwner.lock();
            auto position = strongOwner ? screenPosition(*strongOwner) : 0;
            if (position >= lists.size()) return std::nullopt;
            return lists[position];
        });
    Brindle::subscribeNext(Brindle::filterNil(screenButtons).distinctUntilChanged(sameButtons), false,
                           [weakOwner = owner.value](const TaskbarButtons& buttons) {
                               if (auto strongOwner = weakOwner.lock()) strongOwner->tasks.set(buttons);
                           })
        .disposed(disposeBag());

    Brindle::subscribeNext(
        Brindle::filterNil(model->movingTask.asObservable()), false,
        [weakOwner = owner.value,
         weakSelf = weakAs<TaskbarStateIdle>()](const TaskbarViewModel::MovingTask& moving) {
            auto strongOwner = weakOwner.lock();
            auto self = weakSelf.lock();
            if (!strongOwner || !self) return;
            strongOwner->switchState(Brindle::make<TaskbarStateMovingApp>(moving.task), self);
        })
        .disposed(disposeBag());
}

void TaskbarStateIdle::exit(BarOwner owner) { ObjectState::exit(owner); }

void TaskbarStateMovingApp::enter(BarOwner owner) {
    ObjectState::enter(owner);
    auto model = owner.get();
    if (!model) return;
    if (!model->movingTask.value()) Brindle::fatalError("A drag state needs a dragged button");

    auto weakSelf = weakAs<TaskbarStateMovingApp>();
    Brindle::subscribeNext(Brindle::observeOnMain(Brindle::filterNil(model->movingTask.asObservable())),
                           false,
                           [weakOwner = owner.value, weakSelf](const TaskbarViewModel::MovingTask& moving) {
                               auto strongOwner = weakOwner.lock();
                               auto self = weakSelf.lock();
                               if (!strongOwner || !self) return;
                               auto frame = strongOwner->taskBounds.find(self->task->bundlePath);
                               // A button the bar has not laid out yet has nowhere to be dragged from.
                               if (frame == strongOwner->taskBounds.end()) return;
                               self->updateTarget(frame->second, moving.offset);
                           })
        .disposed(disposeBag());
    auto ended = model->movingTask.filter([](const auto& moving) { return !moving.has_value(); });
    Brindle::subscribeNext(ended, false, [weakSelf](const auto&) {
        if (auto self = weakSelf.lock()) self->endDrag();
    }).disposed(disposeBag());
}

void TaskbarStateMovingApp::updateTarget(const platform::Rect& frame, const platform::Point& offset) {
    auto model = owner();
    if (!model) return;
    double x = frame.minX() + offset.x;
    std::vector<double> lefts;
    for (const auto& entry : model->taskBounds) lefts.push_back(entry.second.minX());
    if (lefts.empty()) return;
    std::sort(lefts.begin(), lefts.end());
    std::int64_t index =
        x == lefts.front() ? 1
                           : std::count_if(lefts.begin(), lefts.end(), [&](double left) { return left < x; });
    std::cout << index << " index: (" << Brindle::describe(offset.x) << ", " << Brindle::describe(offset.y)
              << ")" << std::endl;
    model->draggingTargetIndex.set(index);
}

void TaskbarStateMovingApp::endDrag() {
    auto model = owner();
    if (!model) return;
    auto self = weakAs<TaskbarStateMovingApp>().lock();
    auto target = model->draggingTargetIndex.value();
    if (!target) {
        model->switchState(Brindle::make<TaskbarStateIdle>(), self);
        return;
    }

    // Buttons of the screens before this one come first in the manager's list.
    auto lists = model->applicationManager()->taskPerScreenRelay.value();
    auto screen = screenPosition(*model);
    std::int64_t position = 0;
    for (std::size_t i = 0; i < lists.size(); ++i) {
        if (i == screen) {
            position += *target;
            break;
        }
        position += static_cast<std::int64_t>(lists[i].size());
    }

    auto all = model->applicationManager()->allTasks.value();
    std::erase_if(all, [&](const auto& entry) { return entry->bundlePath == task->bundlePath; });
    auto at = std::clamp<std::int64_t>(position, 0, static_cast<std::int64_t>(all.size()));
    all.insert(all.begin() + at, task);
    // Published tasks are shared with the refresh queue: renumber copies, never the tasks themselves.
    for (std::size_t i = 0; i < all.size(); ++i) {
        all[i] = all[i]->copy();
        all[i]->index = static_cast<std::int64_t>(i);
    }
    model->applicationManager()->allTasks.set(all);
    model->switchState(Brindle::make<TaskbarStateIdle>(), self);
}

void syncPinnedOrder(SettingsManager& settings, const ApplicationManager& manager) {
    const auto pinned = bundlePaths(settings.pinnedApplications.value());
    auto tasks = manager.allTasks.value();
    std::stable_sort(tasks.begin(), tasks.end(),
                     [](const auto& a, const auto& b) { return a->index < b->index; });
    std::vector<platform::URL> urls;
    for (const auto& task : tasks)
        if (pinned.contains(task->bundlePath)) urls.push_back(task->bundlePath);
    settings.loadPinned(urls);
}

void TaskbarStateMovingApp::exit(BarOwner owner) {
    ObjectState::exit(owner);
    auto model = owner.get();
    if (!model) return;
    model->draggingTargetIndex.set(std::nullopt);
    syncPinnedOrder(*model->settings(), *model->applicationManager());
}

}  // namespace Velmora
