#pragma once
// The user's consent to watch and act on other programs' windows, kept as a file: X11 asks no
// permission of its own.

#include <string>

namespace platform::x11 {

class X11Consent {
public:
    explicit X11Consent(std::string path) : path_(std::move(path)) {}

    const std::string& path() const { return path_; }
    // Whether the file is there now, as a regular file (a link to one counts).
    bool given() const;
    // Writes the file, replacing whatever lies at its path (a link is replaced, never followed,
    // with one line on stderr); false when it cannot be written.
    bool record() const;

private:
    const std::string path_;
};

}  // namespace platform::x11
