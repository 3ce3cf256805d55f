#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

#include "Velmora/taskbar/ZoneFile.h"

namespace fs = std::filesystem;
using Velmora::ZoneFile;

namespace {

struct Folder {
    Folder() {
        std::string pattern = (fs::temp_directory_path() / "zonefile-XXXXXX").string();
        path = mkdtemp(pattern.data());
    }
    ~Folder() { fs::remove_all(path); }
    void write(const std::string& name, const std::string& text) const {
        std::ofstream(path / name, std::ios::binary | std::ios::trunc) << text;
    }
    fs::path path;
};

}  // namespace

// Each change of zone that a system makes, and whether the held handles tell it.
TEST(ZoneFile, TellsAReplacedLinkOrFileAndAnEditedFileButNotAnUntouchedOne) {
    struct Case {
        const char* name;
        // Makes /etc/localtime's stand-in, then changes it (or not).
        std::function<void(const Folder&, const fs::path&)> make, change;
        bool changed;
    };
    const auto link = [](const char* target) {
        return [target](const Folder& folder, const fs::path& path) {
            folder.write(target, std::string("zone ") + target);
            fs::create_symlink(folder.path / target, path.string() + ".new");
            fs::rename(path.string() + ".new", path);
        };
    };
    const auto file = [](const char* text) {
        return [text](const Folder& folder, const fs::path& path) {
            folder.write("file.new", text);
            fs::rename(folder.path / "file.new", path);
        };
    };
    const std::vector<Case> cases = {
        {"an untouched link", link("Berlin"), [](const Folder&, const fs::path&) {}, false},
        {"a link moved to another zone", link("Berlin"), link("Tokyo"), true},
        {"the linked zone file replaced", link("Berlin"),
         [](const Folder& folder, const fs::path&) {
             folder.write("Berlin.new", "rules 2"),
                 fs::rename(folder.path / "Berlin.new", folder.path / "Berlin");
         },
         true},
        {"an untouched copy", file("Berlin"), [](const Folder&, const fs::path&) {}, false},
        {"a copy replaced", file("Berlin"), file("Tokyo"), true},
        {"a copy written over in place", file("Berlin"),
         [](const Folder&, const fs::path& path) {
             std::ofstream(path, std::ios::binary | std::ios::trunc) << "Tokyo, longer";
         },
         true},
        {"the file removed", file("Berlin"), [](const Folder&, const fs::path& path) { fs::remove(path); },
         true},
    };
    for (const auto& each : cases) {
        Folder folder;
        const auto path = folder.path / "localtime";
        each.make(folder, path);
        ZoneFile zone(path.string());
        const auto before = zone.identity();
        EXPECT_NE(before, ZoneFile::Identity{}) << each.name;
        EXPECT_EQ(zone.identity(), before) << each.name << ": read twice";
        each.change(folder, path);
        EXPECT_EQ(zone.identity() != before, each.changed) << each.name;
    }
}

TEST(ZoneFile, AMissingFileReadsAsNoneUntilOneAppears) {
    Folder folder;
    const auto path = folder.path / "localtime";
    ZoneFile zone(path.string());
    EXPECT_EQ(zone.identity(), ZoneFile::Identity{});
    folder.write("localtime", "UTC");
    const auto appeared = zone.identity();
    EXPECT_NE(appeared, ZoneFile::Identity{});
    EXPECT_EQ(zone.identity(), appeared);
}
