#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <thread>

#include "platform/system/Image.h"

using platform::Image;
using platform::Size;

namespace {

// The signature and IHDR chunk of a 300×200 PNG; enough for the header to be read.
const std::string pngHeader = std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x01\x2c\0\0\0\xc8", 24);

}  // namespace

TEST(Image, KnowsItsFormatAndReadsAPngsSizeFromMemoryOrAFile) {
    EXPECT_EQ(Image(pngHeader).format(), Image::Format::png);
    EXPECT_EQ(Image(pngHeader).size(), (Size{300, 200}));
    EXPECT_EQ(Image(pngHeader, Size{30, 20}).size(), (Size{30, 20}));
    EXPECT_EQ(Image("<?xml version=\"1.0\"?>\n<svg/>", Size{24, 24}).format(), Image::Format::svg);
    EXPECT_EQ(Image("GIF89a").format(), Image::Format::none);
    // A truncated header gives no size rather than reading past the end.
    EXPECT_EQ(Image(pngHeader.substr(0, 20)).size(), Size{});
    auto path = ::testing::TempDir() + "/velmora-image-test.png";
    std::ofstream(path, std::ios::binary) << pngHeader;
    EXPECT_EQ(Image::contentsOfFile(path).value().size(), (Size{300, 200}));
    std::ofstream(path, std::ios::binary) << "plain text";
    EXPECT_FALSE(Image::contentsOfFile(path));
    std::remove(path.c_str());
    EXPECT_FALSE(Image::contentsOfFile(path));
}

TEST(Image, CopiesShareOneIdentityEqualBytesCompareEqualAndCopiesMayBeReadOnOtherThreads) {
    Image first(pngHeader), copy = first, twin(pngHeader);
    EXPECT_EQ(copy.identity(), first.identity());
    EXPECT_NE(twin.identity(), first.identity());
    EXPECT_EQ(first, twin);
    EXPECT_NE(first, Image(pngHeader, Size{1, 1}));
    EXPECT_NE(first, Image());
    EXPECT_TRUE(Image().isEmpty() && Image().data().empty());
    EXPECT_EQ(Image().identity(), 0u);
    std::vector<Size> sizes(4);
    std::vector<std::jthread> readers;
    for (std::size_t i = 0; i < sizes.size(); ++i)
        readers.emplace_back([copy, &sizes, i] { sizes[i] = copy.size(); });
    readers.clear();
    EXPECT_EQ(sizes, std::vector<Size>(4, Size{300, 200}));
}
