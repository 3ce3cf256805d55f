#include <gtest/gtest.h>

#include <vector>

#include "platform/xdg/Settle.h"

using platform::xdg::Settle;

namespace {

constexpr std::int64_t ms = 1000;

// When the action runs for changes at `changes` (in order), on virtual time.
std::vector<std::int64_t> actions(const std::vector<std::int64_t>& changes) {
    Settle settle(200 * ms, 2000 * ms);
    std::vector<std::int64_t> ran;
    std::optional<std::int64_t> due;
    for (auto at : changes) {
        if (due && *due <= at) ran.push_back(*due), settle.acted();
        due = at + settle.changed(at);
    }
    if (due) ran.push_back(*due);
    return ran;
}

// A change every 100 ms up to `until`, then those `after`.
std::vector<std::int64_t> busy(std::int64_t until, std::vector<std::int64_t> after = {}) {
    std::vector<std::int64_t> times;
    for (std::int64_t at = 0; at <= until; at += 100 * ms) times.push_back(at);
    times.insert(times.end(), after.begin(), after.end());
    return times;
}

}  // namespace

TEST(Settle, ActsAQuietSpellAfterABurstButAtLeastEveryLongestWaitWhileChangesGoOn) {
    const std::pair<std::vector<std::int64_t>, std::vector<std::int64_t>> cases[] = {
        {{0}, {200 * ms}},
        {{0, 150 * ms, 300 * ms}, {500 * ms}},
        {{0, 1000 * ms}, {200 * ms, 1200 * ms}},
        // Changes for 5 s: every 2 s, then once after the last.
        {busy(5000 * ms), {2000 * ms, 4000 * ms, 5200 * ms}},
        // The longest wait counts from the first change after an action.
        {busy(1900 * ms, {2050 * ms}), {2000 * ms, 2250 * ms}},
    };
    for (const auto& [changes, expected] : cases) EXPECT_EQ(actions(changes), expected) << changes.size();
}
