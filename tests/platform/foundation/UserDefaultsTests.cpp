#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <functional>
#include <nlohmann/json.hpp>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/platform/foundation/TemporaryFolder.h"

using namespace foundation_tests;
using platform::DefaultsValue;
using platform::UserDefaults;
namespace fs = std::filesystem;

namespace {

class UserDefaultsTest : public ::testing::Test {
protected:
    std::string path() const { return folder / "defaults.json"; }
    // Loads the file again, as the next launch of the program would; what it complains of is dropped.
    std::unique_ptr<UserDefaults> reloaded() const {
        ::testing::internal::CaptureStderr();
        auto defaults = std::make_unique<UserDefaults>(path());
        ::testing::internal::GetCapturedStderr();
        return defaults;
    }

    TemporaryFolder folder;
};

}  // namespace

TEST_F(UserDefaultsTest, ValuesSurviveAReloadAsTheyWereAndDataStaysApartFromText) {
    const DefaultsValue list(
        DefaultsValue::Array{true, 42, 2.5, 2.0, "Caf\xC3\xA9", -HUGE_VAL,
                             DefaultsValue::data(std::string("\x00\xFF{\"x\":1}\n", 10)),
                             DefaultsValue::Dictionary{{"$data", "not bytes"}, {"$$x", false}}});
    {
        UserDefaults defaults(path());
        defaults.set("list", list);
        defaults.set("$data", std::uint64_t{18446744073709551615ull});
        defaults.set("text", "{\"x\":1}");
        defaults.setData("json", "{\"x\":1}");
        defaults.set("not utf8", "\xFF");
        defaults.set("nan", std::nan(""));
    }
    auto defaults = reloaded();
    EXPECT_EQ(defaults->objectForKey("list"), list);
    EXPECT_EQ(defaults->doubleForKey("$data"), 18446744073709551615.0);
    EXPECT_EQ(defaults->stringForKey("not utf8"), "\xEF\xBF\xBD");  // replaced, not a broken file
    EXPECT_TRUE(std::isnan(defaults->doubleForKey("nan")));
    EXPECT_EQ(defaults->stringForKey("json"), std::nullopt);
    EXPECT_EQ(defaults->dataForKey("text"), std::nullopt);
    // Data is told apart from text in the file itself.
    auto file = nlohmann::json::parse(readWholeFile(path()));
    EXPECT_EQ(file["json"], nlohmann::json({{"$data", "eyJ4IjoxfQ=="}}));
    EXPECT_EQ(file["text"], "{\"x\":1}");
}

TEST_F(UserDefaultsTest, EveryChangeIsWrittenAtOnceAndReadWithThePlatformsConversions) {
    UserDefaults defaults(folder / "new/folder/defaults.json");
    EXPECT_FALSE(defaults.boolForKey("missing") || defaults.integerForKey("missing") ||
                 defaults.has("missing"));
    EXPECT_EQ(defaults.stringForKey("missing"), std::nullopt);
    EXPECT_FALSE(fs::exists(folder / "new")) << "nothing is written before the first change";
    defaults.set("gone", true);
    defaults.removeObject("gone");
    defaults.removeObject("never set");
    EXPECT_EQ(sortedNames(folder / "new/folder"), std::vector<std::string>{"defaults.json"});
    EXPECT_FALSE(UserDefaults(folder / "new/folder/defaults.json").has("gone"));

    writeFile(path(),
              R"({"yes": "YES", "no": "no", "number text": " 12abc", "real": 3.9, "flag": true, "zero": 0})");
    auto again = reloaded();
    EXPECT_EQ((std::vector{again->boolForKey("yes"), again->boolForKey("no"),
                           again->boolForKey("number text"), again->boolForKey("zero")}),
              (std::vector{true, false, true, false}));
    EXPECT_EQ((std::vector{again->integerForKey("number text"), again->integerForKey("real"),
                           again->integerForKey("flag")}),
              (std::vector<std::int64_t>{12, 3, 1}));
    EXPECT_EQ(again->stringForKey("real"), "3.9");
    EXPECT_EQ(again->stringForKey("zero"), "0");
    EXPECT_EQ(again->dataForKey("yes"), std::nullopt);
}

