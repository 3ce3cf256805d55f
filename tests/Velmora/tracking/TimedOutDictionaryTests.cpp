#include <gtest/gtest.h>

#include "Velmora/tracking/TimedOutDictionary.h"

TEST(TimedOutDictionary, EntriesLiveWhileReadWithinTheTimeout) {
    double now = 100;
    Velmora::TimedOutDictionary<std::string, int> dictionary(2.0, [&] { return now; });
    dictionary.insert("kept", 1);
    dictionary.insert("stale", 2);
    for (int read = 0; read < 4; ++read, now += 1.5) EXPECT_EQ(dictionary.get("kept"), 1);
    EXPECT_EQ(dictionary.count(), 1u) << "the unread entry went at the first lookup past its time";
    dictionary.insert("stale", 2);
    now += 2.1;
    EXPECT_EQ(dictionary.get("stale"), 2) << "its date is renewed before the purge";
    EXPECT_EQ(dictionary.count(), 1u);
    now += 2.0;
    EXPECT_FALSE(dictionary.get("missing"));
    EXPECT_EQ(dictionary.count(), 1u) << "exactly the timeout is not yet past it";
    now += 0.001;
    EXPECT_FALSE(dictionary.get("missing"));
    EXPECT_EQ(dictionary.count(), 0u);
}
