#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <nlohmann/json.hpp>
#include <vector>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/platform/foundation/TemporaryFolder.h"

using foundation_tests::TemporaryFolder;
using platform::DefaultsValue;
using platform::UserDefaults;

namespace {

class UserDefaultsTest : public ::testing::Test {
protected:
    std::string path() const { return folder / "defaults.json"; }

    // Loads the file again, as the next launch of the program would.
    UserDefaults reloaded() const { return UserDefaults(path()); }

    TemporaryFolder folder;
};

}  // namespace

TEST_F(UserDefaultsTest, TypedValuesSurviveAReloadAndDataStaysApartFromText) {
    const std::string bytes("\x00\xFF{\"x\":1}\n", 10);
    {
        UserDefaults defaults(path());
        defaults.set("flag", true);
        defaults.set("count", 42);
        defaults.set("big", std::uint64_t{18446744073709551615ull});
        defaults.set("ratio", 2.5);
        defaults.set("whole", 2.0);
        defaults.set("name", "Caf\xC3\xA9");
        defaults.setData("blob", bytes);
        defaults.set("text", std::string("{\"x\":1}"));
        defaults.setData("json", "{\"x\":1}");
        defaults.set("not utf8", "\xFF");
        defaults.set("nan", std::nan(""));
        defaults.set("inf", -HUGE_VAL);
        defaults.set("list", DefaultsValue::Array{1, "two", DefaultsValue::data("3")});
        defaults.set("$data", DefaultsValue::Dictionary{{"$data", "not bytes"}, {"$$x", false}});
    }

    auto defaults = reloaded();
    EXPECT_TRUE(defaults.boolForKey("flag"));
    EXPECT_EQ(defaults.objectForKey("count")->kind(), DefaultsValue::Kind::integer);
    EXPECT_EQ(defaults.integerForKey("count"), 42);
    EXPECT_EQ(defaults.doubleForKey("big"), 18446744073709551615.0);
    EXPECT_EQ(defaults.doubleForKey("ratio"), 2.5);
    EXPECT_EQ(defaults.objectForKey("whole")->kind(), DefaultsValue::Kind::real);
    EXPECT_EQ(defaults.stringForKey("name"), "Caf\xC3\xA9");
    EXPECT_EQ(defaults.dataForKey("blob"), bytes);
    EXPECT_EQ(defaults.dataForKey("json"), "{\"x\":1}");
    EXPECT_EQ(defaults.stringForKey("json"), std::nullopt);
    EXPECT_EQ(defaults.dataForKey("text"), std::nullopt);
    EXPECT_EQ(defaults.stringForKey("text"), "{\"x\":1}");
    EXPECT_EQ(defaults.stringForKey("not utf8"), "\xEF\xBF\xBD");  // replaced, not a broken file
    EXPECT_TRUE(std::isnan(defaults.doubleForKey("nan")));
    EXPECT_EQ(defaults.doubleForKey("inf"), -HUGE_VAL);
    EXPECT_EQ(*defaults.objectForKey("list"),
              DefaultsValue(DefaultsValue::Array{1, "two", DefaultsValue::data("3")}));
    EXPECT_EQ(*defaults.objectForKey("$data"),
              DefaultsValue(DefaultsValue::Dictionary{{"$data", "not bytes"}, {"$$x", false}}));

    // Data is told apart from text in the file itself.
    auto file = nlohmann::json::parse(foundation_tests::readWholeFile(path()));
    EXPECT_EQ(file["json"], nlohmann::json({{"$data", "eyJ4IjoxfQ=="}}));
    EXPECT_EQ(file["text"], "{\"x\":1}");
}

TEST_F(UserDefaultsTest, EveryChangeIsWrittenAtOnceWithoutLeavingTemporaryFiles) {
    UserDefaults defaults(folder / "new/folder/defaults.json");
    EXPECT_FALSE(std::filesystem::exists(folder / "new"));
    defaults.set("a", 1);
    defaults.set("b", 2);
    defaults.removeObject("a");
    defaults.removeObject("never set");
    EXPECT_EQ(foundation_tests::sortedNames(folder / "new/folder"),
              std::vector<std::string>{"defaults.json"});

    UserDefaults again(folder / "new/folder/defaults.json");
    EXPECT_FALSE(again.has("a"));
    EXPECT_TRUE(again.has("b"));
    EXPECT_EQ(again.integerForKey("b"), 2);
}

