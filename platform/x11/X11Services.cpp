#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "platform/base/MainQueue.h"
#include "platform/base/Process.h"
#include "platform/system/Accessibility.h"
#include "platform/system/AppleScript.h"
#include "platform/system/Application.h"
#include "platform/system/LoginItems.h"
#include "platform/system/Screen.h"
#include "platform/system/WindowList.h"
#include "platform/system/Workspace.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/XInputSource.h"
#include "platform/xdg/AutostartLoginItem.h"
#include "platform/xdg/Session.h"
#include "platform/xdg/WorkspaceOpener.h"

namespace platform::x11 {
namespace {

// The window list's layers: normal windows, docks, desktops.
constexpr std::int64_t normalLayer = 0;
constexpr std::int64_t dockLayer = 20;
constexpr std::int64_t desktopLayer = -2147483623;

std::int64_t layerOf(const X11Window& window) {
    switch (window.type) {
        case X11Window::Type::dock:
            return dockLayer;
        case X11Window::Type::desktop:
            return desktopLayer;
        default:
            return normalLayer;
    }
}

bool isApplicationWindow(const X11Window& window) {
    return window.type == X11Window::Type::normal || window.type == X11Window::Type::other;
}

}  // namespace

class X11Desktop::RunningApplicationImpl final : public RunningApplication {
public:
    RunningApplicationImpl(std::weak_ptr<X11Desktop> desktop, X11Group group, bool own)
        : desktop_(std::move(desktop)), group_(std::move(group)), own_(own) {}

    const std::string& group() const { return group_.identifier; }
    void markTerminated() { terminated_ = true; }
    void setPolicy(ActivationPolicy policy) { policy_ = policy; }

    std::int32_t processIdentifier() const override { return group_.pid; }
    std::optional<URL> bundleURL() const override {
        if (own_ || group_.bundlePath.empty()) return std::nullopt;
        return URL::fileURL(group_.bundlePath, true);
    }
    std::optional<std::string> bundleIdentifier() const override { return group_.identifier; }
    std::optional<std::string> localizedName() const override {
        if (group_.name.empty()) return std::nullopt;
        return group_.name;
    }
    std::optional<Image> icon() const override {
        std::lock_guard lock(iconMutex_);
        if (!icon_)
            if (auto desktop = desktop_.lock()) icon_ = desktop->iconOf(group_.identifier);
        return icon_;
    }
    ActivationPolicy activationPolicy() const override {
        if (own_) return policy_;
        auto desktop = desktop_.lock();
        if (!desktop || terminated_) return ActivationPolicy::regular;
        auto snapshot = desktop->snapshot();
        for (const auto& window : snapshot->windows)
            if (window.group == group_.identifier && isApplicationWindow(window))
                return ActivationPolicy::regular;
        return ActivationPolicy::accessory;
    }
    bool isActive() const override {
        auto desktop = desktop_.lock();
        return desktop && !terminated_ && desktop->snapshot()->activeGroup == group_.identifier;
    }
    bool isHidden() const override {
        auto desktop = desktop_.lock();
        if (!desktop || terminated_) return false;
        auto snapshot = desktop->snapshot();
        bool any = false;
        for (const auto& window : snapshot->windows) {
            if (window.group != group_.identifier || !isApplicationWindow(window)) continue;
            if (!window.hidden) return false;
            any = true;
        }
        return any;
    }
    bool isTerminated() const override {
        // Quitting is seen when the windows are read again.
        if (auto desktop = desktop_.lock(); desktop && !terminated_) desktop->snapshot();
        return terminated_;
    }
    bool isFinishedLaunching() const override { return true; }
    bool ownsMenuBar() const override {
        return isActive() && activationPolicy() == ActivationPolicy::regular;
    }

