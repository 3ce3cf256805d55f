#include <gtest/gtest.h>

#include "Brindle/FileExtensions.h"

using namespace Brindle;

TEST(FileExtensions, ClassifiesByTheLastExtension) {
    using Kind = std::pair<const char*, FileType>;
    for (const auto& [name, type] :
         {Kind{"HOLIDAY.JPG", FileType::image}, Kind{"clip.Mov", FileType::movie},
          Kind{"mp4", FileType::movie}, Kind{"README", FileType::other}, Kind{"backup.tar.gz", FileType::zip},
          Kind{"tar.gz.txt", FileType::other}, Kind{"x.GIF", FileType::gif}, Kind{"name.", FileType::other},
          Kind{"", FileType::other}})
        EXPECT_EQ(fileType(name), type) << name;
    EXPECT_EQ(fileTypeOfPath("/Users/me/Movies/Trip.MP4/"), FileType::movie);
    EXPECT_EQ(extensions(FileType::unknown), std::vector<std::string>{"file"});
}

TEST(FileExtensions, PathsDecodeAndDropOnlyARealScheme) {
    using Path = std::pair<std::string, std::string>;
    for (const auto& [actual, expected] :
         {Path{filePath("file:///Users/me/My%20Docs/caf%C3%A9.txt"), "/Users/me/My Docs/café.txt"},
          Path{filePath("file:/"), "file:/"}, Path{filePath("/tmp/100%"), "/tmp/100%"},
          Path{filePath("file:///a%zzb%4"), "/a%zzb%4"}, Path{filePath(""), ""},
          Path{pathExtension("/a/b.tar.gz"), "gz"}, Path{pathExtension("/a.d/b"), ""},
          Path{lastPathComponent("/a/b/"), "b"}, Path{lastPathComponent("/"), "/"}})
        EXPECT_EQ(actual, expected);
    EXPECT_TRUE(hasExtension("/a/b.PNG", {"jpg", "png"}));
    EXPECT_FALSE(hasExtension("/a/b.png", {"PNG"}));
    EXPECT_FALSE(hasExtension("/a/.png", {"png"}));
    EXPECT_TRUE(fileExists("/"));
    EXPECT_FALSE(fileExists("/surely/not/a/real/path"));
}
