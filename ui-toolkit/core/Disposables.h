#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "Brindle/Object.h"
#include "rx/Disposable.h"

namespace brindle_core {

// Something that ends a subscription or frees a resource when told to.
class IDisposable {
public:
    virtual ~IDisposable() = default;
    virtual void dispose() = 0;
};

using IDisposablePtr = std::shared_ptr<IDisposable>;

// Disposes what it holds, in the order added, when told to or when it is destroyed.
class IDisposeBag : public Brindle::Object, public IDisposable {
public:
    IDisposeBag() = default;
    ~IDisposeBag() override;
    IDisposeBag(const IDisposeBag&) = delete;
    IDisposeBag& operator=(const IDisposeBag&) = delete;

    virtual void add(IDisposablePtr disposable);
    void dispose() override;

    std::vector<IDisposablePtr> disposables;
};

// Lets an rx subscription live in an IDisposeBag. Destroying the adapter leaves the subscription
// running; only dispose() ends it.
class DisposableToIDisposable : public Brindle::Object, public IDisposable {
public:
    explicit DisposableToIDisposable(rx::Disposable disposable) : disposable(std::move(disposable)) {}

    void dispose() override;

    std::optional<rx::Disposable> disposable;
};

// One bag per key: adding under a key ends whatever that key held before.
class AutoDisposer : public Brindle::Object {
public:
    AutoDisposer() = default;
    ~AutoDisposer() override;
    AutoDisposer(const AutoDisposer&) = delete;
    AutoDisposer& operator=(const AutoDisposer&) = delete;

    virtual void add(IDisposablePtr disposable, int key);
    virtual void reset(int key);
    virtual void disposeAll();
    virtual void add(int key, const std::function<IDisposablePtr()>& make);
    virtual void addRx(int key, const std::function<rx::Disposable()>& make);

    std::map<int, std::shared_ptr<IDisposeBag>> disposeBags;
};

}  // namespace brindle_core
