#include <gtest/gtest.h>

#include <algorithm>

#include "Brindle/CollectionExtensions.h"
#include "Brindle/QuickMap.h"

TEST(QuickMap, KeepsEachKeyOnceAndForgetsWhatIsRemoved) {
    auto set = Brindle::make<Brindle::QuickMap<std::string>>();
    set->insert("a");
    set->insertIfAbsent("a");
    set->insertContentsOf({"b", "c", "b"});
    set->remove("absent");
    set->remove("b");
    auto all = set->all();
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, (std::vector<std::string>{"a", "c"}));
    // Emptied, it releases its buckets as a fresh set has none.
    set->removeAll();
    EXPECT_EQ(set->data().bucket_count(), Brindle::QuickMap<std::string>::Storage().bucket_count());
    auto made = Brindle::toQuickMap(std::vector<int>{3, 1, 3});
    EXPECT_EQ(made->count(), 2);
    EXPECT_TRUE(made->contains(1) && !made->contains(2));
}
