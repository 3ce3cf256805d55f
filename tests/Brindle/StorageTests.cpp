#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "Brindle/KeyValueDatabase.h"
#include "Brindle/SimpleDatabase.h"
#include "platform/foundation/FileManager.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/TemporaryFolder.h"

using Brindle::SimpleDatabase;
using Brindle::SimpleDatabaseType;

namespace {

std::string readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return "<missing>";
    return std::string(std::istreambuf_iterator<char>(file), {});
}

class StorageTest : public ::testing::Test {
protected:
    StorageTest() { platform::FileManager::setHomeDirectory(home); }
    ~StorageTest() override { platform::FileManager::setHomeDirectory(std::nullopt); }

    std::string documents(const std::string& name) const {
        return home + "/Documents/simpleDatabase/" + name + "..json";
    }
    std::shared_ptr<SimpleDatabase<std::string>> open(
        const std::string& name, SimpleDatabaseType type = SimpleDatabaseType::persistant) {
        return Brindle::make<SimpleDatabase<std::string>>(name, type);
    }

    platform::testing::VirtualMainLoop loop;
    test_support::TemporaryFolder folder;
    const std::string& home = folder.path();
};

}  // namespace

TEST_F(StorageTest, ANewDatabaseWritesItsEmptyListAfterAPause) {
    auto database = open("notes");
    EXPECT_EQ(database->fileURL().path(), documents("notes"));
    loop.advance(0.099);
    EXPECT_EQ(readFile(documents("notes")), "<missing>");
    loop.advance(0.001);
    EXPECT_EQ(readFile(documents("notes")), "[]");
}

TEST_F(StorageTest, ABurstOfChangesIsWrittenOnceItEnds) {
    auto database = open("notes");
    loop.advance(0.2);
    database->add("a");
    loop.advance(0.05);
    database->add(std::vector<std::string>{"b", "a"});
    loop.advance(0.05);
    database->add("c");
    loop.advance(0.099);
    EXPECT_EQ(readFile(documents("notes")), "[]");
    loop.advance(0.001);
    EXPECT_EQ(readFile(documents("notes")), R"(["a","b","a","c"])");

    database->remove("a");
    EXPECT_EQ(database->getAll(), (std::vector<std::string>{"b", "c"}));
    database->data().accept({"direct"});
    loop.advance(0.1);
    EXPECT_EQ(readFile(documents("notes")), R"(["direct"])");
    database->removeAll();
    loop.advance(0.1);
    EXPECT_EQ(readFile(documents("notes")), "[]");
}

TEST_F(StorageTest, ListsSurviveTheDatabaseAndKeepTheirFolders) {
    {
        auto lasting = open("shared");
        auto cached = open("shared", SimpleDatabaseType::cache);
        lasting->add("kept");
        cached->add("thrown away");
        // Released before the pause ends: the pending change is written as they go.
    }
    EXPECT_EQ(readFile(documents("shared")), R"(["kept"])");
    EXPECT_EQ(readFile(home + "/.cache/simpleDatabase/shared..json"), R"(["thrown away"])");

    auto again = open("shared");
    EXPECT_EQ(again->getAll(), (std::vector<std::string>{"kept"}));
    again->republish();
}

TEST_F(StorageTest, AFileThatDoesNotDecodeIsSetAsideNotOverwritten) {
    std::filesystem::create_directories(home + "/Documents/simpleDatabase");
    std::ofstream(documents("notes")) << R"(["text", 12])";
    auto database = open("notes");
    EXPECT_TRUE(database->getAll().empty());
    loop.advance(0.1);
    EXPECT_EQ(readFile(documents("notes")), "[]");

    std::vector<std::string> aside;
    for (const auto& entry : std::filesystem::directory_iterator(home + "/Documents/simpleDatabase")) {
        auto name = entry.path().filename().string();
        if (name.rfind("notes..json.corrupt-", 0) == 0) aside.push_back(entry.path().string());
    }
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(readFile(aside[0]), R"(["text", 12])");
}

TEST_F(StorageTest, AListThatCannotBeEncodedLeavesTheFile) {
    auto database = open("notes");
    database->add("fine");
    loop.advance(0.1);
    database->add("\xFF");
    loop.advance(0.1);
    EXPECT_EQ(readFile(documents("notes")), R"(["fine"])");
    EXPECT_EQ(database->getAll().size(), 2u);
    database->removeAll();
}

TEST_F(StorageTest, KeyValueRecordsAreStoredGotAndRemoved) {
    using Store = Brindle::KeyValueDatabase<std::string, int>;
    Store::Policy policy = Store::ExpiringObjectCache{10, 20};
    {
        Store store("scores", SimpleDatabaseType::cache, policy);
        EXPECT_EQ(store.get("ann"), std::nullopt);
        store.set("ann", 1);
        store.set("bob", 2);
        loop.advance(5);
        store.set("ann", 3);
        EXPECT_EQ(store.get("ann"), 3);
        store.remove("bob");
        store.remove("nobody");
        EXPECT_EQ(store.get("bob"), std::nullopt);
        ASSERT_EQ(store.database()->getAll().size(), 1u);
        const auto record = store.database()->getAll().front();
        EXPECT_EQ(record.lastAccess.timeIntervalSince(record.created), 5);
        EXPECT_TRUE(std::holds_alternative<Store::ExpiringObjectCache>(store.policy()));
    }

    auto stored = nlohmann::json::parse(readFile(home + "/.cache/simpleDatabase/scores..json"));
    ASSERT_EQ(stored.size(), 1u);
    EXPECT_EQ(stored[0]["key"], "ann");
    EXPECT_EQ(stored[0]["value"], 3);
    EXPECT_EQ(stored[0]["lastAccess"].get<double>() - stored[0]["created"].get<double>(), 5);
    // Seconds since 2001: the virtual clock starts in 2026.
    EXPECT_NEAR(stored[0]["created"].get<double>(), 788918400, 10);

    Store reopened("scores", SimpleDatabaseType::cache, Store::Standard{});
    EXPECT_EQ(reopened.get("ann"), 3);
    EXPECT_EQ(reopened.get("bob"), std::nullopt);
}
