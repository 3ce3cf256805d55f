#include "rx/Disposable.h"

#include <algorithm>
#include <utility>

namespace rx {
namespace {

class BooleanDisposable final : public DisposableBase {
public:
    void dispose() override { disposed_.store(true); }
    bool isDisposed() const override { return disposed_.load(); }

private:
    std::atomic<bool> disposed_{false};
};

class AnonymousDisposable final : public DisposableBase {
public:
    explicit AnonymousDisposable(std::function<void()> action) : action_(std::move(action)) {}

    void dispose() override {
        std::function<void()> action;
        {
            std::lock_guard lock(mutex_);
            if (disposed_.exchange(true)) return;
            action.swap(action_);
        }
        if (action) action();
    }
    bool isDisposed() const override { return disposed_.load(); }

private:
    std::mutex mutex_;
    std::function<void()> action_;
    std::atomic<bool> disposed_{false};
};

}  // namespace

Disposable Disposable::create() { return Disposable(std::make_shared<BooleanDisposable>()); }

Disposable Disposable::create(std::function<void()> onDispose) {
    return Disposable(std::make_shared<AnonymousDisposable>(std::move(onDispose)));
}

class CompositeDisposable::State final : public DisposableBase {
public:
    void insert(Disposable disposable) {
        {
            std::lock_guard lock(mutex_);
            if (!disposed_.load()) {
                children_.push_back(std::move(disposable));
                return;
            }
        }
        disposable.dispose();
    }

    void dispose() override {
        std::vector<Disposable> children;
        {
            std::lock_guard lock(mutex_);
            if (disposed_.exchange(true)) return;
            children.swap(children_);
        }
        for (const auto& child : children) child.dispose();
    }

    bool isDisposed() const override { return disposed_.load(); }

private:
    std::mutex mutex_;
    std::vector<Disposable> children_;
    std::atomic<bool> disposed_{false};
};

CompositeDisposable::CompositeDisposable() : state_(std::make_shared<State>()) {}

void CompositeDisposable::insert(Disposable disposable) const { state_->insert(std::move(disposable)); }

void CompositeDisposable::dispose() const { state_->dispose(); }

bool CompositeDisposable::isDisposed() const { return state_->isDisposed(); }

Disposable CompositeDisposable::asDisposable() const { return Disposable(state_); }

DisposeBag::~DisposeBag() {
    for (const auto& disposable : takeAll()) disposable.dispose();
}

DisposeBag::DisposeBag(DisposeBag&& other) noexcept : disposables_(other.takeAll()) {}

DisposeBag& DisposeBag::operator=(DisposeBag&& other) noexcept {
    if (this == &other) return *this;
    auto incoming = other.takeAll();
    std::vector<Disposable> old;
    {
        std::lock_guard lock(mutex_);
        old.swap(disposables_);
        disposables_ = std::move(incoming);
    }
    for (const auto& disposable : old) disposable.dispose();
    return *this;
}

void DisposeBag::insert(Disposable disposable) {
    std::lock_guard lock(mutex_);
    // A long-lived bag that collects short subscriptions would otherwise grow without bound.
    if (disposables_.size() >= 64 && (disposables_.size() & (disposables_.size() - 1)) == 0) {
        std::erase_if(disposables_, [](const Disposable& held) { return held.isDisposed(); });
    }
    disposables_.push_back(std::move(disposable));
}

std::vector<Disposable> DisposeBag::takeAll() {
    std::lock_guard lock(mutex_);
    return std::exchange(disposables_, {});
}

}  // namespace rx
