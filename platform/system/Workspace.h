#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/base/NotificationCenter.h"
#include "platform/foundation/URL.h"
#include "platform/system/Image.h"
#include "platform/system/RunningApplication.h"

namespace platform {

struct OpenConfiguration {
    // Bring the application forward once it has opened the address.
    bool activates = true;
};

// The desktop's workspace: running applications, opening addresses and applications, file icons.
// Queries may come from any thread; completions run on the main queue.
class Workspace {
public:
    static constexpr const char* activeSpaceDidChangeNotification =
        "NSWorkspaceActiveSpaceDidChangeNotification";

    // The application that opened the address (none when no application did) and the error text
    // when the opening failed.
    using OpenCompletion =
        std::function<void(std::shared_ptr<RunningApplication>, std::optional<std::string> error)>;

    virtual ~Workspace() = default;

    // The installed system's.
    static std::shared_ptr<Workspace> shared();
    // The workspace's own notification centre (the active-space change is posted there).
    static std::shared_ptr<NotificationCenter> notificationCenter() {
        return NotificationCenter::workspaceCenter();
    }

    // In launch order.
    virtual std::vector<std::shared_ptr<RunningApplication>> runningApplications() = 0;
    // The active application, if any.
    virtual std::shared_ptr<RunningApplication> frontmostApplication() = 0;

    // An application bundle is launched, or brought forward when it runs; any other address is
    // handed to the application that opens it. False when nothing could open it.
    virtual bool open(const URL& url) = 0;
    virtual void open(const URL& url, const OpenConfiguration& configuration, OpenCompletion completion) = 0;
    virtual void openApplication(const URL& applicationURL, const OpenConfiguration& configuration,
                                 OpenCompletion completion) = 0;
    // Opens the addresses with the application of the bundle at `applicationURL`.
    virtual void open(const std::vector<URL>& urls, const URL& applicationURL,
                      const OpenConfiguration& configuration, OpenCompletion completion) = 0;
    // Shows the folder at `rootPath` in the file viewer, with `filePath` selected when given.
    virtual bool selectFile(const std::optional<std::string>& filePath, const std::string& rootPath) = 0;
    // Hides every application but the calling one.
    virtual void hideOtherApplications() = 0;

    // The icon of the file or folder at a platform path; there is always one (a generic icon when
    // the item has none of its own or does not exist).
    virtual Image iconForFile(const std::string& path) = 0;
};

}  // namespace platform
