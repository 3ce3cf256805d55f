#pragma once

namespace Brindle {

// Numeric helpers. No function checks for an empty input range: it divides by zero as floating point
// does. Each result follows the order of operations written beside it, which decides its rounding.
struct Math {
    // ((value − inMin) × (outMax − outMin)) / (inMax − inMin) + outMin
    static double map(double value, double inMin, double inMax, double outMin, double outMax) {
        return ((value - inMin) * (outMax - outMin)) / (inMax - inMin) + outMin;
    }
    // (outMax − outMin) × ((value − inMin) / (inMax − inMin)) + outMin
    static double interpolate(double value, double outMin, double outMax, double inMin, double inMax) {
        return (outMax - outMin) * ((value - inMin) / (inMax - inMin)) + outMin;
    }
    // (to − from) × t + from
    static double lerp(double t, double from, double to) { return (to - from) * t + from; }

    // `max` when it is below the value, else `min` when the value is below it, else the value.
    static double clamp(double value, double min, double max) {
        if (max < value) return max;
        if (value < min) return min;
        return value;
    }
    static int clamp(int value, int min, int max) {
        if (max < value) return max;
        if (value < min) return min;
        return value;
    }
};

}  // namespace Brindle
