#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/TemporaryFolder.h"
#include "tests/support/Waiting.h"

namespace xdg_testing {

// An icon file: its bytes are copied and only its signature read.
inline const std::string png("\x89PNG\r\n\x1a\n", 8);

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
    void write(const std::string& relative, const std::string& text) const {
        std::filesystem::create_directories(std::filesystem::path(path(relative)).parent_path());
        test_support::writeFile(path(relative), text);
    }
    // A desktop entry in the system's folder, or with `home` in the user's; its path.
    std::string entry(const std::string& id, const std::string& lines, bool home = false) const {
        auto relative = (home ? "home/.local/share/applications/" : "share/applications/") + id + ".desktop";
        write(relative, "[Desktop Entry]\nType=Application\n" + lines);
        return path(relative);
    }
    void stub(const std::string& name) const {
        write("bin/" + name, "#!/bin/sh\necho \"${0##*/} $*\" >> " + path("calls.log") + "\n");
        std::filesystem::permissions(path("bin/" + name), std::filesystem::perms::owner_all);
    }
    void clearCalls() const { std::filesystem::remove(path("calls.log")); }
    // Stubs run as processes of their own: waits up to ten seconds for the line to appear.
    bool waitForCall(const std::string& line) const {
        return test_support::waitUntil([&] {
            return test_support::readWholeFile(path("calls.log")).find(line + "\n") != std::string::npos;
        });
    }

private:
    Desktop() {
        ::setenv("HOME", path("home").c_str(), 1);
        ::setenv("XDG_DATA_HOME", path("home/.local/share").c_str(), 1);
        ::setenv("XDG_DATA_DIRS", path("share").c_str(), 1);
        ::setenv("XDG_CONFIG_HOME", path("config").c_str(), 1);
        ::setenv("XDG_CACHE_HOME", path("cache").c_str(), 1);
        ::setenv("XDG_CURRENT_DESKTOP", "TestDesk", 1);
        ::setenv("LANGUAGE", "de", 1);
        ::setenv("PATH", path("bin").c_str(), 1);
        ::setenv("GIO_USE_VFS", "local", 1);
        for (const char* name : {"editor-bin", "browser-stub", "files-stub", "xterm", "systemctl",
                                 "x-terminal-emulator", "console-tool"})
            stub(name);
        entry("org.example.Editor",
              "Name=Editor\nName[de]=Bearbeiter\nExec=editor-bin %F\nIcon=example-editor\n"
              "StartupWMClass=ExampleEdit\n");
        entry("browser", "Name=Browser\nExec=browser-stub %u\nMimeType=x-scheme-handler/https;\n");
        entry("files", "Name=Files\nExec=files-stub %U\nMimeType=inode/directory;\n");
        entry("console-tool", "Name=Console Tool\nExec=console-tool --flag\nTerminal=true\n");
        entry("helper", "Name=Helper\nExec=editor-bin\nNoDisplay=true\n");
        entry("broken", "Name=Broken\nExec=broken\nTryExec=/nonexistent/broken\n");
        entry("elsewhere", "Name=Elsewhere\nExec=editor-bin\nOnlyShowIn=OtherDesk;\n");
        entry("masked", "Name=Masked\nExec=editor-bin\n");
        entry("masked", "Name=Masked\nExec=editor-bin\nHidden=true\n", true);
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

// Puts a file of the test desktop back as it was, whatever the test left at its path.
class KeptFile {
public:
    explicit KeptFile(std::string path)
        : path_(std::move(path)), bytes_(test_support::readWholeFile(path_)) {}
    ~KeptFile() {
        std::filesystem::remove(path_);
        test_support::writeFile(path_, bytes_);
    }
    KeptFile(const KeptFile&) = delete;
    KeptFile& operator=(const KeptFile&) = delete;

private:
    std::string path_;
    std::string bytes_;
};

}  // namespace xdg_testing
