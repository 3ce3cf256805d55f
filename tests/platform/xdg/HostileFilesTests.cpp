#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <future>
#include <thread>

#include "platform/foundation/BoundedFile.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/xdg/AutostartLoginItem.h"
#include "platform/xdg/DesktopApplications.h"
#include "platform/xdg/DesktopColorScheme.h"
#include "platform/xdg/DesktopEntries.h"
#include "platform/xdg/IconTheme.h"
#include "platform/xdg/Launcher.h"
#include "platform/xdg/UserDirectories.h"
#include "tests/platform/xdg/XdgTesting.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

std::string joined(const std::vector<std::string>& items) {
    std::string text;
    for (const auto& item : items) text += item + ";";
    return text;
}

// The peak of the process's resident memory, in kilobytes.
long peakMemory() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.starts_with("VmHWM:")) return std::stol(line.substr(6));
    return 0;
}

// What `read` gives, or none when it is still busy after ten seconds. A reader stuck on the FIFO
// at `path` is then let go by a writer that opens and closes it.
std::optional<std::string> within(const std::function<std::string()>& read, const std::string& path) {
    auto result = std::make_shared<std::promise<std::string>>();
    auto answer = result->get_future();
    std::thread([read, result] { result->set_value(read()); }).detach();
    if (answer.wait_for(std::chrono::seconds(10)) == std::future_status::ready) return answer.get();
    int writer = ::open(path.c_str(), O_WRONLY | O_NONBLOCK);
    if (writer >= 0) ::close(writer);
    return std::nullopt;
}

}  // namespace

// Every file the program reads from the user's folders: a FIFO there, a link to an endless device
// or a file past its size limit gives at once what no file gives, and memory stays as it was.
TEST(HostileFiles, EachReaderPassesOverAFifoAnEndlessDeviceAndAnOversizedFile) {
    auto& desktop = xdg_testing::Desktop::shared();
    // Only the test's own GTK settings count.
    ::setenv("XDG_CONFIG_DIRS", desktop.path("system-config").c_str(), 1);
    desktop.write("bin/hostile-bin", "#!/bin/sh\n");
    fs::permissions(desktop.path("bin/hostile-bin"), fs::perms::owner_all);
    desktop.write("home/.icons/Hostile/apps/h.png", xdg_testing::png);
    const auto entry = desktop.path("home/.local/share/applications/hostile.desktop");
    const auto defaults = desktop.path("config/velmora/defaults.json");
    fs::create_directories(desktop.path("config/velmora"));

    struct Row {
        std::string path;
        // What a real file says, so that a reader that read past the limit would be seen.
        std::string contents;
        std::uint64_t limit;
        std::function<std::string()> read;
    };
    const Row rows[] = {
        {desktop.path("config/gtk-3.0/settings.ini"), "[Settings]\ngtk-application-prefer-dark-theme=true\n",
         FileLimits::keyFile,
         [] {
             auto said =
                 xdg::DesktopColorScheme::open(nullptr, nullptr, "unix:path=/nonexistent")->preference();
             return said ? std::to_string(static_cast<int>(*said)) : "none";
         }},
        {desktop.path("config/gtk-4.0/settings.ini"), "[Settings]\ngtk-icon-theme-name=Hostile\n",
         FileLimits::keyFile, [] { return joined(xdg::IconTheme::userThemes()); }},
        {desktop.path("config/kdeglobals"), "[Icons]\nTheme=Hostile\n", FileLimits::keyFile,
         [] { return joined(xdg::IconTheme::userThemes()); }},
        {desktop.path("config/user-dirs.dirs"), "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n", FileLimits::keyFile,
         [] { return xdg::userDesktopFolder(); }},
        {defaults, "{\"key\": true}", FileLimits::userDefaults,
         [defaults] { return std::to_string(UserDefaults(defaults).boolForKey("key")); }},
        {entry, "[Desktop Entry]\nType=Application\nName=Hostile\nExec=hostile-bin\n", FileLimits::keyFile,
         [entry] {
             auto read = xdg::readDesktopEntry("hostile", entry);
             return read ? read->name : "none";
         }},
        {desktop.path("home/.icons/Hostile/index.theme"),
         "[Icon Theme]\nName=H\nDirectories=apps\n[apps]\nSize=48\n", FileLimits::themeIndex,
         [] { return xdg::IconTheme({"Hostile"}).lookup("h", 48).value_or("none"); }},
        {xdg::AutostartLoginItem::entryPath(), "[Desktop Entry]\nType=Application\nExec=/x/velmora\n",
         FileLimits::keyFile,
         [] { return std::to_string(static_cast<int>(xdg::AutostartLoginItem("/x/velmora").status())); }},
    };
    using Plant = std::function<void(const Row&)>;
    const std::pair<const char*, Plant> kinds[] = {
        {"a FIFO", [](const Row& row) { ASSERT_EQ(::mkfifo(row.path.c_str(), 0600), 0); }},
        {"a link to /dev/zero", [](const Row& row) { fs::create_symlink("/dev/zero", row.path); }},
        {"an oversized file",
         [](const Row& row) {
             test_support::writeFile(row.path, row.contents);
             fs::resize_file(row.path, row.limit + 1);
         }},
    };
    const auto memoryBefore = peakMemory();
    for (const auto& row : rows) {
        fs::create_directories(fs::path(row.path).parent_path());
        const auto nothing = row.read();
        test_support::writeFile(row.path, row.contents);
        ASSERT_NE(row.read(), nothing) << row.path << ": the real file counts";
        for (const auto& [kind, plant] : kinds) {
            fs::remove(row.path);
            plant(row);
            EXPECT_EQ(within(row.read, row.path), nothing) << row.path << " as " << kind;
        }
        fs::remove(row.path);
    }
    EXPECT_LT(peakMemory() - memoryBefore, 64 * 1024) << "kilobytes more at the peak";
}

