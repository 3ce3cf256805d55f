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

std::string groupOf(const X11Snapshot& snapshot, std::int32_t pid) {
    const auto* group = snapshot.groupOfPid(pid);
    return group ? group->identifier : "none";
}

}  // namespace

TEST(X11SnapshotTest, LookupsAnswerAsTheWalksDoAndTrustNoIndexTheWindowsOutgrew) {
    // Two applications: "a" started by 10 with a window of a helper process 12 in front, "b" by 20.
    X11Snapshot snapshot;
    snapshot.windows = {window(3, 12, "a"), window(1, 10, "a"), window(2, 20, "b")};
    snapshot.groups["a"] = X11Group{"a", "A", "/a/", 10, {3, 1}};
    snapshot.groups["b"] = X11Group{"b", "B", "/b/", 20, {2}};
    const auto lookups = [&](const char* when) {
        for (std::uint32_t id : {1u, 2u, 3u})
            EXPECT_TRUE(snapshot.window(id) && snapshot.window(id)->id == id) << when << " " << id;
        EXPECT_EQ(snapshot.window(4), nullptr) << when;
        const std::pair<std::int32_t, std::string> groups[] = {{10, "a"}, {12, "a"}, {20, "b"}, {99, "none"}};
        for (const auto& [pid, group] : groups)
            EXPECT_EQ(groupOf(snapshot, pid), group) << when << " " << pid;
    };
    lookups("walked");
    snapshot.index();
    lookups("indexed");
    std::swap(snapshot.windows[0], snapshot.windows[2]);
    lookups("reordered, the entries pointing at other windows");
    snapshot.windows.push_back(window(5, 30, "c"));
    snapshot.groups["c"] = X11Group{"c", "C", "/c/", 30, {5}};
    EXPECT_EQ(groupOf(snapshot, 30), "c") << "a group the index does not cover";
    snapshot.index();
    auto copy = snapshot;
    EXPECT_EQ(copy.window(5), &copy.windows.back()) << "a copy's index points into the copy";
}