TEST_F(UserDefaultsTest, DamagedFilesAndValuesOfUnknownKindsAreMovedAsideAndNeverWrittenOver) {
    // The virtual clock starts at 2026-01-01 00:00:00 UTC, so both damaged files get one time stamp.
    const std::string aside = path() + ".corrupt-20260101-000000";
    writeFile(path(), "{\"pinned\": [");
    ::testing::internal::CaptureStderr();
    UserDefaults(path()).set("fresh", true);
    auto messages = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), '\n'), 1) << messages;
    EXPECT_NE(messages.find(aside), std::string::npos) << messages;
    EXPECT_TRUE(reloaded()->boolForKey("fresh"));
    writeFile(path(), "[1, 2]");
    EXPECT_FALSE(reloaded()->has("fresh"));
    EXPECT_EQ(readWholeFile(aside), "{\"pinned\": [");
    EXPECT_EQ(readWholeFile(aside + "-2"), "[1, 2]");

    std::string deep = "{\"a\": ";
    for (int level = 0; level < 100'000; ++level) deep += "[";
    // Too deep once crashed every start: the file stayed.
    for (std::string contents : std::vector<std::string>{
             R"({"a": null})", R"({"a": {"$data": "not base64!"}})", R"({"a": {"$data": 5}})",
             R"({"$unknown": 1})", R"({"a": {"$real": "big"}})", "", "\xFF", deep,
             *platform::FileManager::shared()->readFile(VELMORA_CORPUS_DIR
                                                        "/user_defaults/defaults-deep-20k.json")}) {
        writeFile(path(), contents);
        EXPECT_FALSE(reloaded()->has("a")) << contents;
        EXPECT_FALSE(fs::exists(path())) << contents;
    }
    // Written by someone else, but well-formed: read as it is.
    writeFile(path(), R"({"a": {"$data": ""}, "$$b": [true, 1.5], "c": {"d": "e"}})");
    auto defaults = reloaded();
    EXPECT_EQ(defaults->dataForKey("a"), "");
    EXPECT_EQ(defaults->objectForKey("$b"), DefaultsValue(DefaultsValue::Array{true, 1.5}));
    EXPECT_EQ(defaults->objectForKey("c"), DefaultsValue(DefaultsValue::Dictionary{{"d", "e"}}));
}

TEST_F(UserDefaultsTest, StandardDomainFollowsTheEnvironmentAndCanBeReplaced) {
    const std::string runDefaults = std::getenv("VELMORA_DEFAULTS");  // set for the whole run
    ::setenv("VELMORA_DEFAULTS", path().c_str(), 1);
    UserDefaults::setStandard(nullptr);
    UserDefaults::standard()->set("key", "value");
    EXPECT_EQ(reloaded()->stringForKey("key"), "value");
    auto replacement = std::make_shared<UserDefaults>(folder / "other.json");
    UserDefaults::setStandard(replacement);
    EXPECT_EQ(UserDefaults::standard(), replacement);
    ::unsetenv("VELMORA_DEFAULTS");
    platform::FileManager::setHomeDirectory(folder / "home");
    EXPECT_EQ(UserDefaults::standardPath(), folder / "home/.config/velmora/defaults.json");
    platform::FileManager::setHomeDirectory(std::nullopt);
    ::setenv("VELMORA_DEFAULTS", runDefaults.c_str(), 1);
    UserDefaults::setStandard(nullptr);
}

TEST_F(UserDefaultsTest, AFileThatCannotBeReadIsKeptAndNeverWritten) {
    for (const auto& [what, make] : std::vector<std::pair<const char*, std::function<void()>>>{
             {"a folder", [&] { fs::create_directory(path()); }},
             {"a link to nowhere", [&] { fs::create_symlink(folder / "elsewhere.json", path()); }},
             {"a FIFO", [&] { ::mkfifo(path().c_str(), 0600); }},
             {"unreadable", [&] {
                  writeFile(path(), R"({"kept": true})");
                  fs::permissions(path(), fs::perms::none);
              }}}) {
        SCOPED_TRACE(what);
        if (std::string(what) == "unreadable" && ::geteuid() == 0)
            continue;  // nothing stops root from reading
        make();
        const auto before = sortedNames(folder.path());
        ::testing::internal::CaptureStderr();
        {
            UserDefaults defaults(path());
            EXPECT_FALSE(defaults.has("kept"));
            defaults.set("fresh", true);
            EXPECT_TRUE(defaults.boolForKey("fresh")) << "runs on in memory";
        }
        EXPECT_NE(::testing::internal::GetCapturedStderr().find("will not be written"), std::string::npos);
        EXPECT_EQ(sortedNames(folder.path()), before);
        fs::remove_all(path());
    }
}

TEST_F(UserDefaultsTest, ALinkedFileIsWrittenThroughTheLinkAndStaleTemporariesGo) {
    fs::create_directory(folder / "real");
    writeFile(folder / "real/defaults.json", R"({"old": 1})");
    fs::create_symlink("real/defaults.json", path());
    // Left by writes killed half-way: only old ones of this file's own naming are removed.
    const auto stale = folder / "real/.defaults.json.tmp-a1B2c3",
               young = folder / "real/.defaults.json.tmp-x9Y8z7",
               other = folder / "real/.other.json.tmp-a1B2c3";
    for (const auto& file : {stale, young, other}) writeFile(file, "{");
    for (const auto& file : {stale, other})
        fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::hours(1));
    UserDefaults defaults(path());
    EXPECT_EQ(defaults.integerForKey("old"), 1);
    defaults.set("new", 2);
    EXPECT_TRUE(fs::is_symlink(path()));
    EXPECT_EQ(reloaded()->integerForKey("new"), 2);
    EXPECT_EQ((std::vector{fs::exists(stale), fs::exists(young), fs::exists(other)}),
              (std::vector{false, true, true}));
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
