#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/utsname.h>

#include "Brindle/Platform.h"

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