TEST_F(UserDefaultsTest, MissingValuesAndConversions) {
    UserDefaults defaults(path());
    EXPECT_FALSE(defaults.boolForKey("missing"));
    EXPECT_EQ(defaults.integerForKey("missing"), 0);
    EXPECT_EQ(defaults.stringForKey("missing"), std::nullopt);
    EXPECT_EQ(defaults.dataForKey("missing"), std::nullopt);
    EXPECT_EQ(defaults.objectForKey("missing"), std::nullopt);
    EXPECT_FALSE(std::filesystem::exists(path()));

    defaults.set("yes", "YES");
    defaults.set("no", "no");
    defaults.set("number text", " 12abc");
    defaults.set("real", 3.9);
    defaults.set("flag", true);
    defaults.set("zero", 0);
    EXPECT_TRUE(defaults.boolForKey("yes"));
    EXPECT_FALSE(defaults.boolForKey("no"));
    EXPECT_TRUE(defaults.boolForKey("number text"));
    EXPECT_FALSE(defaults.boolForKey("zero"));
    EXPECT_EQ(defaults.integerForKey("number text"), 12);
    EXPECT_EQ(defaults.integerForKey("real"), 3);
    EXPECT_EQ(defaults.integerForKey("flag"), 1);
    EXPECT_EQ(defaults.stringForKey("real"), "3.9");
    EXPECT_EQ(defaults.stringForKey("zero"), "0");
    EXPECT_EQ(defaults.dataForKey("yes"), std::nullopt);
    EXPECT_EQ(defaults.dataForKey("flag"), std::nullopt);
}

TEST_F(UserDefaultsTest, DamagedFilesAreMovedAsideAndNeverWrittenOver) {
    // The virtual clock starts at 2026-01-01 00:00:00 UTC, so both damaged files get one time stamp.
    const std::string aside = path() + ".corrupt-20260101-000000";
    foundation_tests::writeFile(path(), "{\"pinned\": [");

    ::testing::internal::CaptureStderr();
    {
        UserDefaults defaults(path());
        EXPECT_FALSE(defaults.has("pinned"));
        defaults.set("fresh", true);
    }
    auto messages = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 1) << messages;
    EXPECT_NE(messages.find(aside), std::string::npos) << messages;
    EXPECT_EQ(foundation_tests::readWholeFile(aside), "{\"pinned\": [");
    EXPECT_TRUE(reloaded().boolForKey("fresh"));

    foundation_tests::writeFile(path(), "[1, 2]");
    ::testing::internal::CaptureStderr();
    EXPECT_FALSE(reloaded().has("fresh"));
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(foundation_tests::readWholeFile(aside), "{\"pinned\": [");
    EXPECT_EQ(foundation_tests::readWholeFile(aside + "-2"), "[1, 2]");
}

