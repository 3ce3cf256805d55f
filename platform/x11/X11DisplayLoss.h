#pragma once

#include <string>

namespace platform::x11 {

// From this call on, a program that exits while the display has gone ends at once with status 1:
// the toolkit ends it from inside its event loop, and the threads still running must not meet the
// static objects being torn down. An exit with the display still there goes on as usual.
void endAtOnceWhenTheDisplayGoes(const std::string& displayName = {});

}  // namespace platform::x11
