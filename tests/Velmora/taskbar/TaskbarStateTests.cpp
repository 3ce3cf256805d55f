#include <gtest/gtest.h>

#include "Brindle/JSONCoding.h"
#include "Velmora/taskbar/TaskbarState.h"
#include "tests/Velmora/tracking/TrackingTesting.h"

TEST(SettingsSync, PinnedOrderFollowsTheTaskIndexesAndDropsWhatHasNoTask) {
    tracking_testing::Harness harness(R"({"installed": [
        {"name": "Mail", "bundleIdentifier": "com.apple.mail", "bundle": "/Applications/Mail.app"},
        {"name": "Notes", "bundleIdentifier": "com.apple.Notes", "bundle": "/Applications/Notes.app"},
        {"name": "Photos", "bundleIdentifier": "com.apple.Photos", "bundle": "/Applications/Photos.app"}],
      "defaults": {"pinned": ["file:///Applications/Mail.app/", "file:///Applications/Notes.app/",
                              "file:///Applications/Photos.app/"]}})",
                                      true);
    auto& settings = *harness.settings;
    auto before = settings.pinnedApplications.value();
    using tracking_testing::task;
    harness.manager->allTasks.set({task("file:///Applications/Mail.app/", 4, {}, "Mail"),
                                   task("file:///Applications/Other.app/", 0, {}, "Other"),
                                   task("file:///Applications/Notes.app/", 1, {}, "Notes"),
                                   task("file:///Applications/Notes.app/", 4, {}, "Notes again")});
    syncPinnedOrder(settings, *harness.manager);
    auto after = settings.pinnedApplications.value();
    EXPECT_EQ(tracking_testing::titles(after), (std::vector<std::string>{"Notes", "Mail", "Notes"}))
        << "equal indexes keep their order; Photos has no task";
    EXPECT_EQ(tracking_testing::indexes(after), (std::vector<std::int64_t>{0, 1, 2}));
    EXPECT_NE(after[1], before.at(0)) << "new tasks";
    EXPECT_EQ(platform::UserDefaults::standard()->dataForKey(Velmora::SettingsManager::pinnedKey),
              Brindle::encodeJSON(std::vector<std::string>{"file:///Applications/Notes.app/",
                                                           "file:///Applications/Mail.app/",
                                                           "file:///Applications/Notes.app/"}));
}
