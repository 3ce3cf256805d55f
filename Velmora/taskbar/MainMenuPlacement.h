#pragma once

#include "platform/system/Geometry.h"

namespace Velmora {

// Keeps a main menu on a screen too small for it. `wanted` is the menu's usual frame, standing on
// the bar; `visible` is its screen's visible frame (both in the platform's coordinates, y up).
// Where the menu fits it stays where it was wanted. Otherwise it moves across into the visible
// frame (narrowed only when wider than it) and keeps its bottom on the bar while its top is cut
// to the visible top; a menu that would end up shorter than `minimumHeight` moves down over the
// bar instead, as little as the screen allows.
struct MainMenuPlacement {
    static constexpr double minimumHeight = 240.0;

    static platform::Rect fit(const platform::Rect& wanted, const platform::Rect& visible);
};

}  // namespace Velmora
