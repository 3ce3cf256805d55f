#pragma once

#include <functional>
#include <string>
#include <vector>

#include "rx/PublishSubject.h"
#include "rx/Unit.h"

namespace brindle_core {

// The process's stack of back actions: screens push one, a back gesture or button pops the top.
// Main thread only.
class BackStack {
public:
    struct BackAction {
        std::function<void()> action;
        std::string identifier;
    };

    BackStack() = delete;

    static std::vector<BackAction>& stack();
    // Signals every change of the stack, after it has been made.
    static const rx::PublishSubject<rx::Unit>& changed();

    static void push(std::function<void()> action, std::string identifier);
    // Runs the top entry's action; nothing (no signal) on an empty stack.
    static void pop();
    // With `execute`: pops and runs the top entry only when it carries `identifier`. Without:
    // drops every entry that carries it, wherever it stands, and runs none.
    static void remove(const std::string& identifier, bool execute);
};

}  // namespace brindle_core
