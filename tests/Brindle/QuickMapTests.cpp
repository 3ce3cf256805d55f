#include <gtest/gtest.h>

#include <algorithm>

#include "Brindle/CollectionExtensions.h"
#include "Brindle/QuickMap.h"

TEST(QuickMap, KeepsEachKeyOnceAndForgetsWhatIsRemoved) {
    auto set = Brindle::make<Brindle::QuickMap<std::string>>();
    set->insert("a");
    set->insert("a");
    set->insertIfAbsent("a");
    set->insertContentsOf({"b", "c", "b"});
    EXPECT_EQ(set->count(), 3);
    set->remove("absent");
    set->remove("b");
    EXPECT_FALSE(set->contains("b"));
    auto all = set->all();
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, (std::vector<std::string>{"a", "c"}));
    // Emptied, it releases its buckets as a fresh set has none.
    set->removeAll();
    EXPECT_TRUE(set->all().empty());
    EXPECT_EQ(set->data().bucket_count(), Brindle::QuickMap<std::string>::Storage().bucket_count());

    auto made = Brindle::toQuickMap(std::vector<int>{3, 1, 3});
    EXPECT_EQ(made->count(), 2);
    EXPECT_TRUE(made->contains(1));
    EXPECT_FALSE(made->contains(2));
}
