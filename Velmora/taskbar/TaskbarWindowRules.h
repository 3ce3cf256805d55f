#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "Velmora/tracking/Task.h"
#include "platform/system/Geometry.h"

namespace Velmora {

// The rules a bar window decides by, apart from its window. Main thread only.
namespace TaskbarWindowRules {

// Two windows side by side fill the screen when their widths add up to the screen's width, or
// fall short of it by at most this much.
inline constexpr double sideBySideTolerance = 50.0;

// The windows of the screen with this index that are not minimised and touch 3 or more of its
// edges, in order.
Windows fullscreenCandidates(const Windows& windows, std::int64_t screenIndex);

// Whether the candidates fill a screen: one touching all four edges exactly as wide as the screen,
// or a left-touching and a right-touching one side by side. `screenWidth` is read at each
// comparison.
bool fillsScreen(const Windows& candidates, const std::function<double()>& screenWidth);

// A bar's last full-screen decision and what it was made from: the stamp of the window reading,
// the screen's index and its width. While all three stay the same the decision stands, so a test
// on an unchanged desktop compares instead of going through every window again.
class FullscreenMemo {
public:
    // The last decision, when it was made from the same; none without a stamp.
    std::optional<bool> recall(std::optional<std::uint64_t> stamp, std::int64_t screenIndex,
                               double screenWidth) const;
    // Without a stamp nothing is kept, and the next test decides afresh.
    void store(std::optional<std::uint64_t> stamp, std::int64_t screenIndex, double screenWidth, bool fills);

private:
    struct Decision {
        std::uint64_t stamp;
        std::int64_t screenIndex;
        double screenWidth;
        bool fills;
    };
    std::optional<Decision> last_;
};

// The tasks the bar of the screen with this index shows: all of them, or with `runningScreensOnly`
// those with a window on that screen and those without windows (pinned, not running), in order.
TaskList tasksOnScreen(const TaskList& tasks, std::int64_t screenIndex, bool runningScreensOnly);

// `frame` measured from the top of the first screen, whose frame height is `firstScreenHeight`.
platform::Rect invertedFrame(const platform::Rect& frame, double firstScreenHeight);

// "(x, y, width, height)".
std::string describe(const platform::Rect& rect);

// Whether the pointer is in the band at the bottom of a hidden bar's screen. Entering needs the
// bottom 5 points; once in, the band widens to 60 so the revealed bar does not flicker away.
class EdgeBand {
public:
    static constexpr double enterHeight = 5.0;
    static constexpr double stayHeight = 60.0;

    // `bottom` is the screen's bottom edge and `y` the pointer's, both measured downwards from the
    // top of the first screen; none when the screen is unknown, which leaves the band as it was.
    bool update(double y, std::optional<double> bottom);
    bool revealed() const { return revealed_; }

private:
    bool revealed_ = false;
};

}  // namespace TaskbarWindowRules

}  // namespace Velmora
