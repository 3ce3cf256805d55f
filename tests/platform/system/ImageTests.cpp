#include <gtest/gtest.h>

#include <fstream>

#include "platform/system/Image.h"

using namespace platform;

// The signature and IHDR chunk of a 300×200 PNG; enough for the header to be read.
static const std::string pngHeader = std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x01\x2c\0\0\0\xc8", 24);

TEST(Image, KnowsItsFormatReadsAPngsSizeFromMemoryOrAFileAndCopiesShareOneIdentity) {
    EXPECT_EQ(Image(pngHeader).format(), Image::Format::png);
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
    Image first(pngHeader), copy = first, twin(pngHeader);
    EXPECT_EQ(copy.identity(), first.identity());
    EXPECT_NE(twin.identity(), first.identity());
    EXPECT_EQ(first, twin);
    EXPECT_NE(first, Image(pngHeader, Size{1, 1}));
    EXPECT_TRUE(Image().isEmpty() && Image().data().empty() && Image().identity() == 0);
}