    bool activate(std::uint64_t options) override {
        auto desktop = desktop_.lock();
        return desktop && !terminated_ && desktop->activateGroup(group_.identifier, options);
    }
    bool terminate() override {
        auto desktop = desktop_.lock();
        return desktop && !terminated_ && !own_ && desktop->closeGroup(group_.identifier);
    }
    bool forceTerminate() override {
        auto desktop = desktop_.lock();
        return desktop && !terminated_ && !own_ && desktop->killGroup(group_.identifier);
    }
    bool hide() override {
        auto desktop = desktop_.lock();
        if (!desktop || terminated_) return false;
        std::vector<std::uint32_t> windows;
        for (const auto& window : desktop->snapshot()->windows)
            if (window.group == group_.identifier && isApplicationWindow(window) && !window.hidden)
                windows.push_back(window.id);
        return desktop->iconify(windows);
    }
    bool unhide() override {
        auto desktop = desktop_.lock();
        if (!desktop || terminated_) return false;
        bool any = false;
        for (const auto& window : desktop->snapshot()->windows)
            if (window.group == group_.identifier && window.hidden) any = desktop->activateWindow(window.id);
        desktop->invalidate();
        return any;
    }

private:
    const std::weak_ptr<X11Desktop> desktop_;
    const X11Group group_;
    const bool own_;
    std::atomic<bool> terminated_{false};
    std::atomic<ActivationPolicy> policy_{ActivationPolicy::regular};
    mutable std::mutex iconMutex_;
    mutable std::optional<Image> icon_;
};

void X11Desktop::reconcile(const X11Snapshot& snapshot) {
    std::lock_guard lock(objectsMutex_);
    for (auto it = objects_.begin(); it != objects_.end();) {
        if (it->first != options_.ownBundleIdentifier && !snapshot.groups.count(it->first)) {
            it->second->markTerminated();
            launchOrder_.erase(std::remove(launchOrder_.begin(), launchOrder_.end(), it->first),
                               launchOrder_.end());
            it = objects_.erase(it);
        } else {
            ++it;
        }
    }
    // Quit applications that were never asked for leave the launch order too.
    launchOrder_.erase(std::remove_if(launchOrder_.begin(), launchOrder_.end(),
                                      [&](const std::string& group) {
                                          return group != options_.ownBundleIdentifier &&
                                                 !snapshot.groups.count(group);
                                      }),
                       launchOrder_.end());
    for (const auto& [identifier, group] : snapshot.groups) {
        if (objects_.count(identifier)) continue;
        objects_[identifier] = std::make_shared<RunningApplicationImpl>(
            weak_from_this(), group, identifier == options_.ownBundleIdentifier);
    }
}

std::shared_ptr<X11Desktop::RunningApplicationImpl> X11Desktop::object(const std::string& group) {
    std::lock_guard lock(objectsMutex_);
    auto& object = objects_[group];
    if (!object) {
        bool own = group == options_.ownBundleIdentifier;
        X11Group description{group, own ? options_.ownName : group, "", own ? std::int32_t(getpid()) : 0, {}};
        object = std::make_shared<RunningApplicationImpl>(weak_from_this(), description, own);
    }
    return object;
}

std::vector<std::shared_ptr<RunningApplication>> X11Desktop::runningApplications() {
    snapshot();
    auto own = object(options_.ownBundleIdentifier);
    std::vector<std::shared_ptr<RunningApplication>> result;
    std::lock_guard lock(objectsMutex_);
    for (const auto& group : launchOrder_)
        if (auto found = objects_.find(group); found != objects_.end()) result.push_back(found->second);
    return result;
}

class X11Desktop::WorkspaceImpl final : public Workspace {
public:
    explicit WorkspaceImpl(std::weak_ptr<X11Desktop> desktop) : desktop_(std::move(desktop)) {
        auto strong = desktop_.lock();
        if (!strong || !strong->options_.applications) return;
        xdg::WorkspaceOpener::Running running;
        running.byBundle = [this](const std::string& path) -> std::shared_ptr<RunningApplication> {
            auto folder = path + "/";
            for (const auto& application : runningApplications())
                if (auto url = application->bundleURL(); url && url->path() == folder) return application;
            return nullptr;
        };
        running.byProcess = [desktop = desktop_](int pid) -> std::shared_ptr<RunningApplication> {
            auto strong = desktop.lock();
            const auto* group = strong ? strong->snapshot()->groupOfPid(pid) : nullptr;
            return group ? strong->object(group->identifier) : nullptr;
        };
        opener_ = std::make_unique<xdg::WorkspaceOpener>(strong->options_.applications, std::move(running));
    }

