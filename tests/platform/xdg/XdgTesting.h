#pragma once

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/support/TemporaryFolder.h"

namespace xdg_testing {

inline const std::string png(
    "\x89\x50\x4e\x47\x0d\x0a\x1a\x0a\x00\x00\x00\x0d\x49\x48\x44\x52\x00\x00\x00\x01\x00\x00\x00\x01\x08\x06"
    "\x00\x00\x00\x1f\x15\xc4\x89\x00\x00\x00\x0b\x49\x44\x41\x54\x78\x9c\x63\x60\x00\x02\x00\x00\x05\x00\x01"
    "\x7a\x5e\xab\x3f\x00\x00\x00\x00\x49\x45\x4e\x44\xae\x42\x60\x82",
    68);

// A desktop of our own for the whole test program (GIO reads the XDG folders once per process):
// entries, a default-application list, an icon theme and stub programs, alone on PATH, that
// append "name arguments" to calls.log.
class Desktop {
public:
    static Desktop& shared() {
        static Desktop desktop;
        return desktop;
    }

    std::string path(const std::string& relative) const { return folder_ / relative; }
    std::string dataDir() const { return path("share/applications"); }
    std::string dataHome() const { return path("home/.local/share/applications"); }

    void write(const std::string& relative, const std::string& text) const {
        std::filesystem::create_directories(std::filesystem::path(path(relative)).parent_path());
        test_support::writeFile(path(relative), text);
    }
    void entry(const std::string& folder, const std::string& id, const std::string& lines) const {
        std::filesystem::create_directories(folder);
        test_support::writeFile(folder + "/" + id + ".desktop",
                                "[Desktop Entry]\nType=Application\n" + lines);
    }
    void stub(const std::string& name) const {
        write("bin/" + name, "#!/bin/sh\necho \"${0##*/} $*\" >> " + path("calls.log") + "\n");
        std::filesystem::permissions(path("bin/" + name), std::filesystem::perms::owner_all);
    }

    std::string calls() const { return test_support::readWholeFile(path("calls.log")); }
    void clearCalls() const { std::filesystem::remove(path("calls.log")); }
    // Stubs run as processes of their own: waits up to ten seconds for the line to appear.
    bool waitForCall(const std::string& line) const {
        for (int i = 0; i < 1000 && calls().find(line + "\n") == std::string::npos; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return calls().find(line + "\n") != std::string::npos;
    }

private:
    Desktop() {
        for (const auto& [name, value] : {std::pair<const char*, std::string>{"HOME", path("home")},
                                          {"XDG_DATA_HOME", path("home/.local/share")},
                                          {"XDG_DATA_DIRS", path("share")},
                                          {"XDG_CONFIG_HOME", path("config")},
                                          {"XDG_CACHE_HOME", path("cache")},
                                          {"XDG_CURRENT_DESKTOP", "TestDesk"},
                                          {"LANGUAGE", "de"},
                                          {"PATH", path("bin")},
                                          {"GIO_USE_VFS", "local"}})
            ::setenv(name, value.c_str(), 1);
        for (const char* name : {"editor-bin", "browser-stub", "files-stub", "xterm", "systemctl",
                                 "x-terminal-emulator", "console-tool"})
            stub(name);
        entry(dataDir(), "org.example.Editor",
              "Name=Editor\nName[de]=Bearbeiter\nExec=editor-bin %F\nIcon=example-editor\n"
              "StartupWMClass=ExampleEdit\n");
        entry(dataDir(), "browser", "Name=Browser\nExec=browser-stub %u\nMimeType=x-scheme-handler/https;\n");
        entry(dataDir(), "files", "Name=Files\nExec=files-stub %U\nMimeType=inode/directory;\n");
        entry(dataDir(), "console-tool", "Name=Console Tool\nExec=console-tool --flag\nTerminal=true\n");
        entry(dataDir(), "helper", "Name=Helper\nExec=editor-bin\nNoDisplay=true\n");
        entry(dataDir(), "broken", "Name=Broken\nExec=broken\nTryExec=/nonexistent/broken\n");
        entry(dataDir(), "elsewhere", "Name=Elsewhere\nExec=editor-bin\nOnlyShowIn=OtherDesk;\n");
        entry(dataDir(), "masked", "Name=Masked\nExec=editor-bin\n");
        entry(dataHome(), "masked", "Name=Masked\nExec=editor-bin\nHidden=true\n");
        write("config/mimeapps.list",
              "[Default Applications]\nx-scheme-handler/https=browser.desktop\n"
              "inode/directory=files.desktop\n");
        write("share/icons/hicolor/index.theme",
              "[Icon Theme]\nName=Hicolor\nDirectories=16x16/apps,48x48/apps,scalable/apps\n"
              "[16x16/apps]\nSize=16\nType=Fixed\n[48x48/apps]\nSize=48\nType=Fixed\n"
              "[scalable/apps]\nSize=128\nMinSize=8\nMaxSize=512\nType=Scalable\n");
        for (const char* size : {"16x16", "48x48"})
            write("share/icons/hicolor/" + std::string(size) + "/apps/example-editor.png", png);
        write("share/icons/hicolor/scalable/apps/vector.svg", "<svg xmlns=\"http://www.w3.org/2000/svg\"/>");
        std::filesystem::create_directories(path("home/Downloads"));
    }

    test_support::TemporaryFolder folder_;
};

}  // namespace xdg_testing
