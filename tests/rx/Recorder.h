#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "rx/Rx.h"

namespace rx_tests {

using Lines = std::vector<std::string>;

// Records what subscriptions receive as readable lines, each prefixed with its subscription's name.
template <class T>
struct Recorder {
    Lines lines;

    rx::Disposable subscribe(const rx::Observable<T>& observable, const std::string& name = "") {
        return observable.subscribe(
            [this, name](const T& value) { lines.push_back(name + std::to_string(value)); },
            [this, name](std::exception_ptr) { lines.push_back(name + "error"); },
            [this, name] { lines.push_back(name + "completed"); });
    }
    // Work that notes `line` when it runs.
    std::function<void()> note(std::string line) {
        return [this, line] { lines.push_back(line); };
    }
};

}  // namespace rx_tests
