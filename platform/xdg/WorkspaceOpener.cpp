#include "platform/xdg/WorkspaceOpener.h"

#include <cstdio>

#include "platform/base/MainQueue.h"

namespace platform::xdg {
namespace {

std::optional<std::string> localPath(const URL& url) {
    if (url.isFileURL() || (!url.scheme() && url.absoluteString().starts_with('/'))) return url.path();
    return std::nullopt;
}

void print(const std::optional<std::string>& error) {
    if (!error) return;
    std::printf("Open: %s\n", error->c_str());
    std::fflush(stdout);
}

}  // namespace

WorkspaceOpener::WorkspaceOpener(std::shared_ptr<DesktopApplications> applications, Running running)
    : applications_(std::move(applications)), running_(std::move(running)) {}

WorkspaceOpener::Result WorkspaceOpener::finish(const LaunchOutcome& outcome, const std::string& what) {
    if (!outcome.ok()) return {nullptr, what + ": " + *outcome.error};
    std::shared_ptr<RunningApplication> application;
    if (running_.byProcess && !outcome.pids.empty()) application = running_.byProcess(outcome.pids.front());
    return {application, std::nullopt};
}

std::shared_ptr<RunningApplication> WorkspaceOpener::runningBundle(const std::string& path) const {
    return running_.byBundle ? running_.byBundle(path) : nullptr;
}

WorkspaceOpener::Result WorkspaceOpener::openBundle(const std::string& path,
                                                    const std::vector<std::string>& uris, bool activates) {
    auto entry = applications_->entryForBundle(path);
    // A running application without a desktop entry has a bundle path of its own and no folder.
    auto application = !uris.empty() ? nullptr
                       : entry       ? runningBundle(DesktopApplications::bundlePath(*entry))
                                     : runningBundle(path);
    if (application) {
        if (activates) application->activate(ApplicationActivationOptions::activateAllWindows);
        return {application, std::nullopt};
    }
    if (!entry) return {nullptr, "The application " + path + " is not installed."};
    return finish(launchEntry(*entry, uris), entry->name);
}

WorkspaceOpener::Result WorkspaceOpener::openAddress(const URL& url, bool activates) {
    if (auto path = localPath(url); path && (applications_->entryForBundle(*path) || runningBundle(*path)))
        return openBundle(*path, {}, activates);
    auto uri = localPath(url) ? folderURI(*localPath(url)) : url.absoluteString();
    return finish(openURI(uri), uri);
}

void WorkspaceOpener::complete(Workspace::OpenCompletion completion, Result result) {
    if (!completion) return print(result.error);
    MainQueue::async([completion = std::move(completion), result = std::move(result)] {
        completion(result.application, result.error);
    });
}

bool WorkspaceOpener::open(const URL& url) {
    auto result = openAddress(url, true);
    print(result.error);
    return !result.error;
}

void WorkspaceOpener::open(const URL& url, const OpenConfiguration& configuration,
                           Workspace::OpenCompletion completion) {
    complete(std::move(completion), openAddress(url, configuration.activates));
}

void WorkspaceOpener::openApplication(const URL& applicationURL, const OpenConfiguration& configuration,
                                      Workspace::OpenCompletion completion) {
    auto path = localPath(applicationURL);
    complete(std::move(completion),
             path ? openBundle(*path, {}, configuration.activates)
                  : Result{nullptr, applicationURL.absoluteString() + " is no application."});
}

void WorkspaceOpener::open(const std::vector<URL>& urls, const URL& applicationURL,
                           const OpenConfiguration& configuration, Workspace::OpenCompletion completion) {
    std::vector<std::string> uris;
    for (const auto& url : urls)
        uris.push_back(localPath(url) ? folderURI(*localPath(url)) : url.absoluteString());
    auto path = localPath(applicationURL);
    complete(std::move(completion),
             path ? openBundle(*path, uris, configuration.activates)
                  : Result{nullptr, applicationURL.absoluteString() + " is no application."});
}

bool WorkspaceOpener::selectFile(const std::optional<std::string>&, const std::string& rootPath) {
    auto result = finish(openURI(folderURI(rootPath)), rootPath);
    print(result.error);
    return !result.error;
}

}  // namespace platform::xdg
