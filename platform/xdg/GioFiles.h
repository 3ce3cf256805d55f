#pragma once

#include <optional>
#include <string>

namespace platform::xdg {

// GIO reads the lists of default applications (mimeapps.list, defaults.list, mimeinfo.cache) on
// its first use and after they change, and the entries of the applications it starts or chooses,
// each with a blocking open and whole: a FIFO there would hold the caller for ever, and with it
// every other use of GIO. The first such file that is no regular file, so that the caller can
// refuse instead of calling GIO; with `entries`, the desktop entries of the applications folders too.
std::optional<std::string> gioBlockingFile(bool entries = false);

}  // namespace platform::xdg
