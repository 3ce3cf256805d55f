#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/Workspace.h"
#include "platform/xdg/DesktopApplications.h"
#include "platform/xdg/Launcher.h"

namespace platform::xdg {

// The workspace's opening calls on a Linux desktop: a bundle of `DesktopApplications` launches
// its entry, the bundle of a running application (with an entry or without) brings it forward,
// any other address goes to the user's default application for it, folders open in the file
// manager. Completions run on the main queue with the outcome; a failure without a completion is
// printed.
class WorkspaceOpener {
public:
    struct Running {
        // The running application of a bundle path, if any.
        std::function<std::shared_ptr<RunningApplication>(const std::string& bundlePath)> byBundle;
        // The running application of a process, once the system knows it.
        std::function<std::shared_ptr<RunningApplication>(int pid)> byProcess;
    };

    explicit WorkspaceOpener(std::shared_ptr<DesktopApplications> applications, Running running = {});

    bool open(const URL& url);
    void open(const URL& url, const OpenConfiguration& configuration, Workspace::OpenCompletion completion);
    void openApplication(const URL& applicationURL, const OpenConfiguration& configuration,
                         Workspace::OpenCompletion completion);
    void open(const std::vector<URL>& urls, const URL& applicationURL, const OpenConfiguration& configuration,
              Workspace::OpenCompletion completion);
    // Opens the folder; file managers are not told which item to select, so `filePath` is dropped.
    bool selectFile(const std::optional<std::string>& filePath, const std::string& rootPath);

private:
    struct Result {
        std::shared_ptr<RunningApplication> application;
        std::optional<std::string> error;
    };
    Result openAddress(const URL& url, bool activates);
    Result openBundle(const std::string& path, const std::vector<std::string>& uris, bool activates);
    Result finish(const LaunchOutcome& outcome, const std::string& what);
    std::shared_ptr<RunningApplication> runningBundle(const std::string& path) const;
    static void complete(Workspace::OpenCompletion completion, Result result);

    const std::shared_ptr<DesktopApplications> applications_;
    const Running running_;
};

}  // namespace platform::xdg
