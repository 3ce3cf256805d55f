#pragma once

#include <atomic>
#include <memory>

#include "Brindle/Object.h"

namespace Brindle {

// Switches of the toolkit's own behaviour.
class Config : public Object {
public:
    static std::shared_ptr<Config> shared();

    // Error texts carry their technical detail too.
    bool showDebugInfo() const { return showDebugInfo_.load(); }
    void setShowDebugInfo(bool show) { showDebugInfo_.store(show); }

private:
    std::atomic<bool> showDebugInfo_{false};
};

}  // namespace Brindle
