#include <gtest/gtest.h>

#include "Brindle/UTF8.h"

TEST(UTF8, IllFormedBytesBecomeReplacementCharacters) {
    EXPECT_EQ(Brindle::decodingUTF8(std::string("Caf\xC3\xA9\0b", 7)), std::string("Caf\xC3\xA9\0b", 7));
    // A stray byte, a truncated sequence at the end, and a surrogate written in UTF-8.
    EXPECT_EQ(Brindle::decodingUTF8(std::string("a\xFF") + "x\xE2\x82"), "a\xEF\xBF\xBDx\xEF\xBF\xBD");
    EXPECT_EQ(Brindle::decodingUTF8("\xED\xA0\x80").find("\xED"), std::string::npos);
}
