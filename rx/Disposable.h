#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace rx {

// The shared state behind a Disposable. Implementations release what they hold when disposed,
// so a disposed subscription keeps nothing alive.
class DisposableBase {
public:
    virtual ~DisposableBase() = default;
    virtual void dispose() = 0;
    virtual bool isDisposed() const = 0;
};

class DisposeBag;

namespace detail {
class WeakDisposable;
}

// A copyable handle to a subscription or another resource. Copies share the resource; destroying a
// handle does not dispose it. An empty handle (default-constructed) holds nothing and reports
// itself disposed.
class Disposable {
public:
    Disposable() = default;
    explicit Disposable(std::shared_ptr<DisposableBase> state) : state_(std::move(state)) {}

    // A resource that only records whether it has been disposed.
    static Disposable create();
    // Runs `onDispose` once, on the first dispose().
    static Disposable create(std::function<void()> onDispose);

    void dispose() const {
        if (state_) state_->dispose();
    }
    bool isDisposed() const { return !state_ || state_->isDisposed(); }
    // Hands the resource to `bag`, which disposes it when the bag goes away.
    void disposed(DisposeBag& bag) const;

private:
    friend class detail::WeakDisposable;
    std::shared_ptr<DisposableBase> state_;
};

// Disposables that are disposed together. Copies share the group. Adding to a disposed group
// disposes the addition at once.
class CompositeDisposable {
public:
    CompositeDisposable();

    void insert(Disposable disposable) const;
    void dispose() const;
    bool isDisposed() const;
    operator Disposable() const { return asDisposable(); }
    Disposable asDisposable() const;

    class State;

private:
    std::shared_ptr<State> state_;
};

// Disposes what it holds when it is destroyed, or when another bag is assigned to it.
class DisposeBag {
public:
    DisposeBag() = default;
    ~DisposeBag();
    DisposeBag(const DisposeBag&) = delete;
    DisposeBag& operator=(const DisposeBag&) = delete;
    DisposeBag(DisposeBag&& other) noexcept;
    DisposeBag& operator=(DisposeBag&& other) noexcept;

    void insert(Disposable disposable);

private:
    std::vector<Disposable> takeAll();

    std::mutex mutex_;
    std::vector<Disposable> disposables_;
};

inline void Disposable::disposed(DisposeBag& bag) const { bag.insert(*this); }

namespace detail {

// A reference to a resource that does not keep it alive: scheduled work holds its operator
// strongly, so the operator holds the scheduled work weakly to avoid a cycle.
class WeakDisposable {
public:
    WeakDisposable() = default;
    WeakDisposable(const Disposable& disposable) : state_(disposable.state_) {}
    void dispose() const {
        if (auto state = state_.lock()) state->dispose();
    }

private:
    std::weak_ptr<DisposableBase> state_;
};

}  // namespace detail
}  // namespace rx