    std::vector<std::shared_ptr<RunningApplication>> runningApplications() override {
        auto desktop = desktop_.lock();
        return desktop ? desktop->runningApplications() : std::vector<std::shared_ptr<RunningApplication>>{};
    }
    std::shared_ptr<RunningApplication> frontmostApplication() override {
        auto desktop = desktop_.lock();
        if (!desktop) return nullptr;
        auto group = desktop->snapshot()->activeGroup;
        return group.empty() ? nullptr : desktop->object(group);
    }
    bool open(const URL& url) override { return opener_ && opener_->open(url); }
    void open(const URL& url, const OpenConfiguration& configuration, OpenCompletion completion) override {
        if (!opener_) return fail(url, std::move(completion));
        opener_->open(url, configuration, std::move(completion));
    }
    void openApplication(const URL& url, const OpenConfiguration& configuration,
                         OpenCompletion completion) override {
        if (!opener_) return fail(url, std::move(completion));
        opener_->openApplication(url, configuration, std::move(completion));
    }
    void open(const std::vector<URL>& urls, const URL& url, const OpenConfiguration& configuration,
              OpenCompletion completion) override {
        if (!opener_) return fail(url, std::move(completion));
        opener_->open(urls, url, configuration, std::move(completion));
    }
    bool selectFile(const std::optional<std::string>& file, const std::string& root) override {
        return opener_ && opener_->selectFile(file, root);
    }
    void hideOtherApplications() override {
        if (auto desktop = desktop_.lock()) desktop->hideOthers(desktop->options_.ownBundleIdentifier);
    }
    Image iconForFile(const std::string& path) override {
        auto desktop = desktop_.lock();
        if (desktop && desktop->options_.applications)
            if (auto icon = desktop->options_.applications->bundleIcon(path)) return *icon;
        return Image(
            "<svg xmlns='http://www.w3.org/2000/svg' width='64' height='64'><path d='M14 6h26l12 12v40H14z' "
            "fill='#d9dde3'/></svg>",
            Size{64, 64});
    }

private:
    static void fail(const URL& url, OpenCompletion completion) {
        if (!completion) return;
        MainQueue::async([completion = std::move(completion), text = url.absoluteString()] {
            completion(nullptr, "The application at " + text + " cannot be opened.");
        });
    }

    const std::weak_ptr<X11Desktop> desktop_;
    std::unique_ptr<xdg::WorkspaceOpener> opener_;
};

class X11Desktop::Element final : public AccessibilityElement {
public:
    Element(std::int32_t pid, std::uint32_t window) : pid(pid), window(window) {}
    std::int32_t processIdentifier() const override { return pid; }
    bool isEqual(const AccessibilityElement& other) const override {
        auto* element = dynamic_cast<const Element*>(&other);
        return element && element->pid == pid && element->window == window;
    }
    const std::int32_t pid;
    // None for the application itself.
    const std::uint32_t window;
};

class X11Desktop::AccessibilityImpl final : public Accessibility {
public:
    explicit AccessibilityImpl(std::weak_ptr<X11Desktop> desktop) : desktop_(std::move(desktop)) {}

    bool isProcessTrusted(bool prompt) override {
        auto desktop = desktop_.lock();
        if (!desktop) return false;
        bool trusted = desktop->trusted();
        // The permission page's button: the user's consent is the trust.
        if (!trusted && prompt) desktop->recordConsent();
        return trusted;
    }
    AXUIElement applicationElement(std::int32_t pid) override {
        return std::make_shared<const Element>(pid, 0);
    }

