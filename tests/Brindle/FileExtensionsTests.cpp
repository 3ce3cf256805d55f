#include <gtest/gtest.h>

#include "Brindle/FileExtensions.h"

using namespace Brindle;

TEST(FileExtensions, ClassifiesByTheLastExtension) {
    EXPECT_EQ(fileType("HOLIDAY.JPG"), FileType::image);
    EXPECT_EQ(fileType("clip.Mov"), FileType::movie);
    EXPECT_EQ(fileType("mp4"), FileType::movie);
    EXPECT_EQ(fileType("README"), FileType::other);
    EXPECT_EQ(fileType("backup.tar.gz"), FileType::zip);
    EXPECT_EQ(fileType("tar.gz.txt"), FileType::other);
    EXPECT_EQ(fileType("x.GIF"), FileType::gif);
    EXPECT_EQ(fileType("name."), FileType::other);
    EXPECT_EQ(fileType(""), FileType::other);
    EXPECT_EQ(fileTypeOfPath("/Users/me/Movies/Trip.MP4/"), FileType::movie);
    EXPECT_EQ(extensions(FileType::unknown), std::vector<std::string>{"file"});
}

TEST(FileExtensions, FilePathDecodesAndDropsOnlyARealScheme) {
    EXPECT_EQ(filePath("file:///Users/me/My%20Docs/caf%C3%A9.txt"), "/Users/me/My Docs/café.txt");
    EXPECT_EQ(filePath("file:/"), "file:/");
    EXPECT_EQ(filePath("/tmp/100%"), "/tmp/100%");
    EXPECT_EQ(filePath("file:///a%zzb%4"), "/a%zzb%4");
    EXPECT_EQ(filePath(""), "");
}

TEST(FileExtensions, PathExtensionsAndExistence) {
    EXPECT_TRUE(hasExtension("/a/b.PNG", {"jpg", "png"}));
    EXPECT_FALSE(hasExtension("/a/b.png", {"PNG"}));
    EXPECT_FALSE(hasExtension("/a/.png", {"png"}));
    EXPECT_EQ(pathExtension("/a/b.tar.gz"), "gz");
    EXPECT_EQ(pathExtension("/a.d/b"), "");
    EXPECT_EQ(lastPathComponent("/a/b/"), "b");
    EXPECT_EQ(lastPathComponent("/"), "/");
    EXPECT_TRUE(fileExists("/"));
    EXPECT_FALSE(fileExists("/surely/not/a/real/path"));
}
