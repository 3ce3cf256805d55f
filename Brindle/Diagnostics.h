#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <typeinfo>
#include <vector>

#include "Brindle/Lock.h"
#include "Brindle/Object.h"
#include "platform/base/Date.h"

namespace Brindle {

// Counts the live objects it holds per type name, beside an expected count per type name.
class MemoryAllocationTracker {
public:
    static std::shared_ptr<MemoryAllocationTracker> shared();

    void setExpectedCount(int count, const std::type_info& type);
    template <class T>
    void setExpectedCount(int count) {
        setExpectedCount(count, typeid(T));
    }

    int liveCount(const std::type_info& type);
    template <class T>
    int liveCount() {
        return liveCount(typeid(T));
    }

    std::optional<int> expectedCount(const std::type_info& type) const;

    platform::Date appStartedDate;

private:
    struct TrackedObjects {
        std::weak_ptr<void> anyObject;
        std::function<std::string(const std::string&, const std::string&)> customPrint;
    };

    std::map<std::string, std::vector<TrackedObjects>> trackedElements_;
    std::map<std::string, int> records_;
    std::optional<std::map<std::string, int>> recordsOriginal_;
    Lock<int> lock_{0};
    std::map<std::string, int> expectedCount_;
    std::map<std::string, std::string> customStrings_;
};

// Frames per second over a window of one second; belongs to one thread.
class FPSCounter {
public:
    FPSCounter();
    // Called once per frame.
    void tick();

    double counter = 1.0;
    platform::Date date;
    double fps = 0;
};

// Feedback to the user on errors; nothing to do on this platform.
class FeedbackManager {
public:
    static std::shared_ptr<FeedbackManager> shared();
    void notifyError() {}
};

}  // namespace Brindle
