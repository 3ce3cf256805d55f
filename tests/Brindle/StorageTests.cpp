#include <gtest/gtest.h>

#include <filesystem>
#include <nlohmann/json.hpp>

#include "Brindle/KeyValueDatabase.h"
#include "Brindle/SimpleDatabase.h"
#include "platform/foundation/FileManager.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/TemporaryFolder.h"

using Brindle::SimpleDatabaseType;
using test_support::readWholeFile;

namespace {

class StorageTest : public ::testing::Test {
protected:
    StorageTest() { platform::FileManager::setHomeDirectory(home.path()); }
    ~StorageTest() override { platform::FileManager::setHomeDirectory(std::nullopt); }

    auto open(const std::string& name, SimpleDatabaseType type = SimpleDatabaseType::persistant) {
        return Brindle::make<Brindle::SimpleDatabase<std::string>>(name, type);
    }

    platform::testing::VirtualMainLoop loop;
    test_support::TemporaryFolder home;
    const std::string notes = home / "Documents/simpleDatabase/notes..json";
};

}  // namespace

TEST_F(StorageTest, ABurstOfChangesIsWrittenOnceItEnds) {
    auto database = open("notes");
    EXPECT_EQ(database->fileURL().path(), notes);
    loop.advance(0.1);  // a new database writes its empty list after the pause
    EXPECT_EQ(readWholeFile(notes), "[]");
    database->add("a");
    loop.advance(0.05);
    database->add(std::vector<std::string>{"b", "a"});
    loop.advance(0.05);
    database->add("c");
    loop.advance(0.099);
    EXPECT_EQ(readWholeFile(notes), "[]");
    loop.advance(0.001);
    EXPECT_EQ(readWholeFile(notes), R"(["a","b","a","c"])");

    // A list that cannot be encoded leaves the file as it was; whoever publishes a list has it saved.
    database->remove("a");
    database->add("\xFF");
    loop.advance(0.1);
    EXPECT_EQ(readWholeFile(notes), R"(["a","b","a","c"])");
    EXPECT_EQ(database->getAll(), (std::vector<std::string>{"b", "c", "\xFF"}));
    database->data().accept({"direct"});
    loop.advance(0.1);
    EXPECT_EQ(readWholeFile(notes), R"(["direct"])");
    database->removeAll();
    EXPECT_TRUE(database->getAll().empty());
}

TEST_F(StorageTest, ListsSurviveTheDatabaseAndKeepTheirFolders) {
    {
        auto lasting = open("shared");
        auto cached = open("shared", SimpleDatabaseType::cache);
        lasting->add("kept");
        cached->add("thrown away");
        // Released before the pause ends: the pending change is written as they go.
    }
    EXPECT_EQ(readWholeFile(home / "Documents/simpleDatabase/shared..json"), R"(["kept"])");
    EXPECT_EQ(readWholeFile(home / ".cache/simpleDatabase/shared..json"), R"(["thrown away"])");
    auto again = open("shared");
    EXPECT_EQ(again->getAll(), (std::vector<std::string>{"kept"}));
    again->republish();
}

TEST_F(StorageTest, AFileThatDoesNotDecodeIsSetAsideNotOverwritten) {
    std::filesystem::create_directories(home / "Documents/simpleDatabase");
    test_support::writeFile(notes, R"(["text", 12])");
    auto database = open("notes");
    EXPECT_TRUE(database->getAll().empty());
    loop.advance(0.1);
    EXPECT_EQ(readWholeFile(notes), "[]");

    std::vector<std::string> aside;
    for (const auto& entry : std::filesystem::directory_iterator(home / "Documents/simpleDatabase"))
        if (entry.path().filename().string().rfind("notes..json.corrupt-", 0) == 0)
            aside.push_back(entry.path());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(readWholeFile(aside[0]), R"(["text", 12])");
}

TEST_F(StorageTest, KeyValueRecordsAreStoredGotAndRemoved) {
    using Store = Brindle::KeyValueDatabase<std::string, int>;
    {
        Store store("scores", SimpleDatabaseType::cache, Store::ExpiringObjectCache{10, 20});
        EXPECT_EQ(store.get("ann"), std::nullopt);
        store.set("ann", 1);
        store.set("bob", 2);
        loop.advance(5);
        store.set("ann", 3);
        EXPECT_EQ(store.get("ann"), 3);
        store.remove("bob");
        store.remove("nobody");
        EXPECT_EQ(store.get("bob"), std::nullopt);
        EXPECT_EQ(store.database()->getAll().size(), 1u);
        EXPECT_TRUE(std::holds_alternative<Store::ExpiringObjectCache>(store.policy()));
    }

    // Dates as seconds since 2001: the virtual clock starts in 2026.
    auto stored = nlohmann::json::parse(readWholeFile(home / ".cache/simpleDatabase/scores..json"));
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0]["key"], "ann");
    EXPECT_EQ(stored[0]["value"], 3);
    EXPECT_EQ(stored[0]["lastAccess"].get<double>() - stored[0]["created"].get<double>(), 5);
    EXPECT_NEAR(stored[0]["created"].get<double>(), 788918400, 10);

    Store reopened("scores", SimpleDatabaseType::cache, Store::Standard{});
    EXPECT_EQ(reopened.get("ann"), 3);
    EXPECT_EQ(reopened.get("bob"), std::nullopt);
}
