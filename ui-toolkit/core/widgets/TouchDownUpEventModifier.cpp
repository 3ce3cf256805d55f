#include "ui-toolkit/core/widgets/TouchDownUpEventModifier.h"

#include <memory>

#include "Brindle/widgets/PressTracker.h"

namespace brindle_core {

void onTouchDownUp(QWidget* view, std::function<void(bool)> pressed) {
    auto dragged = std::make_shared<bool>(false);
    auto shared = std::make_shared<std::function<void(bool)>>(std::move(pressed));
    new Brindle::PressTracker(
        view,
        [dragged, shared](QPointF) {
            if (*dragged) return;
            *dragged = true;
            if (*shared) (*shared)(true);
        },
        [dragged, shared](QPointF) {
            *dragged = false;
            if (*shared) (*shared)(false);
        });
}

}  // namespace brindle_core
