#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "Brindle/Object.h"
#include "platform/system/Event.h"
#include "platform/system/Geometry.h"
#include "rx/BehaviorRelay.h"

namespace Velmora {

// The pointer position, sampled ten times a second on the main queue while the pointer moves
// (from creation, and from every move event until it has kept still for `quietTime`). Its x is
// the platform's; its y is measured downwards from the top edge of the first screen, as the bars
// measure their edges. Main thread only.
class MouseManager : public Brindle::Object {
public:
    static constexpr double samplingInterval = 0.1;
    static constexpr double quietTime = 2.0;

    // Created on first use; its timer keeps it alive for the rest of the process.
    static std::shared_ptr<MouseManager> shared();

    const rx::BehaviorRelay<platform::Point> mouseMos{platform::Point{0, 0}};

    void postInit() override;
    ~MouseManager() override;

private:
    void startSampling();
    // False once the pointer has kept still for the quiet time.
    bool sample();

    std::shared_ptr<platform::EventMonitors> monitors_;
    std::vector<std::shared_ptr<platform::EventMonitor>> installed_;
    bool sampling_ = false;
    int stillSamples_ = 0;
    std::optional<platform::Point> lastLocation_;
};

}  // namespace Velmora
