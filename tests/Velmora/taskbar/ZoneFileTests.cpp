#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "Velmora/taskbar/ZoneFile.h"
#include "tests/support/TemporaryFolder.h"

namespace fs = std::filesystem;
using Velmora::ZoneFile;

namespace {

// Writes `name` anew beside it and renames it into place, as a system replaces its zone files.
void replace(const fs::path& folder, const std::string& name, const std::string& text) {
    test_support::writeFile(folder / "new", text);
    fs::rename(folder / "new", folder / name);
}

}  // namespace

// Each change of zone that a system makes, and whether the held handles tell it.
TEST(ZoneFile, TellsEveryWayASystemChangesItsZoneButNotAnUntouchedFile) {
    using Step = std::function<void(const fs::path&)>;
    const auto link = [](std::string zone) -> Step {
        return [zone](const fs::path& folder) {
            replace(folder, zone, "zone " + zone);
            fs::create_symlink(folder / zone, folder / "new");
            fs::rename(folder / "new", folder / "localtime");
        };
    };
    const auto copy = [](std::string text) -> Step {
        return [text](const fs::path& f) { replace(f, "localtime", text); };
    };
    const struct {
        const char* what;
        Step make, change;
    } cases[] = {
        {"a link moved to another zone", link("Berlin"), link("Tokyo")},
        {"the linked zone file replaced", link("Berlin"),
         [](const fs::path& f) { replace(f, "Berlin", "2"); }},
        {"a copy replaced", copy("Berlin"), copy("Tokyo")},
        {"a copy written over in place", copy("Berlin"),
         [](const fs::path& f) { test_support::writeFile(f / "localtime", "Tokyo, longer"); }},
        {"the file removed", copy("Berlin"), [](const fs::path& f) { fs::remove(f / "localtime"); }},
        {"a file where there was none", [](const fs::path&) {}, copy("UTC")},
    };
    for (const auto& each : cases) {
        test_support::TemporaryFolder folder;
        each.make(folder.path());
        ZoneFile zone(folder / "localtime");
        const auto before = zone.identity();
        EXPECT_EQ(zone.identity(), before) << each.what << ", untouched";
        each.change(folder.path());
        const auto after = zone.identity();
        EXPECT_NE(after, before) << each.what;
        EXPECT_EQ(after == ZoneFile::Identity{}, !fs::exists(folder / "localtime")) << each.what;
    }
}
