#include "Velmora/tracking/WindowSystemUtils.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_set>

#include "platform/system/WindowList.h"
#include "platform/system/Workspace.h"

namespace Velmora {
namespace {

using platform::AXValue;
using platform::DefaultsValue;

template <typename Integer>
Integer saturatingTruncation(double value) {
    if (std::isnan(value)) return 0;
    // Comparing against the limits as doubles is exact for these powers of two.
    constexpr double lower = static_cast<double>(std::numeric_limits<Integer>::min());
    constexpr double upper = -lower;
    if (value <= lower) return std::numeric_limits<Integer>::min();
    if (value >= upper) return std::numeric_limits<Integer>::max();
    return static_cast<Integer>(value);
}

constexpr std::int64_t maximumWindows = 100;

std::optional<std::string> text(const std::optional<AXValue>& value) {
    if (!value || !value->stringValue()) return std::nullopt;
    return *value->stringValue();
}

double number(const WindowRecord& record, const char* key) {
    const auto* found = record.value(key);
    return found ? found->doubleValue().value_or(0) : 0;
}

std::optional<std::string> recordTitle(const WindowRecord& record) {
    const auto* found = record.value("title");
    if (!found || !found->stringValue()) return std::nullopt;
    return *found->stringValue();
}

// Made once, so that comparing with them builds no text.
const std::string ownerPidKey = "kCGWindowOwnerPID";
const std::string nameKey = "kCGWindowName";
const std::string ownerNameKey = "kCGWindowOwnerName";
const std::string boundsKey = "kCGWindowBounds";
const std::string layerKey = "kCGWindowLayer";
const std::string boundsXKey = "X";
const std::string boundsYKey = "Y";
const std::string boundsWidthKey = "Width";
const std::string boundsHeightKey = "Height";

}  // namespace

WindowRecord::WindowRecord(std::initializer_list<Entry> entries) {
    entries_.reserve(entries.size());
    for (const auto& [key, value] : entries) insert_or_assign(key, value);
}

WindowRecord::const_iterator WindowRecord::find(std::string_view key) const {
    return std::find_if(entries_.begin(), entries_.end(),
                        [key](const Entry& entry) { return entry.first == key; });
}

const DefaultsValue& WindowRecord::at(std::string_view key) const {
    auto found = find(key);
    if (found == end()) throw std::out_of_range("no window record entry " + std::string(key));
    return found->second;
}

const DefaultsValue* WindowRecord::value(std::string_view key) const {
    auto found = find(key);
    return found == end() ? nullptr : &found->second;
}

void WindowRecord::insert_or_assign(std::string_view key, DefaultsValue value) {
    for (auto& entry : entries_) {
        if (entry.first == key) {
            entry.second = std::move(value);
            return;
        }
    }
    entries_.emplace_back(std::string(key), std::move(value));
}

void WindowRecord::erase(std::string_view key) {
    std::erase_if(entries_, [key](const Entry& entry) { return entry.first == key; });
}

bool operator==(const WindowRecord& a, const WindowRecord& b) {
    if (a.size() != b.size()) return false;
    for (const auto& [key, value] : a) {
        const auto* other = b.value(key);
        if (!other || !(*other == value)) return false;
    }
    return true;
}

std::int32_t truncatedInt32(double value) { return saturatingTruncation<std::int32_t>(value); }
std::int64_t truncatedInt64(double value) { return saturatingTruncation<std::int64_t>(value); }

std::string WindowSystemUtils::windowIdentity(std::int32_t pid, const std::optional<std::string>& title,
                                              double x, double y, double w, double h) {
    return std::to_string(pid) + "_" + title.value_or("(null)") + "_" + std::to_string(truncatedInt32(x)) +
           "_" + std::to_string(truncatedInt32(y)) + "_" + std::to_string(truncatedInt32(w)) + "_" +
           std::to_string(truncatedInt32(h));
}

bool WindowSystemUtils::hasPermission() { return platform::Accessibility::shared()->isProcessTrusted(false); }

void WindowSystemUtils::handlePermission() {
    (void)platform::Accessibility::shared()->isProcessTrusted(true);
}

std::optional<AXValue> WindowSystemUtils::getValueForKey(const std::string& key,
                                                         const platform::AXUIElement& element) {
    if (!element) return std::nullopt;
    return platform::Accessibility::shared()->copyAttributeValue(element, key);
}

platform::AXUIElement WindowSystemUtils::copyAXUIElementFrom(const platform::AXUIElement& parent,
                                                             const std::string& role, std::int64_t index) {
    auto children = getValueForKey("AXChildren", parent);
    if (!children || !children->arrayValue()) return nullptr;
    std::int64_t counter = -1;
    for (const auto& value : *children->arrayValue()) {
        auto child = value.elementValue();
        if (!child) continue;
        if (text(getValueForKey("AXRole", child)) == role) ++counter;
        if (counter == index) return child;
    }
    return nullptr;
}

std::optional<WindowRecord> WindowSystemUtils::retrieveWindowInformation(const platform::AXUIElement& window,
                                                                         std::optional<std::int32_t> pid) {
    auto minimized = getValueForKey("AXMinimized", window);
    auto title = getValueForKey("AXTitle", window);
    auto role = getValueForKey("AXRole", window);
    auto position = getValueForKey("AXPosition", window);
    auto size = getValueForKey("AXSize", window);
    auto fullscreen = getValueForKey("AXFullScreen", window);
    auto zoomed = getValueForKey("AXZoomed", window);
    if (text(role) != "AXWindow") return std::nullopt;

    auto point = position ? position->pointValue().value_or(platform::Point{}) : platform::Point{};
    auto extent = size ? size->sizeValue().value_or(platform::Size{}) : platform::Size{};

    // A value of another kind than the attribute's counts as unreadable.
    WindowRecord record;
    if (auto value = text(title)) record.insert_or_assign("title", *value);
    if (minimized && minimized->boolValue()) record.insert_or_assign("minimized", *minimized->boolValue());
    if (fullscreen && fullscreen->boolValue())
        record.insert_or_assign("fullscreen", *fullscreen->boolValue());
    if (zoomed && zoomed->boolValue().value_or(false)) record.insert_or_assign("zoomed", true);
    record.insert_or_assign("position_x", point.x);
    record.insert_or_assign("position_y", point.y);
    record.insert_or_assign("size_w", extent.width);
    record.insert_or_assign("size_h", extent.height);
    if (pid) record.insert_or_assign("pid", *pid);
    return record;
}

WindowRecordsByProcess WindowSystemUtils::axWindows(const std::vector<std::int32_t>& processIdentifiers) {
    WindowRecordsByProcess result;
    auto accessibility = platform::Accessibility::shared();
    for (auto pid : processIdentifiers) {
        auto application = accessibility->applicationElement(pid);
        auto windows = accessibility->copyAttributeValues(application, "AXWindows", 0, maximumWindows);
        auto& records = result[pid];
        records.clear();
        if (!windows) continue;
        for (const auto& value : *windows) {
            auto element = value.elementValue();
            if (!element) continue;
            if (auto record = retrieveWindowInformation(element, pid)) records.push_back(std::move(*record));
        }
    }
    return result;
}

WindowRecord ListedWindow::record() const {
    WindowRecord record;
    record.reserve(9);
    if (title) record.append("title", *title);
    if (ownerName) record.append("owner_name", *ownerName);
    record.append("minimized", false);
    record.append("position_x", x);
    record.append("position_y", y);
    record.append("size_w", width);
    record.append("size_h", height);
    if (layer) record.append("layer", *layer);
    record.append("pid", pid);
    return record;
}

WindowRecordsByProcess WindowSystemUtils::cgWindows(const std::vector<std::int32_t>& processIdentifiers) {
    WindowRecordsByProcess result;
    for (const auto& [pid, windows] : listedWindows(processIdentifiers)) {
        auto& records = result[pid];
        records.reserve(windows.size());
        for (const auto& window : windows) records.push_back(window.record());
    }
    return result;
}

ListedWindowsByProcess WindowSystemUtils::listedWindows(const std::vector<std::int32_t>& processIdentifiers) {
    // Every window is tested against every asked process: a set keeps that linear.
    const std::unordered_set<std::int64_t> asked(processIdentifiers.begin(), processIdentifiers.end());
    ListedWindowsByProcess result;
    for (const auto& info : platform::WindowList::shared()->copyWindowInfo(platform::WindowListOption::all)) {
        // One pass over the entry instead of a search per key.
        const DefaultsValue* owner = nullptr;
        const DefaultsValue* name = nullptr;
        const DefaultsValue* ownerName = nullptr;
        const DefaultsValue* layer = nullptr;
        const DefaultsValue::Dictionary* bounds = nullptr;
        for (const auto& [key, value] : info) {
            if (key == ownerPidKey)
                owner = &value;
            else if (key == nameKey)
                name = &value;
            else if (key == ownerNameKey)
                ownerName = &value;
            else if (key == layerKey)
                layer = &value;
            else if (key == boundsKey)
                bounds = value.dictionaryValue();
        }
        auto ownerPid = owner ? owner->integerValue() : std::nullopt;
        if (!ownerPid || !asked.contains(*ownerPid)) continue;

        ListedWindow window;
        window.pid = static_cast<std::int32_t>(*ownerPid);
        if (name && name->stringValue()) window.title = *name->stringValue();
        if (ownerName && ownerName->stringValue()) window.ownerName = *ownerName->stringValue();
        if (bounds) {
            for (const auto& [key, value] : *bounds) {
                if (key == boundsXKey)
                    window.x = value.doubleValue().value_or(0);
                else if (key == boundsYKey)
                    window.y = value.doubleValue().value_or(0);
                else if (key == boundsWidthKey)
                    window.width = value.doubleValue().value_or(0);
                else if (key == boundsHeightKey)
                    window.height = value.doubleValue().value_or(0);
            }
        }
        if (layer) window.layer = layer->integerValue();
        result[window.pid].push_back(std::move(window));
    }
    return result;
}

std::optional<BadgeMap> WindowSystemUtils::badges() {
    std::shared_ptr<platform::RunningApplication> dock;
    for (const auto& application : platform::Workspace::shared()->runningApplications()) {
        if (application->bundleIdentifier() == "com.apple.dock") {
            dock = application;
            break;
        }
    }
    if (!dock) return std::nullopt;
    auto dockElement = platform::Accessibility::shared()->applicationElement(dock->processIdentifier());
    auto list = copyAXUIElementFrom(dockElement, "AXList", 0);
    if (!list) return std::nullopt;
    auto children = getValueForKey("AXChildren", list);
    if (!children || !children->arrayValue() || children->arrayValue()->empty()) return std::nullopt;

    // Title and label come from the same item; an item without a readable title has no key for
    // its badge and is skipped.
    BadgeMap result;
    for (const auto& value : *children->arrayValue()) {
        auto item = value.elementValue();
        if (!item || text(getValueForKey("AXRole", item)) != "AXDockItem") continue;
        auto title = text(getValueForKey("AXTitle", item));
        if (!title) continue;
        if (auto label = text(getValueForKey("AXStatusLabel", item))) result[*title] = *label;
    }
    return result;
}

bool WindowSystemUtils::activate(const std::shared_ptr<platform::RunningApplication>& application,
                                 const std::optional<std::string>& window) {
    if (!application || !window) return false;
    auto accessibility = platform::Accessibility::shared();
    auto pid = application->processIdentifier();
    auto element = accessibility->applicationElement(pid);
    auto windows = accessibility->copyAttributeValues(element, "AXWindows", 0, maximumWindows);
    if (!windows) return false;
    for (const auto& value : *windows) {
        auto candidate = value.elementValue();
        if (!candidate) continue;
        auto record = retrieveWindowInformation(candidate, std::nullopt);
        if (!record) continue;
        auto identity = windowIdentity(pid, recordTitle(*record), number(*record, "position_x"),
                                       number(*record, "position_y"), number(*record, "size_w"),
                                       number(*record, "size_h"));
        if (identity != *window) continue;
        (void)getValueForKey("AXMinimized", candidate);
        return accessibility->setAttributeValue(candidate, "AXMinimized", AXValue(false)) ==
               platform::AXError::success;
    }
    return false;
}

std::optional<platform::Image> WindowSystemUtils::getScreenshotOfWindowId(std::int64_t windowNumber) {
    if (windowNumber < 0 || windowNumber > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    auto image = platform::WindowList::shared()->createImage(static_cast<std::uint32_t>(windowNumber));
    if (!image || (image->size().width <= 1 && image->size().height <= 1)) return std::nullopt;
    return image;
}

}  // namespace Velmora