// GIO reads an entry again to start it, its lists of default applications on any use, and the
// default application's entry to open an address, each with a blocking open: a FIFO in their place
// fails the start, the opening or the entry's reading at once, saying which file is at fault.
TEST(HostileFiles, StartingOpeningAndReadingEntriesPassOverAFifoThatGioWouldWaitOn) {
    auto& desktop = xdg_testing::Desktop::shared();
    const auto entry = desktop.path("home/.local/share/applications/hostile-start.desktop");
    const auto list = desktop.path("config/mimeapps.list");
    const auto handler = desktop.path("home/.local/share/applications/browser.desktop");
    const xdg_testing::KeptFile kept(list);
    const xdg::DesktopEntry editor{.id = "org.example.Editor",
                                   .path = desktop.path("share/applications/org.example.Editor.desktop")};
    const auto start = [](const xdg::DesktopEntry& entry) {
        return [entry] { return xdg::launchEntry(entry).error.value_or("started"); };
    };
    const auto open = [] { return xdg::openURI("https://example.org/").error.value_or("opened"); };
    const auto read = [editor] {
        auto read = xdg::readDesktopEntry(editor.id, editor.path);
        return read ? read->name : "left out";
    };
    const auto update = [&desktop] {
        xdg::DesktopApplications applications(desktop.path("cache/velmora-hostile"));
        applications.update();
        return "updated with " + std::to_string(applications.entries().size()) + " entries";
    };
    const std::tuple<const char*, std::string, std::function<std::string()>, std::string> rows[] = {
        {"starting an entry that is a FIFO", entry, start({.id = "hostile-start", .path = entry}), entry},
        {"starting with a FIFO for mimeapps.list", list, start(editor), list},
        {"opening with a FIFO for mimeapps.list", list, open, list},
        {"reading an entry with a FIFO for mimeapps.list", list, read, "left out"},
        {"updating the applications with a FIFO for mimeapps.list", list, update, "updated with 0 entries"},
        {"opening with a FIFO for the default application", handler, open, handler},
    };
    for (const auto& [what, path, act, expected] : rows) {
        fs::remove(path);
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        auto said = within(act, path);
        ASSERT_TRUE(said) << what;
        EXPECT_NE(said->find(expected), std::string::npos) << what << ": " << *said;
        fs::remove(path);
    }
}
