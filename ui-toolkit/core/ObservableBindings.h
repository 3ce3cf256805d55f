#pragma once

#include <functional>
#include <iostream>
#include <string>

#include "platform/base/Animation.h"
#include "rx/Observable.h"

namespace brindle_core {

// Writes every element through `set`, on the thread that delivers it.
template <class T>
[[nodiscard]] rx::Disposable bind(const rx::Observable<T>& source, std::function<void(const T&)> set) {
    return source.subscribe([set = std::move(set)](const T& element) { set(element); });
}

// As `bind`, each write inside an animation transaction.
template <class T>
[[nodiscard]] rx::Disposable animatedBind(const rx::Observable<T>& source,
                                          std::function<void(const T&)> set) {
    return source.subscribe(
        [set = std::move(set)](const T& element) { platform::withAnimation([&] { set(element); }); });
}

// Prints `text` (not the element) for every element that passes.
template <class T>
rx::Observable<T> printOnNext(const rx::Observable<T>& source, std::string text) {
    return source.doOnNext([text = std::move(text)](const T&) { std::cout << text << "\n"; });
}

}  // namespace brindle_core
