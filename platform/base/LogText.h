#pragma once

#include <string>
#include <string_view>

namespace platform {

// Outside text made safe for a log line: control characters (C0, DEL, C1) are written as "\n",
// "\t", "\r", "\\" and "\x1b" / "\u009b" escapes, and bytes that are no UTF-8 as "\xff", so that
// no title or key can start a line of its own or drive the terminal. Other text is kept.
std::string escapedForLog(std::string_view text);

}  // namespace platform
