#pragma once

#include <QWidget>
#include <functional>

namespace brindle_core {

// Reports presses on `view` (or inside it): `pressed(true)` once when one goes down, however far
// it then moves, and `pressed(false)` once when it is released.
void onTouchDownUp(QWidget* view, std::function<void(bool)> pressed);

}  // namespace brindle_core