TEST_F(UserDefaultsTest, FilesWithValuesOfUnknownKindsCountAsDamaged) {
    std::string deep = "{\"a\": ";
    for (int level = 0; level < 100'000; ++level) deep += "[";
    // Too deep once crashed every start: the file stayed.
    for (std::string contents : std::vector<std::string>{
             R"({"a": null})", R"({"a": {"$data": "not base64!"}})", R"({"a": {"$data": 5}})",
             R"({"$unknown": 1})", R"({"a": {"$real": "big"}})", "", "\xFF", deep,
             *platform::FileManager::shared()->readFile(VELMORA_CORPUS_DIR
                                                        "/user_defaults/defaults-deep-20k.json")}) {
        foundation_tests::writeFile(path(), contents);
        ::testing::internal::CaptureStderr();
        EXPECT_FALSE(reloaded().has("a")) << contents;
        ::testing::internal::GetCapturedStderr();
        EXPECT_FALSE(std::filesystem::exists(path())) << contents;
        for (const auto& name : foundation_tests::sortedNames(folder.path())) {
            std::filesystem::remove(folder / name);
        }
    }

    // Written by someone else, but well-formed: read as it is.
    foundation_tests::writeFile(path(), R"({"a": {"$data": ""}, "$$b": [true, 1.5], "c": {"d": "e"}})");
    auto defaults = reloaded();
    EXPECT_EQ(defaults.dataForKey("a"), "");
    EXPECT_EQ(*defaults.objectForKey("$b"), DefaultsValue(DefaultsValue::Array{true, 1.5}));
    EXPECT_EQ(*defaults.objectForKey("c"), DefaultsValue(DefaultsValue::Dictionary{{"d", "e"}}));
}

TEST_F(UserDefaultsTest, StandardDomainFollowsTheEnvironmentAndCanBeReplaced) {
    ::setenv("VELMORA_DEFAULTS", path().c_str(), 1);
    UserDefaults::setStandard(nullptr);
    auto standard = UserDefaults::standard();
    EXPECT_EQ(standard->path(), path());
    EXPECT_EQ(UserDefaults::standard(), standard);
    standard->set("key", "value");
    EXPECT_EQ(reloaded().stringForKey("key"), "value");

    auto replacement = std::make_shared<UserDefaults>(folder / "other.json");
    UserDefaults::setStandard(replacement);
    EXPECT_EQ(UserDefaults::standard(), replacement);

    ::unsetenv("VELMORA_DEFAULTS");
    platform::FileManager::setHomeDirectory(folder / "home");
    EXPECT_EQ(UserDefaults::standardPath(), folder / "home/.config/velmora/defaults.json");
    platform::FileManager::setHomeDirectory(std::nullopt);
    UserDefaults::setStandard(nullptr);
}

TEST_F(UserDefaultsTest, AFileThatCannotBeReadIsKeptAndNeverWritten) {
    const auto target = folder / "elsewhere.json";
    struct Case {
        const char* what;
        std::function<void()> make;
    };
    for (const auto& [what, make] :
         std::vector<Case>{{"a folder", [&] { std::filesystem::create_directory(path()); }},
                           {"a link to nowhere", [&] { std::filesystem::create_symlink(target, path()); }},
                           {"a FIFO", [&] { ::mkfifo(path().c_str(), 0600); }},
                           {"unreadable", [&] {
                                foundation_tests::writeFile(path(), R"({"kept": true})");
                                std::filesystem::permissions(path(), std::filesystem::perms::none);
                            }}}) {
        SCOPED_TRACE(what);
        // Nothing stops root from reading.
        if (std::string(what) == "unreadable" && ::geteuid() == 0) continue;
        make();
        const auto before = foundation_tests::sortedNames(folder.path());
        ::testing::internal::CaptureStderr();
        {
            UserDefaults defaults(path());
            EXPECT_FALSE(defaults.has("kept"));
            defaults.set("fresh", true);
            EXPECT_TRUE(defaults.boolForKey("fresh")) << "runs on in memory";
        }
        EXPECT_NE(::testing::internal::GetCapturedStderr().find("will not be written"), std::string::npos);
        EXPECT_EQ(foundation_tests::sortedNames(folder.path()), before);
        std::filesystem::remove_all(path());
    }
}

TEST_F(UserDefaultsTest, ALinkedFileIsWrittenThroughTheLinkAndStaleTemporariesGo) {
    std::filesystem::create_directory(folder / "real");
    const auto target = folder / "real/defaults.json";
    foundation_tests::writeFile(target, R"({"old": 1})");
    std::filesystem::create_symlink("real/defaults.json", path());
    // Left by writes killed half-way: only old ones of this file's own naming are removed.
    const auto stale = folder / "real/.defaults.json.tmp-a1B2c3";
    const auto young = folder / "real/.defaults.json.tmp-x9Y8z7";
    const auto other = folder / "real/.other.json.tmp-a1B2c3";
    for (const auto& file : {stale, young, other}) foundation_tests::writeFile(file, "{");
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    std::filesystem::last_write_time(stale, old);
    std::filesystem::last_write_time(other, old);

    UserDefaults defaults(path());
    EXPECT_EQ(defaults.integerForKey("old"), 1);
    defaults.set("new", 2);
    EXPECT_TRUE(std::filesystem::is_symlink(path()));
    EXPECT_EQ(reloaded().integerForKey("new"), 2);
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(young));
    EXPECT_TRUE(std::filesystem::exists(other));
}

TEST_F(UserDefaultsTest, AValueTooDeepToReadBackIsNotStored) {
    DefaultsValue value("leaf");
    for (int level = 0; level < 100; ++level) value = DefaultsValue(DefaultsValue::Array{value});
    UserDefaults defaults(path());
    ::testing::internal::CaptureStderr();
    defaults.set("deep", value);
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("nests too deeply"), std::string::npos);
    EXPECT_FALSE(defaults.has("deep"));
}
