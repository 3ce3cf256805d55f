#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "Brindle/FileExtensions.h"
#include "platform/foundation/FileManager.h"
#include "tests/support/TemporaryFolder.h"

TEST(ContentsOfDirectory, ListsTheUsersFolderSkippingHiddenItemsOnRequestAndPassesErrorsOn) {
    test_support::TemporaryFolder home;
    platform::FileManager::setHomeDirectory(home.path());
    const std::shared_ptr<void> restore(nullptr,
                                        [](void*) { platform::FileManager::setHomeDirectory(std::nullopt); });
    auto list = [](bool skipHidden) {
        return Brindle::contentsOfDirectory(platform::SearchPathDirectory::documentDirectory, skipHidden);
    };
    auto missing = list(false);  // no Documents folder yet
    ASSERT_FALSE(missing.ok());
    EXPECT_FALSE(missing.error().description.empty());

    std::filesystem::create_directories(home / "Documents/Projects");
    test_support::writeFile(home / "Documents/notes.txt", "x");
    test_support::writeFile(home / "Documents/.hidden", "x");
    auto all = list(false);
    ASSERT_TRUE(all.ok()) << all.error().description;
    std::vector<std::string> names;
    for (const auto& url : all.value()) names.push_back(url.lastPathComponent());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".hidden", "Projects", "notes.txt"}));
    EXPECT_EQ(list(true).value().size(), 2u);
}
