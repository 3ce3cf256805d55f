#include "Brindle/Rotation.h"

namespace Brindle {
namespace {

// Never destroyed, like every shared object of the toolkit.
std::shared_ptr<Rotation>* makeShared(double radians) {
    return new std::shared_ptr<Rotation>(make<Rotation>(Rotation::Radians{radians}));
}

}  // namespace

std::shared_ptr<Rotation> Rotation::zero() {
    static auto* rotation = makeShared(0);
    return *rotation;
}

std::shared_ptr<Rotation> Rotation::quarterTurn() {
    static auto* rotation = makeShared(1.5707963267948966);
    return *rotation;
}

std::shared_ptr<Rotation> Rotation::halfTurn() {
    static auto* rotation = makeShared(3.141592653589793);
    return *rotation;
}

std::shared_ptr<Rotation> Rotation::threeQuarterTurn() {
    static auto* rotation = makeShared(4.71238898038469);
    return *rotation;
}

}  // namespace Brindle
