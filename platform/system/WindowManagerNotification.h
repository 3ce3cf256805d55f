#pragma once

namespace platform {

// Posted on the workspace's notification centre, on the main thread, when another window manager
// has taken over the display (or the same one restarted): what the old one was told about our own
// windows (dock type, strut, stacking) must be told again.
inline constexpr const char* windowManagerDidChangeNotification = "VelmoraWindowManagerDidChange";

}  // namespace platform