    std::optional<AXValue> copyAttributeValue(const AXUIElement& element,
                                              const std::string& attribute) override {
        auto desktop = desktop_.lock();
        const auto* target = dynamic_cast<const Element*>(element.get());
        if (!desktop || !target || !desktop->trusted()) return std::nullopt;
        auto snapshot = desktop->snapshot();
        const auto* group = snapshot->groupOfPid(target->pid);
        if (!group) return std::nullopt;
        if (!target->window) {
            if (attribute == "AXRole") return AXValue("AXApplication");
            if (attribute == "AXTitle") return AXValue(group->name);
            if (attribute == "AXFrontmost") return AXValue(snapshot->activeGroup == group->identifier);
            if (attribute == "AXWindows" || attribute == "AXChildren") {
                AXValue::Array windows;
                for (auto id : group->windows) {
                    const auto* window = snapshot->window(id);
                    // Windows on other desktops are out of reach, as on another space.
                    if (isApplicationWindow(*window) && window->onCurrentDesktop)
                        windows.emplace_back(AXUIElement(std::make_shared<const Element>(target->pid, id)));
                }
                return AXValue(std::move(windows));
            }
            return std::nullopt;
        }
        const auto* window = snapshot->window(target->window);
        if (!window || window->group != group->identifier) return std::nullopt;
        if (attribute == "AXRole") return AXValue("AXWindow");
        if (attribute == "AXSubrole") return AXValue("AXStandardWindow");
        if (attribute == "AXTitle") return AXValue(window->title);
        if (attribute == "AXMinimized") return AXValue(window->hidden);
        if (attribute == "AXFullScreen") return AXValue(window->fullscreen);
        if (attribute == "AXPosition") return AXValue(window->frame.origin);
        if (attribute == "AXSize") return AXValue(window->frame.size);
        if (attribute == "AXParent")
            return AXValue(AXUIElement(std::make_shared<const Element>(target->pid, 0)));
        return std::nullopt;
    }

    AXError setAttributeValue(const AXUIElement& element, const std::string& attribute,
                              const AXValue& value) override {
        auto desktop = desktop_.lock();
        const auto* target = dynamic_cast<const Element*>(element.get());
        if (!desktop || !target) return AXError::illegalArgument;
        if (!desktop->trusted()) return AXError::apiDisabled;
        if (!target->window || attribute != "AXMinimized") return AXError::attributeUnsupported;
        auto minimized = value.boolValue();
        if (!minimized) return AXError::illegalArgument;
        auto snapshot = desktop->snapshot();
        const auto* window = snapshot->window(target->window);
        const auto* group = snapshot->groupOfPid(target->pid);
        if (!window || !group || window->group != group->identifier) return AXError::invalidUIElement;
        if (*minimized)
            desktop->iconify({window->id});
        else
            desktop->activateWindow(window->id);
        desktop->invalidate();
        return AXError::success;
    }

private:
    const std::weak_ptr<X11Desktop> desktop_;
};

class X11Desktop::WindowListImpl final : public WindowList {
public:
    explicit WindowListImpl(std::weak_ptr<X11Desktop> desktop) : desktop_(std::move(desktop)) {}

