#include "Velmora/taskbar/ButtonRowFit.h"

#include <algorithm>
#include <cstdint>

namespace Velmora {

ButtonRowFit fitButtonRow(int space, int buttons, int gaps, ButtonRowFit full) {
    if (buttons <= 0) return full;
    const std::int64_t room = std::max(space, 0);
    const std::int64_t spaces = std::max(gaps, 0);
    const std::int64_t needed = std::int64_t{buttons} * full.buttonWidth + spaces * full.spacing;
    if (needed <= room) return full;
    // The spacing's share first, rounded down; the buttons share what it leaves.
    auto spacing = static_cast<int>(full.spacing * room / needed);
    auto width = static_cast<int>((room - spaces * spacing) / buttons);
    return {std::clamp(width, 1, full.buttonWidth), spacing};
}

}  // namespace Velmora
