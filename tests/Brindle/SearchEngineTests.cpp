#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "Brindle/SearchEngine.h"

using Brindle::SearchEngine;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::UnorderedElementsAre;

TEST(SearchEngine, ListsAnObjectOncePerMatchingKey) {
    auto engine = Brindle::make<SearchEngine<std::string>>();
    engine->add("a", {"Notes", "Text Editor"});
    engine->add("b", {"Mail"});

    EXPECT_THAT(engine->search("NOT"), ElementsAre("a"));
    EXPECT_THAT(engine->search("t"), ElementsAre("a", "a"));
    EXPECT_THAT(engine->search("ai"), ElementsAre("b"));
    EXPECT_THAT(engine->search("e"), UnorderedElementsAre("a", "a"));
    EXPECT_THAT(engine->search("l"), UnorderedElementsAre("b"));
    EXPECT_THAT(engine->search(""), IsEmpty());
    EXPECT_THAT(engine->search("notes app"), IsEmpty());

    engine->add("c", {});
    EXPECT_EQ(engine->objects().size(), 3u);
}

TEST(SearchEngine, AKeyThatLowerCasesToAnExistingOneReplacesItsObject) {
    auto engine = Brindle::make<SearchEngine<std::string>>();
    engine->add("a", {"Mail"});
    engine->add("b", {"mail"});
    EXPECT_THAT(engine->search("mail"), ElementsAre("b"));

    engine->add("c", {"Photos", "PHOTOS"});
    EXPECT_THAT(engine->search("photo"), ElementsAre("c"));

    engine->removeAll();
    EXPECT_THAT(engine->search("mail"), IsEmpty());
    EXPECT_THAT(engine->search("a"), IsEmpty());
}

TEST(SearchEngine, IgnoresCaseBeyondAscii) {
    auto engine = Brindle::make<SearchEngine<int>>();
    engine->add(1, {"Übersicht"});
    engine->add(2, {"ΣΟΦΙΑ"});
    EXPECT_THAT(engine->search("über"), ElementsAre(1));
    EXPECT_THAT(engine->search("ÜBER"), ElementsAre(1));
    EXPECT_THAT(engine->search("σοφ"), ElementsAre(2));
    EXPECT_THAT(engine->search("uber"), IsEmpty());
}
