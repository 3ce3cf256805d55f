#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/utsname.h>

#include <cmath>

#include "Brindle/Math.h"
#include "Brindle/Platform.h"
#include "Brindle/Rotation.h"
#include "Brindle/UTF8.h"

using Brindle::Math;
using Brindle::Rotation;

TEST(Rotation, ConvertsBetweenDegreesAndRadians) {
    EXPECT_EQ(Rotation(Rotation::Degrees{180}).radians(), 3.141592653589793);
    EXPECT_EQ(Rotation(Rotation::Radians{3.141592653589793}).degrees(), 180);
    EXPECT_EQ(Rotation(Rotation::Degrees{90}), *Rotation::quarterTurn());
    EXPECT_FALSE(Rotation(Rotation::Degrees{90}) == *Rotation::halfTurn());
    EXPECT_EQ(Rotation::threeQuarterTurn()->radians(), 4.71238898038469);
    EXPECT_EQ(Rotation::zero(), Rotation::zero());
}

TEST(Math, MapsClampsAndInterpolates) {
    EXPECT_EQ(Math::map(5, 0, 10, 0, 100), 50);
    EXPECT_EQ(Math::interpolate(5, 0, 100, 0, 10), 50);
    EXPECT_EQ(Math::lerp(0.25, 0, 8), 2);
    EXPECT_TRUE(std::isinf(Math::map(1, 2, 2, 0, 1)));

    EXPECT_EQ(Math::clamp(5.0, 0.0, 3.0), 3.0);
    EXPECT_EQ(Math::clamp(-1.0, 0.0, 3.0), 0.0);
    EXPECT_EQ(Math::clamp(1.5, 0.0, 3.0), 1.5);
    EXPECT_EQ(Math::clamp(5, 0, 3), 3);
    EXPECT_EQ(Math::clamp(-1, 0, 3), 0);
    EXPECT_EQ(Math::clamp(2, 0, 3), 2);
    // An inverted range: the upper bound is checked first.
    EXPECT_EQ(Math::clamp(5, 10, 3), 3);
}

TEST(Platform, ModelIdentifierIsTheMachineUnlessASimulatorModelIsGiven) {
    struct utsname info {};
    ::uname(&info);
    const std::string machine = info.machine;
    ::unsetenv("SIMULATOR_MODEL_IDENTIFIER");
    EXPECT_EQ(Brindle::Platform::modelIdentifier(), machine);
    EXPECT_FALSE(Brindle::Platform::isListedModel());

    ::setenv("SIMULATOR_MODEL_IDENTIFIER", "iPhone15,3", 1);
    const bool simulated = machine == "x86_64" || machine == "i386" || machine == "arm64";
    EXPECT_EQ(Brindle::Platform::modelIdentifier(), simulated ? "iPhone15,3" : machine);
    EXPECT_EQ(Brindle::Platform::isListedModel(), simulated);
    ::unsetenv("SIMULATOR_MODEL_IDENTIFIER");
}

TEST(UTF8, IllFormedBytesBecomeReplacementCharacters) {
    EXPECT_EQ(Brindle::decodingUTF8("Caf\xC3\xA9"), "Caf\xC3\xA9");
    EXPECT_EQ(Brindle::decodingUTF8(std::string("a\0b", 3)), std::string("a\0b", 3));
    EXPECT_EQ(Brindle::decodingUTF8("a\xFF"
                                    "b"),
              "a\xEF\xBF\xBD"
              "b");
    // A truncated sequence at the end, and a surrogate written in UTF-8.
    EXPECT_EQ(Brindle::decodingUTF8("x\xE2\x82"), "x\xEF\xBF\xBD");
    EXPECT_EQ(Brindle::decodingUTF8("\xED\xA0\x80").find("\xED"), std::string::npos);
}
