#include <gtest/gtest.h>

#include <stdexcept>

#include "Brindle/Lock.h"

TEST(Lock, ModifiesTheGuardedValueAndIsReleasedWhenTheBodyThrows) {
    Brindle::Lock<int> lock(4);
    lock.modify([](int value) { return value + 1; });
    EXPECT_THROW(lock.modify([](int) -> int { throw std::runtime_error("boom"); }), std::runtime_error);
    EXPECT_THROW(lock.read([](int) { throw std::runtime_error("boom"); }), std::runtime_error);
    int seen = 0;
    lock.read([&](int value) { seen = value; });  // would wait forever if the lock were still held
    EXPECT_EQ(seen, 5);
}
