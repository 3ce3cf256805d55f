#include "Brindle/Work.h"

#include <algorithm>

#include "rx/MainScheduler.h"

namespace Brindle {

std::shared_ptr<WorkManager> WorkManager::shared() {
    static auto* instance = new std::shared_ptr<WorkManager>(make<WorkManager>());
    return *instance;
}

rx::Observable<std::vector<std::shared_ptr<Work>>> WorkManager::works() const {
    auto updates = rx::merge(rx::just(rx::Unit{}), workProgressUpdated.asObservable());
    return rx::combineLatest(workRelay.asObservable(), updates,
                             [](const std::vector<std::shared_ptr<Work>>& list, rx::Unit) { return list; })
        .observeOn(rx::MainScheduler::instance());
}

void Work::postInit() {
    Object::postInit();
    if (registerAtCreation_) register_();
}

std::optional<double> Work::completion() const {
    std::lock_guard lock(mutex_);
    return completion_;
}

void Work::setCompletion(std::optional<double> completion) {
    {
        std::lock_guard lock(mutex_);
        completion_ = completion;
    }
    WorkManager::shared()->workProgressUpdated.onNext();
    if (completion == 1.0) complete();
}

void Work::register_() {
    const auto& relay = WorkManager::shared()->workRelay;
    auto list = relay.value();
    list.push_back(sharedAs<Work>());
    relay.accept(list);
}

void Work::unregister() {
    const auto& relay = WorkManager::shared()->workRelay;
    auto list = relay.value();
    std::erase_if(list, [this](const std::shared_ptr<Work>& work) { return work.get() == this; });
    relay.accept(list);
}

void Work::complete() {
    if (completion() == 1.0)
        unregister();
    else
        setCompletion(1.0);
}

rx::Observable<std::optional<double>> Work::progress() {
    std::weak_ptr<Work> weakWork = sharedAs<Work>();
    return WorkManager::shared()
        ->works()
        .map([weakWork](const std::vector<std::shared_ptr<Work>>&) { return weakWork.lock(); })
        .filter([](const std::shared_ptr<Work>& work) { return work != nullptr; })
        .map([](const std::shared_ptr<Work>& work) { return work->completion(); });
}

}  // namespace Brindle
