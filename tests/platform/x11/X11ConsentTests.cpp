#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <functional>

#include "platform/x11/X11Consent.h"
#include "tests/support/TemporaryFolder.h"

namespace fs = std::filesystem;

// Only the file the consent writes counts; whatever else is at its path is no consent and never
// holds the look at it.
TEST(X11Consent, OnlyARegularFileAtThePathIsConsent) {
    test_support::TemporaryFolder folder;
    const platform::x11::X11Consent consent(folder / "consent");
    const std::pair<const char*, std::function<void()>> cases[] = {
        {"nothing", [] {}},
        {"a FIFO", [&] { ::mkfifo(consent.path().c_str(), 0600); }},
        {"a link to /dev/zero", [&] { fs::create_symlink("/dev/zero", consent.path()); }},
        {"a folder", [&] { fs::create_directory(consent.path()); }},
    };
    for (const auto& [what, make] : cases) {
        make();
        EXPECT_FALSE(consent.given()) << what;
        fs::remove(consent.path());
    }
    ASSERT_TRUE(consent.record());
    EXPECT_TRUE(consent.given());
    fs::rename(consent.path(), folder / "real");
    fs::create_symlink(folder / "real", consent.path());
    EXPECT_TRUE(consent.given()) << "a link to a recorded consent";
}
