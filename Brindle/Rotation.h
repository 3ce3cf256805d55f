#pragma once

#include <memory>

#include "Brindle/Object.h"

namespace Brindle {

// An angle, kept in radians.
class Rotation : public Object {
public:
    struct Degrees {
        double value;
    };
    struct Radians {
        double value;
    };

    explicit Rotation(Degrees degrees) : radiansValue_(degrees.value * 6.283185307179586 / 360) {}
    explicit Rotation(Radians radians) : radiansValue_(radians.value) {}

    virtual double radiansValue() const { return radiansValue_; }
    virtual void setRadiansValue(double radians) { radiansValue_ = radians; }
    virtual double radians() const { return radiansValue(); }
    virtual double degrees() const { return radiansValue() * 180 / 3.141592653589793; }

    // Shared objects, made once on first use.
    static std::shared_ptr<Rotation> zero();
    static std::shared_ptr<Rotation> quarterTurn();
    static std::shared_ptr<Rotation> halfTurn();
    static std::shared_ptr<Rotation> threeQuarterTurn();

    friend bool operator==(const Rotation& a, const Rotation& b) {
        return a.radiansValue() == b.radiansValue();
    }

private:
    double radiansValue_;
};

}  // namespace Brindle