    std::vector<WindowInfo> copyWindowInfo(std::uint32_t options) override {
        auto desktop = desktop_.lock();
        if (!desktop) return {};
        auto snapshot = desktop->snapshot();
        std::vector<std::pair<std::int64_t, WindowInfo>> entries;
        for (const auto& window : snapshot->windows) {
            bool onScreen = !window.hidden && window.onCurrentDesktop;
            if ((options & WindowListOption::onScreenOnly) && !onScreen) continue;
            const auto& group = snapshot->groups.at(window.group);
            WindowInfo info;
            info.insert_or_assign("kCGWindowNumber", static_cast<std::int64_t>(window.id));
            info.insert_or_assign("kCGWindowOwnerPID", group.pid);
            info.insert_or_assign("kCGWindowOwnerName", group.name);
            info.insert_or_assign("kCGWindowName", window.title);
            info.insert_or_assign("kCGWindowLayer", layerOf(window));
            info.insert_or_assign("kCGWindowAlpha", 1.0);
            if (onScreen) info.insert_or_assign("kCGWindowIsOnscreen", true);
            info.insert_or_assign("kCGWindowBounds",
                                  DefaultsValue::Dictionary{{"X", window.frame.origin.x},
                                                            {"Y", window.frame.origin.y},
                                                            {"Width", window.frame.size.width},
                                                            {"Height", window.frame.size.height}});
            entries.emplace_back(layerOf(window), std::move(info));
        }
        // Higher layers lie in front of lower ones.
        std::stable_sort(entries.begin(), entries.end(),
                         [](const auto& a, const auto& b) { return a.first > b.first; });
        std::vector<WindowInfo> result;
        result.reserve(entries.size());
        for (auto& entry : entries) result.push_back(std::move(entry.second));
        return result;
    }

private:
    const std::weak_ptr<X11Desktop> desktop_;
};

class X11Desktop::EventMonitorsImpl final : public EventMonitors {
public:
    explicit EventMonitorsImpl(std::weak_ptr<X11Desktop> desktop) : desktop_(std::move(desktop)) {}

    std::shared_ptr<EventMonitor> addGlobalMonitor(EventMask mask, GlobalHandler handler) override {
        return add(Monitor{nullptr, true, mask, std::move(handler), {}});
    }
    std::shared_ptr<EventMonitor> addLocalMonitor(EventMask mask, LocalHandler handler) override {
        return add(Monitor{nullptr, false, mask, {}, std::move(handler)});
    }
    std::optional<Event> deliverToApplication(const Event& event) override { return deliverLocal(event); }
    void removeMonitor(const std::shared_ptr<EventMonitor>& token) override {
        std::lock_guard lock(mutex_);
        monitors_.erase(std::remove_if(monitors_.begin(), monitors_.end(),
                                       [&](const Monitor& monitor) { return monitor.token == token; }),
                        monitors_.end());
    }
    std::uint64_t modifierFlags() override {
        auto desktop = desktop_.lock();
        return desktop ? desktop->input()->modifierFlags() : 0;
    }
    Point mouseLocation() override {
        auto desktop = desktop_.lock();
        return desktop ? desktop->input()->mouseLocation() : Point{};
    }

    void deliverGlobal(const Event& event) {
        for (auto& monitor : matching(event, true)) monitor.globalHandler(event);
    }
    std::optional<Event> deliverLocal(Event event) {
        for (auto& monitor : matching(event, false)) {
            auto result = monitor.localHandler(event);
            if (!result) return std::nullopt;
            event = *result;
        }
        return event;
    }

private:
    class Token final : public EventMonitor {};
    struct Monitor {
        std::shared_ptr<EventMonitor> token;
        bool global = true;
        EventMask mask = 0;
        GlobalHandler globalHandler;
        LocalHandler localHandler;
    };

    std::shared_ptr<EventMonitor> add(Monitor monitor) {
        monitor.token = std::make_shared<Token>();
        std::lock_guard lock(mutex_);
        monitors_.push_back(monitor);
        return monitor.token;
    }
    // A copy, so that handlers may add and remove monitors.
    std::vector<Monitor> matching(const Event& event, bool global) {
        std::vector<Monitor> result;
        std::lock_guard lock(mutex_);
        for (const auto& monitor : monitors_)
            if (monitor.global == global && (monitor.mask & eventMask(event.type))) result.push_back(monitor);
        return result;
    }

