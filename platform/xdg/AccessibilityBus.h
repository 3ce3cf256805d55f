#pragma once

#include <memory>

namespace platform::xdg {

class SessionBus;

// The toolkit's accessibility bridge (AT-SPI) reaches the session bus from the main thread, with no time
// limit, when the first widget changes: a stopped bus would hold the first bar for ever. This looks at the
// bus from a thread of its own as the program starts, and before the first widget turns the bridge off for
// the run when the bus has not answered by then.
class AccessibilityBus {
public:
    // The bus has had the program's start to answer; this much more is granted at most.
    static constexpr int graceMs = 250;

    // Starts the look; none is made when no session bus is announced.
    AccessibilityBus();
    ~AccessibilityBus();
    AccessibilityBus(const AccessibilityBus&) = delete;
    AccessibilityBus& operator=(const AccessibilityBus&) = delete;

    // Call before the first widget: turns the bridge off when the bus has not answered.
    void beforeFirstWidget();

private:
    struct Answer;
    std::shared_ptr<Answer> answer_;
    std::shared_ptr<SessionBus> bus_;
};

}  // namespace platform::xdg
