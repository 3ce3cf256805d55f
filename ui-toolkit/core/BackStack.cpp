#include "ui-toolkit/core/BackStack.h"

#include <algorithm>
#include <utility>

namespace brindle_core {

std::vector<BackStack::BackAction>& BackStack::stack() {
    static auto* entries = new std::vector<BackAction>();
    return *entries;
}

const rx::PublishSubject<rx::Unit>& BackStack::changed() {
    static const auto* subject = new rx::PublishSubject<rx::Unit>();
    return *subject;
}

void BackStack::push(std::function<void()> action, std::string identifier) {
    stack().push_back(BackAction{std::move(action), std::move(identifier)});
    changed().onNext();
}

void BackStack::pop() {
    auto& entries = stack();
    if (entries.empty()) return;
    auto top = std::move(entries.back());
    entries.pop_back();
    if (top.action) top.action();
    changed().onNext();
}

void BackStack::remove(const std::string& identifier, bool execute) {
    auto& entries = stack();
    if (execute) {
        if (entries.empty() || entries.back().identifier != identifier) return;
        pop();
        return;
    }
    std::erase_if(entries, [&](const BackAction& entry) { return entry.identifier == identifier; });
    changed().onNext();
}

}  // namespace brindle_core
