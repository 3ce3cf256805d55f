#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "Brindle/FileExtensions.h"
#include "platform/foundation/FileManager.h"
#include "tests/support/TemporaryFolder.h"

using namespace Brindle;

TEST(FileExtensions, ClassifiesDecodesPathsAndListsTheUsersFolder) {
    using Kind = std::pair<const char*, FileType>;
    for (const auto& [name, type] :
         {Kind{"HOLIDAY.JPG", FileType::image}, Kind{"clip.Mov", FileType::movie},
          Kind{"mp4", FileType::movie}, Kind{"README", FileType::other}, Kind{"backup.tar.gz", FileType::zip},
          Kind{"tar.gz.txt", FileType::other}, Kind{"x.GIF", FileType::gif}, Kind{"name.", FileType::other},
          Kind{"", FileType::other}})
        EXPECT_EQ(fileType(name), type) << name;
    EXPECT_EQ(fileTypeOfPath("/Users/me/Movies/Trip.MP4/"), FileType::movie);
    using Path = std::pair<std::string, std::string>;
    for (const auto& [actual, expected] :
         {Path{filePath("file:///Users/me/My%20Docs/caf%C3%A9.txt"), "/Users/me/My Docs/café.txt"},
          Path{filePath("file:/"), "file:/"}, Path{filePath("/tmp/100%"), "/tmp/100%"},
          Path{filePath("file:///a%zzb%4"), "/a%zzb%4"}, Path{filePath(""), ""},
          Path{pathExtension("/a/b.tar.gz"), "gz"}, Path{pathExtension("/a.d/b"), ""},
          Path{lastPathComponent("/a/b/"), "b"}, Path{lastPathComponent("/"), "/"}})
        EXPECT_EQ(actual, expected);
    EXPECT_TRUE(hasExtension("/a/b.PNG", {"jpg", "png"}));
    EXPECT_FALSE(hasExtension("/a/b.png", {"PNG"}) || hasExtension("/a/.png", {"png"}));
    EXPECT_FALSE(fileExists("/surely/not/a/real/path"));
    test_support::TemporaryFolder home;
    platform::FileManager::setHomeDirectory(home.path());
    const std::shared_ptr<void> restore(nullptr,
                                        [](void*) { platform::FileManager::setHomeDirectory(std::nullopt); });
    auto list = [](bool skipHidden) {
        return contentsOfDirectory(platform::SearchPathDirectory::documentDirectory, skipHidden);
    };
    auto missing = list(false);  // no Documents folder yet
    ASSERT_FALSE(missing.ok());
    EXPECT_FALSE(missing.error().description.empty());
    std::filesystem::create_directories(home / "Documents/Projects");
    test_support::writeFile(home / "Documents/notes.txt", "x");
    test_support::writeFile(home / "Documents/.hidden", "x");
    std::vector<std::string> names;
    for (const auto& url : list(false).value()) names.push_back(url.lastPathComponent());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".hidden", "Projects", "notes.txt"}));
    EXPECT_EQ(list(true).value().size(), 2u);
}
