#include "platform/x11/X11RunningApplications.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>

#include "platform/x11/X11Snapshot.h"

namespace platform::x11 {

class X11RunningApplication final : public RunningApplication {
public:
    X11RunningApplication(std::weak_ptr<X11ApplicationHost> host, X11Group group, bool own)
        : host_(std::move(host)), group_(std::move(group)), own_(own) {}

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
            if (auto host = host_.lock()) icon_ = host->iconOf(group_.identifier);
        return icon_;
    }
    ActivationPolicy activationPolicy() const override {
        if (own_) return policy_;
        auto host = host_.lock();
        if (!host || terminated_) return ActivationPolicy::regular;
        auto snapshot = host->snapshot();
        for (const auto& window : snapshot->windows)
            if (window.group == group_.identifier && window.isApplicationWindow())
                return ActivationPolicy::regular;
        return ActivationPolicy::accessory;
    }
    bool isActive() const override {
        auto host = host_.lock();
        return host && !terminated_ && host->snapshot()->activeGroup == group_.identifier;
    }
    bool isHidden() const override {
        auto host = host_.lock();
        if (!host || terminated_) return false;
        auto snapshot = host->snapshot();
        bool any = false;
        for (const auto& window : snapshot->windows) {
            if (window.group != group_.identifier || !window.isApplicationWindow()) continue;
            if (!window.hidden) return false;
            any = true;
        }
        return any;
    }
    bool isTerminated() const override {
        // Quitting is seen when the windows are read again.
        if (auto host = host_.lock(); host && !terminated_) host->snapshot();
        return terminated_;
    }
    bool isFinishedLaunching() const override { return true; }
    bool ownsMenuBar() const override {
        return isActive() && activationPolicy() == ActivationPolicy::regular;
    }

    bool activate(std::uint64_t options) override {
        auto host = host_.lock();
        return host && !terminated_ && host->activateGroup(group_.identifier, options);
    }
    bool terminate() override {
        auto host = host_.lock();
        return host && !terminated_ && !own_ && host->closeGroup(group_.identifier);
    }
    bool forceTerminate() override {
        auto host = host_.lock();
        return host && !terminated_ && !own_ && host->killGroup(group_.identifier);
    }
    bool hide() override {
        auto host = host_.lock();
        return host && !terminated_ && host->hideGroup(group_.identifier);
    }
    bool unhide() override {
        auto host = host_.lock();
        return host && !terminated_ && host->unhideGroup(group_.identifier);
    }

private:
    const std::weak_ptr<X11ApplicationHost> host_;
    const X11Group group_;
    const bool own_;
    std::atomic<bool> terminated_{false};
    std::atomic<ActivationPolicy> policy_{ActivationPolicy::regular};
    mutable std::mutex iconMutex_;
    mutable std::optional<Image> icon_;
};

X11RunningApplications::X11RunningApplications(std::weak_ptr<X11ApplicationHost> host,
                                               std::string ownIdentifier, std::string ownName)
    : host_(std::move(host)), ownIdentifier_(std::move(ownIdentifier)), ownName_(std::move(ownName)) {
    // The program itself runs from the start, whether or not it has a window.
    launchOrder_.push_back(ownIdentifier_);
}

void X11RunningApplications::reconcile(const X11Snapshot& snapshot) {
    std::lock_guard lock(mutex_);
    for (const auto& identifier : snapshot.mappingOrder)
        if (std::find(launchOrder_.begin(), launchOrder_.end(), identifier) == launchOrder_.end())
            launchOrder_.push_back(identifier);
    for (auto it = objects_.begin(); it != objects_.end();) {
        if (it->first != ownIdentifier_ && !snapshot.groups.count(it->first)) {
            it->second->markTerminated();
            it = objects_.erase(it);
        } else {
            ++it;
        }
    }
    // Quit applications leave the launch order, whether or not they were ever asked for.
    std::erase_if(launchOrder_, [&](const std::string& group) {
        return group != ownIdentifier_ && !snapshot.groups.count(group);
    });
    for (const auto& [identifier, group] : snapshot.groups) {
        if (objects_.count(identifier)) continue;
        objects_[identifier] =
            std::make_shared<X11RunningApplication>(host_, group, identifier == ownIdentifier_);
    }
}

std::shared_ptr<X11RunningApplication> X11RunningApplications::object(const std::string& group) {
    auto& object = objects_[group];
    if (!object) {
        bool own = group == ownIdentifier_;
        X11Group description{group, own ? ownName_ : group, "", own ? std::int32_t(getpid()) : 0, {}};
        object = std::make_shared<X11RunningApplication>(host_, description, own);
    }
    return object;
}

std::shared_ptr<RunningApplication> X11RunningApplications::application(const std::string& group) {
    std::lock_guard lock(mutex_);
    return object(group);
}

std::vector<std::shared_ptr<RunningApplication>> X11RunningApplications::ordered() {
    std::lock_guard lock(mutex_);
    object(ownIdentifier_);
    std::vector<std::shared_ptr<RunningApplication>> result;
    for (const auto& group : launchOrder_)
        if (auto found = objects_.find(group); found != objects_.end()) result.push_back(found->second);
    return result;
}

void X11RunningApplications::setOwnActivationPolicy(ActivationPolicy policy) {
    std::lock_guard lock(mutex_);
    object(ownIdentifier_)->setPolicy(policy);
}

}  // namespace platform::x11
