#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "platform/xdg/DesktopEntries.h"
#include "tests/platform/xdg/XdgTesting.h"

namespace fs = std::filesystem;
using namespace platform::xdg;

static std::vector<std::string> idsIn(const std::string& folder) {
    std::vector<std::string> ids;
    for (const auto& file : entryFiles(folder)) ids.push_back(file.id);
    return ids;
}

TEST(DesktopEntriesTests, LinksBackUpTheTreeAreWalkedOnceAndSubfoldersJoinTheId) {
    test_support::TemporaryFolder folder;
    const auto apps = folder / "applications";
    for (const char* path : {"applications/kde", "elsewhere", "applications/kde/empty"})
        fs::create_directories(folder / path);
    const std::string entry = "[Desktop Entry]\nType=Application\nName=Ok\nExec=true\n";
    for (const char* path : {"applications/ok.desktop", "applications/kde/editor.desktop",
                             "elsewhere/x.desktop", "applications/notes.txt"})
        test_support::writeFile(folder / path, entry);
    // Two links back to the folder made 2^40 paths; a link down into another real folder counts.
    fs::create_directory_symlink(".", apps + "/a");
    fs::create_directory_symlink(".", apps + "/b");
    fs::create_directory_symlink("..", apps + "/kde/up");
    fs::create_directory_symlink("../elsewhere", apps + "/more");
    fs::create_symlink("nowhere", apps + "/dangling.desktop");
    ::mkfifo((apps + "/pipe.desktop").c_str(), 0600);
    EXPECT_EQ(idsIn(apps), (std::vector<std::string>{"kde-editor", "more-x", "ok"}));
    EXPECT_TRUE(idsIn(folder / "missing").empty());
}

TEST(DesktopEntriesTests, OnlySmallRegularFilesAreReadAndOnlyShownEntriesCount) {
    xdg_testing::Desktop::shared();
    test_support::TemporaryFolder folder;
    ::mkfifo((folder / "pipe.desktop").c_str(), 0600);
    // Neither blocks nor fills memory.
    EXPECT_EQ(readDesktopEntry("pipe", folder / "pipe.desktop"), std::nullopt);
    test_support::writeFile(
        folder / "large.desktop",
        "[Desktop Entry]\nType=Application\nName=L\nExec=true\n" + std::string(2 << 20, '#'));
    EXPECT_EQ(readDesktopEntry("large", folder / "large.desktop"), std::nullopt);
    const std::pair<std::string, std::optional<std::string>> cases[] = {
        {"Name=Shown\nExec=editor-bin\nIcon=ed\n", "Shown"},
        {"Name=Link\nType=Link\nURL=https://example.org\n", std::nullopt},
        {"Name=Gone\nExec=editor-bin\nNoDisplay=true\n", std::nullopt},
        {"Name=Missing\nExec=/nonexistent/program\n", std::nullopt},
        {"no group at all", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [lines, name] : cases) {
        auto type = lines.find("Type=") == std::string::npos ? "Type=Application\n" : "";
        auto entry = decodeDesktopEntry(
            "id", "/p", lines.starts_with("Name") ? "[Desktop Entry]\n" + std::string(type) + lines : lines);
        EXPECT_EQ(entry ? std::optional(entry->name) : std::nullopt, name) << lines;
    }
}
