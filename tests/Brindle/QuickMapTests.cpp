#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "Brindle/CollectionExtensions.h"
#include "Brindle/QuickMap.h"

using Brindle::QuickMap;

TEST(QuickMap, KeepsEachKeyOnceAndForgetsWhatIsRemoved) {
    auto set = Brindle::make<QuickMap<std::string>>();
    set->insert("a");
    set->insert("a");
    set->insertIfAbsent("a");
    EXPECT_EQ(set->count(), 1);

    set->insertContentsOf({"b", "c", "b"});
    EXPECT_EQ(set->count(), 3);
    EXPECT_TRUE(set->contains("c"));

    set->remove("absent");
    EXPECT_EQ(set->count(), 3);
    set->remove("b");
    EXPECT_FALSE(set->contains("b"));

    auto all = set->all();
    std::sort(all.begin(), all.end());
    EXPECT_EQ(all, (std::vector<std::string>{"a", "c"}));

    set->removeAll();
    EXPECT_EQ(set->count(), 0);
    EXPECT_TRUE(set->all().empty());
    EXPECT_EQ(set->data().bucket_count(), QuickMap<std::string>::Storage().bucket_count());
}

TEST(QuickMap, MadeFromAnArrayHoldsItsDistinctElements) {
    auto set = Brindle::toQuickMap(std::vector<int>{3, 1, 3});
    EXPECT_EQ(set->count(), 2);
    EXPECT_TRUE(set->contains(1));
    EXPECT_FALSE(set->contains(2));
}
