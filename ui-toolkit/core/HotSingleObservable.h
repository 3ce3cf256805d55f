#pragma once

#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

#include "Brindle/Object.h"
#include "ui-toolkit/core/Disposables.h"

namespace brindle_core {

// A buffered stream for the few views that listen to a model: values published while nobody
// listens wait, and go out (oldest first) with the next publication or flush. At most
// `maxObservers` listeners are kept (0 or less: no limit); a new one pushes the oldest out.
// Used on the main thread; delivery is synchronous.
template <class T>
class HotSingleObservable : public Brindle::Object, public IDisposable {
public:
    using Observer = std::function<void(const T&)>;

    explicit HotSingleObservable(int maxObservers) : maxObservers(maxObservers) {}

    // Delivers nothing by itself: buffered values wait for the next onNext or flush.
    virtual void subscribe(Observer observer) {
        if (maxObservers >= 1) {
            auto limit = static_cast<std::size_t>(maxObservers);
            while (!observers.empty() && observers.size() >= limit) observers.erase(observers.begin());
        }
        observers.push_back(std::move(observer));
    }

    virtual void onNext(const T& value) {
        values.push_back(value);
        flush();
    }

    virtual void flush() {
        if (values.empty()) return;
        // The buffer is taken out before delivery, so a value published by an observer meanwhile
        // is delivered on its own and none is delivered twice; the observer list is a snapshot
        // for each value, so observers may subscribe during delivery.
        auto pending = std::exchange(values, {});
        bool delivered = false;
        for (const auto& value : pending) {
            auto current = observers;
            for (const auto& observer : current) {
                observer(value);
                delivered = true;
            }
        }
        if (!delivered) values.insert(values.begin(), pending.begin(), pending.end());
    }

    void dispose() override {
        observers.clear();
        values.clear();
    }

    std::vector<T> values;
    std::vector<Observer> observers;
    const int maxObservers;
};

}  // namespace brindle_core