    const std::weak_ptr<X11Desktop> desktop_;
    std::mutex mutex_;
    std::vector<Monitor> monitors_;
};

void X11Desktop::deliverGlobal(const Event& event) {
    // Events of the program's own windows are its own, not another application's. The last
    // reading serves: the pointer's every move must not wait on the display.
    std::shared_ptr<const X11Snapshot> snapshot;
    {
        std::lock_guard lock(publishedMutex_);
        snapshot = published_;
    }
    if (!snapshot) snapshot = this->snapshot();
    bool key = event.type == EventType::keyDown || event.type == EventType::keyUp ||
               event.type == EventType::flagsChanged;
    if (key && snapshot->activeGroup == options_.ownBundleIdentifier) return;
    if (!key) {
        double height = 0;
        if (auto screens = Screens::screens(); !screens.empty()) height = screens.front().frame.height();
        Point root{event.location.x, height - event.location.y};
        for (const auto& window : snapshot->windows) {
            if (window.hidden || !window.onCurrentDesktop || !window.frame.contains(root)) continue;
            if (window.group == options_.ownBundleIdentifier) return;
            break;
        }
    }
    std::static_pointer_cast<EventMonitorsImpl>(eventMonitors_)->deliverGlobal(event);
}

std::optional<Event> X11Desktop::deliverLocal(const Event& event) {
    return std::static_pointer_cast<EventMonitorsImpl>(eventMonitors_)->deliverLocal(event);
}

class X11Desktop::ApplicationImpl final : public Application {
public:
    explicit ApplicationImpl(std::weak_ptr<X11Desktop> desktop) : desktop_(std::move(desktop)) {}

    ActivationPolicy activationPolicy() override { return policy_; }
    bool setActivationPolicy(ActivationPolicy policy) override {
        policy_ = policy;
        if (auto desktop = desktop_.lock())
            desktop->object(desktop->options_.ownBundleIdentifier)->setPolicy(policy);
        return true;
    }
    void activate(bool) override {
        if (auto desktop = desktop_.lock())
            desktop->activateGroup(desktop->options_.ownBundleIdentifier, ApplicationActivationOptions::none);
    }
    void hideOtherApplications() override {
        if (auto desktop = desktop_.lock()) desktop->hideOthers(desktop->options_.ownBundleIdentifier);
    }
    std::shared_ptr<RunningApplication> currentApplication() override {
        auto desktop = desktop_.lock();
        return desktop ? desktop->object(desktop->options_.ownBundleIdentifier) : nullptr;
    }
    void setWillTerminateHandler(std::function<void()> handler) override {
        willTerminate_ = std::move(handler);
    }
    void terminate() override {
        if (willTerminate_) willTerminate_();
        exitProcess(0);
    }

private:
    const std::weak_ptr<X11Desktop> desktop_;
    std::atomic<ActivationPolicy> policy_{ActivationPolicy::regular};
    std::function<void()> willTerminate_;
};

// No scripting language of the other platform exists here: a script runs without a result.
class X11Desktop::AppleScriptImpl final : public AppleScript {
public:
    AppleScriptResult execute(const std::string&) override { return {}; }
};

void X11Desktop::setUpServices() {
    auto self = weak_from_this();
    workspace_ = std::make_shared<WorkspaceImpl>(self);
    accessibility_ = std::make_shared<AccessibilityImpl>(self);
    windowList_ = std::make_shared<WindowListImpl>(self);
    eventMonitors_ = std::make_shared<EventMonitorsImpl>(self);
    loginItems_ = std::make_shared<xdg::AutostartLoginItem>();
    session_ = std::make_shared<xdg::Session>();
    appleScript_ = std::make_shared<AppleScriptImpl>();
    application_ = std::make_shared<ApplicationImpl>(self);
    input_->setHandler([self](const Event& event) {
        MainQueue::async([self, event] {
            if (auto desktop = self.lock()) desktop->deliverGlobal(event);
        });
    });
}

}  // namespace platform::x11
