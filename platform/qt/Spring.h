#pragma once

namespace platform::qt {

// A damped mass-spring moving from 0 to 1, starting at rest: `response` is the period in seconds
// of the undamped spring (angular frequency 2π ÷ response) and `dampingFraction` its damping
// ratio. Under 1 it overshoots and swings back, at 1 it arrives as fast as it can without
// overshooting, above 1 it creeps in.
struct Spring {
    double response = 0.5;
    double dampingFraction = 1.0;

    // How far it has come after `seconds`.
    double value(double seconds) const;
    // The time after which it stays within `settledWithin` of 1 (a pixel of a 1000-pixel move).
    double settlingTime() const;

    static constexpr double settledWithin = 0.001;
};

}  // namespace platform::qt
