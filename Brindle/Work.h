#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include "Brindle/Object.h"
#include "rx/BehaviorRelay.h"
#include "rx/Observable.h"
#include "rx/PublishSubject.h"
#include "rx/Unit.h"

namespace Brindle {

class Work;

// The registry of running works; it holds them strongly until they are removed.
class WorkManager : public Object {
public:
    static std::shared_ptr<WorkManager> shared();

    const rx::BehaviorRelay<std::vector<std::shared_ptr<Work>>> workRelay{{}};
    const rx::PublishSubject<rx::Unit> workProgressUpdated;

    // The list, observed on the main thread: at once, on every change of the list and again on every
    // progress announcement.
    virtual rx::Observable<std::vector<std::shared_ptr<Work>>> works() const;
};

// One piece of work with an optional completion fraction. It leaves the registry when its completion
// becomes exactly 1.0. Registration is not locked: register and unregister works from one thread.
class Work : public Object {
public:
    // Registers the work once it is made, when asked to.
    explicit Work(bool registerAtCreation) : registerAtCreation_(registerAtCreation) {}
    void postInit() override;

    virtual std::optional<double> completion() const;
    // Announces the change first; a value of exactly 1.0 then completes the work.
    virtual void setCompletion(std::optional<double> completion);

    // Appends the work to the registry's list (twice when called twice). `register` is a C++ keyword.
    virtual void register_();
    // Removes every entry that is this very work; the list is published even when nothing changed.
    virtual void unregister();
    // Sets the completion to 1.0, or only unregisters when it is 1.0 already.
    virtual void complete();

    // This work's completion at once and at every change of the list or announcement, while the work
    // is alive.
    rx::Observable<std::optional<double>> progress();

private:
    const bool registerAtCreation_;
    mutable std::mutex mutex_;
    std::optional<double> completion_;
};

}  // namespace Brindle
