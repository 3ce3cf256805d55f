#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "Brindle/Object.h"
#include "platform/foundation/UserDefaults.h"
#include "platform/system/Accessibility.h"
#include "platform/system/Image.h"
#include "platform/system/RunningApplication.h"

namespace Velmora {

// One window as the bridge hands it over. Both forms hold "title" (text), "minimized" (Boolean),
// "position_x", "position_y", "size_w", "size_h" (numbers, top-left origin of the first screen,
// y down) and "pid"; the Accessibility form adds "fullscreen" (Boolean), the window-list form
// "owner_name" (text) and "layer" (integer).
//
// A record holds about ten keys and a refresh makes hundreds of them, so it is a small list
// searched in place rather than a tree: one allocation per record.
class WindowRecord {
public:
    using Entry = std::pair<std::string, platform::DefaultsValue>;
    using const_iterator = std::vector<Entry>::const_iterator;

    WindowRecord() = default;
    // A later entry replaces an earlier one with the same key.
    WindowRecord(std::initializer_list<Entry> entries);

    const_iterator begin() const { return entries_.begin(); }
    const_iterator end() const { return entries_.end(); }
    std::size_t size() const { return entries_.size(); }
    const_iterator find(std::string_view key) const;
    bool contains(std::string_view key) const { return find(key) != end(); }
    // Throws std::out_of_range for a missing key.
    const platform::DefaultsValue& at(std::string_view key) const;
    // None for a missing key.
    const platform::DefaultsValue* value(std::string_view key) const;

    void insert_or_assign(std::string_view key, platform::DefaultsValue value);
    // Adds an entry for a key the record does not hold yet, without looking for it.
    void append(std::string_view key, platform::DefaultsValue value) {
        entries_.emplace_back(std::string(key), std::move(value));
    }
    void erase(std::string_view key);
    void reserve(std::size_t count) { entries_.reserve(count); }

    // The same keys with the same values, in any order.
    friend bool operator==(const WindowRecord& a, const WindowRecord& b);

private:
    std::vector<Entry> entries_;
};
using WindowRecordsByProcess = std::map<std::int32_t, std::vector<WindowRecord>>;

// One entry of the system's window list, read once: what its window-list record holds.
struct ListedWindow {
    std::int32_t pid = 0;
    std::optional<std::string> title;
    std::optional<std::string> ownerName;
    double x = 0;
    double y = 0;
    double width = 0;
    double height = 0;
    std::optional<std::int64_t> layer;

    // The window-list form of the window record.
    WindowRecord record() const;
};
using ListedWindowsByProcess = std::map<std::int32_t, std::vector<ListedWindow>>;
// Dock badge text by the application's Dock title.
using BadgeMap = std::map<std::string, std::string>;

// Truncation towards zero that saturates at the type's limits and takes NaN as 0, so that no
// coordinate the system reports can make it undefined.
std::int32_t truncatedInt32(double value);
std::int64_t truncatedInt64(double value);

// The one place that talks to Accessibility, the system's window list and the Dock. It holds no
// state: every caller makes a fresh one and may do so on any thread.
class WindowSystemUtils : public Brindle::Object {
public:
    // Trusted for Accessibility; asks without the system's prompt.
    bool hasPermission();
    // Asks with the system's prompt; the answer is not used.
    void handlePermission();

    std::optional<platform::AXValue> getValueForKey(const std::string& key,
                                                    const platform::AXUIElement& element);
    // The index-th child whose role is `role`.
    platform::AXUIElement copyAXUIElementFrom(const platform::AXUIElement& parent, const std::string& role,
                                              std::int64_t index);
    // The Accessibility form of a window element's record; none for an element that is not a
    // window.
    std::optional<WindowRecord> retrieveWindowInformation(const platform::AXUIElement& window,
                                                          std::optional<std::int32_t> pid);
    // Every given process has an entry, possibly empty; up to 100 windows each.
    WindowRecordsByProcess axWindows(const std::vector<std::int32_t>& processIdentifiers);
    // Only processes with windows have an entry; records in the window list's front-to-back order.
    WindowRecordsByProcess cgWindows(const std::vector<std::int32_t>& processIdentifiers);
    // The same windows before they are written as records, for the refresh, which reads every
    // window on the desktop twice a second.
    ListedWindowsByProcess listedWindows(const std::vector<std::int32_t>& processIdentifiers);
    // None when there is no Dock, no Dock list or the list has no items.
    std::optional<BadgeMap> badges();
    // Takes the first window whose identity equals `window` out of the minimised state; true only
    // when that succeeded.
    bool activate(const std::shared_ptr<platform::RunningApplication>& application,
                  const std::optional<std::string>& window);
    // The picture of the window-list window with this number; none when there is no picture or it
    // is at most one point by one.
    std::optional<platform::Image> getScreenshotOfWindowId(std::int64_t windowNumber);

    // "%i_%@_%i_%i_%i_%i": the numbers truncated to 32-bit integers, an absent title as "(null)".
    static std::string windowIdentity(std::int32_t pid, const std::optional<std::string>& title, double x,
                                      double y, double w, double h);
};

}  // namespace Velmora
