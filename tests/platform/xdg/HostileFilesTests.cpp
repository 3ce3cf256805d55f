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

std::string said(std::optional<xdg::ColorSchemePreference> preference) {
    if (!preference) return "none";
    return *preference == xdg::ColorSchemePreference::dark ? "dark" : "light";
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
        const char* file;
        std::string path;
        // What a real file says, so that a reader that read past the limit would be seen.
        std::string contents;
        std::uint64_t limit;
        std::function<std::string()> read;
    };
    const Row rows[] = {
        {"settings.ini (light or dark)", desktop.path("config/gtk-3.0/settings.ini"),
         "[Settings]\ngtk-application-prefer-dark-theme=true\n", FileLimits::keyFile,
         [] {
             return said(
                 xdg::DesktopColorScheme::open(nullptr, nullptr, "unix:path=/nonexistent")->preference());
         }},
        {"settings.ini (icon theme)", desktop.path("config/gtk-4.0/settings.ini"),
         "[Settings]\ngtk-icon-theme-name=Hostile\n", FileLimits::keyFile,
         [] { return joined(xdg::IconTheme::userThemes()); }},
        {"kdeglobals", desktop.path("config/kdeglobals"), "[Icons]\nTheme=Hostile\n", FileLimits::keyFile,
         [] { return joined(xdg::IconTheme::userThemes()); }},
        {"user-dirs.dirs", desktop.path("config/user-dirs.dirs"), "XDG_DESKTOP_DIR=\"$HOME/Bureau\"\n",
         FileLimits::keyFile, [] { return xdg::userDesktopFolder(); }},
        {"defaults", defaults, "{\"key\": true}", FileLimits::userDefaults,
         [defaults] { return std::to_string(UserDefaults(defaults).boolForKey("key")); }},
        {"desktop entry", entry, "[Desktop Entry]\nType=Application\nName=Hostile\nExec=hostile-bin\n",
         FileLimits::keyFile,
         [entry] {
             auto read = xdg::readDesktopEntry("hostile", entry);
             return read ? read->name : "none";
         }},
        {"index.theme", desktop.path("home/.icons/Hostile/index.theme"),
         "[Icon Theme]\nName=H\nDirectories=apps\n[apps]\nSize=48\n", FileLimits::themeIndex,
         [] { return xdg::IconTheme({"Hostile"}).lookup("h", 48).value_or("none"); }},
        {"autostart entry", xdg::AutostartLoginItem::entryPath(),
         "[Desktop Entry]\nType=Application\nExec=/x/velmora\n", FileLimits::keyFile,
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
        ASSERT_NE(row.read(), nothing) << row.file << ": the real file counts";
        for (const auto& [kind, plant] : kinds) {
            fs::remove(row.path);
            plant(row);
            EXPECT_EQ(within(row.read, row.path), nothing) << row.file << " as " << kind;
        }
        fs::remove(row.path);
    }
    EXPECT_LT(peakMemory() - memoryBefore, 64 * 1024) << "kilobytes more at the peak";
}

// GIO reads an entry again to start it, and the lists of default applications to open an address,
// each with a blocking open: a FIFO in their place fails the start or the opening at once.
TEST(HostileFiles, StartingAndOpeningPassOverAFifoThatGioWouldWaitOn) {
    auto& desktop = xdg_testing::Desktop::shared();
    const auto entry = desktop.path("home/.local/share/applications/hostile-start.desktop");
    const auto list = desktop.path("config/mimeapps.list");
    const auto kept = test_support::readWholeFile(list);
    const std::pair<std::string, std::function<std::string()>> rows[] = {
        {entry,
         [&] { return xdg::launchEntry({.id = "hostile-start", .path = entry}).error.value_or("started"); }},
        {list, [] { return xdg::openURI("https://example.org/").error.value_or("opened"); }},
    };
    for (const auto& [path, start] : rows) {
        fs::remove(path);
        ASSERT_EQ(::mkfifo(path.c_str(), 0600), 0);
        auto said = within(start, path);
        ASSERT_TRUE(said) << path;
        EXPECT_NE(said->find(path), std::string::npos) << *said;
        fs::remove(path);
    }
    test_support::writeFile(list, kept);
}
