#pragma once

#include <cstdint>
#include <mutex>

#include "platform/sim/SimulatedDesktop.h"

namespace Velmora {

// The display's pointer and modifier keys for the simulated desktop, wherever they are: X11
// answers both at any time, whichever window has the focus. Qt may only be asked on the main
// thread; other threads get what it answered last.
class DisplayInput final : public platform::sim::InputSource {
public:
    platform::Point mouseLocation() override;
    std::uint64_t modifierFlags() override;

private:
    std::mutex mutex_;
    platform::Point mouseLocation_;
    std::uint64_t modifierFlags_ = 0;
};

}  // namespace Velmora
