#include "platform/qt/Spring.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace platform::qt {

double Spring::value(double seconds) const {
    if (seconds <= 0) return 0;
    double omega = 2 * std::numbers::pi / std::max(response, 1e-6);
    double zeta = std::max(dampingFraction, 0.0);
    double t = seconds;
    if (std::abs(zeta - 1.0) < 1e-9) return 1.0 - (1.0 + omega * t) * std::exp(-omega * t);
    if (zeta < 1.0) {
        double damped = omega * std::sqrt(1.0 - zeta * zeta);
        return 1.0 - std::exp(-zeta * omega * t) *
                         (std::cos(damped * t) + zeta * omega / damped * std::sin(damped * t));
    }
    double root = omega * std::sqrt(zeta * zeta - 1.0);
    double fast = -zeta * omega - root, slow = -zeta * omega + root;
    return 1.0 - (fast * std::exp(slow * t) - slow * std::exp(fast * t)) / (fast - slow);
}

double Spring::settlingTime() const {
    // The curve may cross the band several times: walk it and keep the last time it was outside.
    // The slowest decay rate bounds how far there is to look.
    double omega = 2 * std::numbers::pi / std::max(response, 1e-6);
    double zeta = std::max(dampingFraction, 0.01);
    double rate = zeta <= 1.0 ? zeta * omega : omega * (zeta - std::sqrt(zeta * zeta - 1.0));
    double horizon = (std::log(1.0 / settledWithin) + 8.0) / rate;
    double step = std::min(response, horizon) / 2000.0;
    double last = 0;
    for (double t = 0; t <= horizon; t += step)
        if (std::abs(1.0 - value(t)) > settledWithin) last = t;
    return last + step;
}

}  // namespace platform::qt
