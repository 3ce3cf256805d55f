#include <gtest/gtest.h>

#include <thread>

#include "Brindle/Lock.h"
#include "Brindle/Logging.h"

TEST(Lock, TwoThreadsModifyingAThousandTimesEachEndAtTwoThousand) {
    Brindle::Lock<int> lock(0);
    auto work = [&] {
        for (int i = 0; i < 1000; ++i) lock.modify([](int value) { return value + 1; });
    };
    { std::jthread a(work), b(work); }
    int total = 0;
    lock.read([&](int value) { total = value; });
    EXPECT_EQ(total, 2000);
}

TEST(Logging, PrintFunctionCanBeReplacedWhileOtherThreadsLog) {
    std::atomic<int> lines{0};
    Brindle::Logging::setPrintFunction([&](const std::string&) { ++lines; });
    std::thread logger([] {
        for (int i = 0; i < 500; ++i) Brindle::Logging::shared()->log(i);
    });
    for (int i = 0; i < 50; ++i) Brindle::Logging::setPrintFunction([&](const std::string&) { ++lines; });
    logger.join();
    Brindle::Logging::setPrintFunction(nullptr);
    EXPECT_EQ(lines.load(), 500);
}
