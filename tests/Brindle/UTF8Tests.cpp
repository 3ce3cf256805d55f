#include <gtest/gtest.h>

#include "Brindle/UTF8.h"

TEST(UTF8, IllFormedBytesBecomeReplacementCharacters) {
    EXPECT_EQ(Brindle::decodingUTF8("Caf\xC3\xA9"), "Caf\xC3\xA9");
    EXPECT_EQ(Brindle::decodingUTF8(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(Brindle::decodingUTF8("a\xFF"), "a\xEF\xBF\xBD");
    // A truncated sequence at the end, and a surrogate written in UTF-8.
    EXPECT_EQ(Brindle::decodingUTF8("x\xE2\x82"), "x\xEF\xBF\xBD");
    EXPECT_EQ(Brindle::decodingUTF8("\xED\xA0\x80").find("\xED"), std::string::npos);
}
