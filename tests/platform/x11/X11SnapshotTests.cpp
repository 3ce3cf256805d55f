#include <gtest/gtest.h>

#include "platform/x11/X11Snapshot.h"

using namespace platform::x11;

namespace {

X11Window window(std::uint32_t id, std::int32_t pid, const std::string& group) {
    X11Window made;
    made.id = id;
    made.pid = pid;
    made.group = group;
    return made;
}

// Two applications: "a" started by 10 with a window of a helper process 12 in front, "b" by 20.
X11Snapshot twoApplications() {
    X11Snapshot snapshot;
    snapshot.windows = {window(3, 12, "a"), window(1, 10, "a"), window(2, 20, "b")};
    snapshot.groups["a"] = X11Group{"a", "A", "/a/", 10, {3, 1}};
    snapshot.groups["b"] = X11Group{"b", "B", "/b/", 20, {2}};
    return snapshot;
}

std::string groupOf(const X11Snapshot& snapshot, std::int32_t pid) {
    const auto* group = snapshot.groupOfPid(pid);
    return group ? group->identifier : "none";
}

}  // namespace

TEST(X11SnapshotTest, IndexedLookupsAnswerAsTheWalksDo) {
    auto walked = twoApplications();
    auto indexed = twoApplications();
    indexed.index();
    for (const auto* snapshot : {&walked, &indexed}) {
        for (std::uint32_t id : {1u, 2u, 3u}) EXPECT_EQ(snapshot->window(id)->id, id);
        EXPECT_EQ(snapshot->window(4), nullptr);
        const std::pair<std::int32_t, std::string> cases[] = {{10, "a"}, {12, "a"}, {20, "b"}, {99, "none"}};
        for (const auto& [pid, expected] : cases) EXPECT_EQ(groupOf(*snapshot, pid), expected) << pid;
    }
}

TEST(X11SnapshotTest, AnIndexOutgrownByChangedWindowsIsNotTrusted) {
    auto snapshot = twoApplications();
    snapshot.index();
    // Reordered: the entries point at other windows.
    std::swap(snapshot.windows[0], snapshot.windows[2]);
    EXPECT_EQ(snapshot.window(3)->id, 3u);
    // One more window and group: the index no longer covers them.
    snapshot.windows.push_back(window(5, 30, "c"));
    snapshot.groups["c"] = X11Group{"c", "C", "/c/", 30, {5}};
    ASSERT_NE(snapshot.window(5), nullptr);
    EXPECT_EQ(groupOf(snapshot, 30), "c");
    // A copy keeps a working index.
    snapshot.index();
    auto copy = snapshot;
    EXPECT_EQ(&*copy.window(5), &copy.windows.back());
}
