#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "Brindle/FileExtensions.h"
#include "platform/foundation/FileManager.h"
#include "tests/support/TemporaryFolder.h"

namespace {

struct HomeFolder {
    HomeFolder() { platform::FileManager::setHomeDirectory(path); }
    ~HomeFolder() { platform::FileManager::setHomeDirectory(std::nullopt); }
    test_support::TemporaryFolder folder;
    const std::string& path = folder.path();
};

}  // namespace

TEST(ContentsOfDirectory, ListsTheUsersFolderAndSkipsHiddenItemsOnRequest) {
    HomeFolder home;
    std::filesystem::create_directories(home.path + "/Documents/Projects");
    std::ofstream(home.path + "/Documents/notes.txt") << "x";
    std::ofstream(home.path + "/Documents/.hidden") << "x";

    auto all = Brindle::contentsOfDirectory(platform::SearchPathDirectory::documentDirectory, false);
    ASSERT_TRUE(all.ok()) << all.error().description;
    std::vector<std::string> names;
    for (const auto& url : all.value()) names.push_back(url.lastPathComponent());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".hidden", "Projects", "notes.txt"}));

    auto visible = Brindle::contentsOfDirectory(platform::SearchPathDirectory::documentDirectory, true);
    ASSERT_TRUE(visible.ok());
    EXPECT_EQ(visible.value().size(), 2u);
}

TEST(ContentsOfDirectory, PassesTheFileManagersErrorOn) {
    HomeFolder home;  // no Documents folder in it
    auto result = Brindle::contentsOfDirectory(platform::SearchPathDirectory::documentDirectory, false);
    ASSERT_FALSE(result.ok());
    EXPECT_FALSE(result.error().description.empty());
}
