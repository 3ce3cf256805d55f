#pragma once
// The running applications of the X11 desktop: one object per group of windows, kept for the life
// of the group, in the order the applications started.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/Image.h"
#include "platform/system/RunningApplication.h"

namespace platform::x11 {

struct X11Snapshot;
class X11RunningApplication;

// What a running application asks of the desktop it runs on.
class X11ApplicationHost {
public:
    virtual ~X11ApplicationHost() = default;
    virtual std::shared_ptr<const X11Snapshot> snapshot() = 0;
    virtual void invalidate() = 0;
    virtual bool activateGroup(const std::string& group, std::uint64_t options) = 0;
    // Minimises the group's shown windows, remembered as hidden rather than minimised.
    virtual bool hideGroup(const std::string& group) = 0;
    virtual bool unhideGroup(const std::string& group) = 0;
    virtual bool closeGroup(const std::string& group) = 0;
    virtual bool killGroup(const std::string& group) = 0;
    virtual std::optional<Image> iconOf(const std::string& group) = 0;
};

class X11RunningApplications {
public:
    X11RunningApplications(std::weak_ptr<X11ApplicationHost> host, std::string ownIdentifier,
                           std::string ownName);

    // Follows a new reading: applications whose windows all went have terminated, new ones start.
    void reconcile(const X11Snapshot& snapshot);
    // The application of the group; the program itself always runs.
    std::shared_ptr<RunningApplication> application(const std::string& group);
    // In the order they started, the program itself first.
    std::vector<std::shared_ptr<RunningApplication>> ordered();
    void setOwnActivationPolicy(ActivationPolicy policy);

private:
    std::shared_ptr<X11RunningApplication> object(const std::string& group);

    const std::weak_ptr<X11ApplicationHost> host_;
    const std::string ownIdentifier_;
    const std::string ownName_;
    std::mutex mutex_;
    std::vector<std::string> launchOrder_;
    std::map<std::string, std::shared_ptr<X11RunningApplication>> objects_;
};

}  // namespace platform::x11
