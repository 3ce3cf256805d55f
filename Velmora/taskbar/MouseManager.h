#pragma once

#include <memory>

#include "Brindle/Object.h"
#include "platform/system/Geometry.h"
#include "rx/BehaviorRelay.h"

namespace Velmora {

// The pointer position, sampled ten times a second on the main queue. Its x is the platform's;
// its y is measured downwards from the top edge of the first screen, as the bars measure their
// edges. Main thread only.
class MouseManager : public Brindle::Object {
public:
    static constexpr double samplingInterval = 0.1;

    // Created on first use; its timer keeps it alive for the rest of the process.
    static std::shared_ptr<MouseManager> shared();

    const rx::BehaviorRelay<platform::Point> mouseMos{platform::Point{0, 0}};

    void postInit() override;

private:
    void sample();
};

}  // namespace Velmora
