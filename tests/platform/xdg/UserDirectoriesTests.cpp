#include <gtest/gtest.h>

#include "platform/xdg/UserDirectories.h"

using platform::xdg::parseUserDirectories;
using Folders = std::map<std::string, std::string>;

TEST(UserDirectories, ReadsTheNamedFoldersAsGlibDoes) {
    const std::pair<const char*, Folders> cases[] = {
        {"XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\nXDG_DOWNLOAD_DIR=\"$HOME/Downloads/\"\n",
         {{"DESKTOP", "/home/anna/Schreibtisch"}, {"DOWNLOAD", "/home/anna/Downloads"}}},
        {"  XDG_DESKTOP_DIR \t= \"/data/Bureau\"", {{"DESKTOP", "/data/Bureau"}}},
        // "$HOME" alone is the home folder; a later line of the same name wins.
        {"XDG_DESKTOP_DIR=\"$HOME/\"\nXDG_DOWNLOAD_DIR=\"$HOME/a\"\nXDG_DOWNLOAD_DIR=\"$HOME\"",
         {{"DESKTOP", "/home/anna"}, {"DOWNLOAD", "/home/anna"}}},
        // The value runs to the line's last quote; spaces and other letters stay as written.
        {"XDG_MUSIC_DIR=\"$HOME/Meine \"Musik\"\" # note\n", {{"MUSIC", "/home/anna/Meine \"Musik\""}}},
        {"XDG_DESKTOP_DIR=\"/\"\n", {{"DESKTOP", "/"}}},
        // Comments, relative or unquoted values, other variables and cut lines are skipped.
        {"# XDG_DESKTOP_DIR=\"$HOME/x\"\nXDG_DESKTOP_DIR=\"Desktop\"\nXDG_DESKTOP_DIR=$HOME/x\n"
         "HOME_DIR=\"/x\"\nXDG__DIR=\"/x\"\nXDG_DESKTOP_DIR=\"$HOME/x\nXDG_DESKTOP_DIR\n",
         {}},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parseUserDirectories(text, "/home/anna/"), expected) << text;
}
