#include <sys/stat.h>

#include <algorithm>
#include <utility>

#include "platform/foundation/FileManager.h"
#include "platform/sim/SimulatedDesktop.h"

namespace platform::sim {
namespace {

// The platform path of a file address or of a scheme-less absolute one.
std::optional<std::string> localPath(const URL& url) {
    if (url.isFileURL() || (!url.scheme() && url.absoluteString().starts_with('/'))) return url.path();
    return std::nullopt;
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.ends_with('/')) path.pop_back();
    return path;
}

}  // namespace

class SimulatedDesktop::WorkspaceImpl final : public Workspace {
public:
    explicit WorkspaceImpl(Weak desktop) : desktop_(std::move(desktop)) {}

    std::vector<std::shared_ptr<RunningApplication>> runningApplications() override {
        std::vector<std::shared_ptr<RunningApplication>> result;
        auto desktop = desktop_.lock();
        if (!desktop) return result;
        auto state = desktop->state();
        for (auto serial : state->running) result.push_back(desktop->object(serial));
        return result;
    }

    std::shared_ptr<RunningApplication> frontmostApplication() override {
        auto desktop = desktop_.lock();
        if (!desktop) return nullptr;
        auto state = desktop->state();
        const auto* active = state->activeApplication();
        return active ? desktop->object(active->serial) : nullptr;
    }

    bool open(const URL& url) override {
        auto desktop = desktop_.lock();
        if (!desktop) return false;
        auto opened = desktop->openAddress(url, true);
        desktop->record("open", details(url, opened));
        return opened.ok;
    }

    void open(const URL& url, const OpenConfiguration& configuration, OpenCompletion completion) override {
        auto desktop = desktop_.lock();
        Opened opened;
        if (desktop) {
            opened = desktop->openAddress(url, configuration.activates);
            desktop->record("open", details(url, opened));
        }
        complete(std::move(completion), opened, url);
    }

    void openApplication(const URL& applicationURL, const OpenConfiguration& configuration,
                         OpenCompletion completion) override {
        auto desktop = desktop_.lock();
        Opened opened;
        auto path = localPath(applicationURL);
        if (desktop && path) {
            opened = desktop->openBundle(*path, configuration.activates);
            desktop->record("openApplication", details(applicationURL, opened));
        }
        complete(std::move(completion), opened, applicationURL);
    }

    void open(const std::vector<URL>& urls, const URL& applicationURL, const OpenConfiguration& configuration,
              OpenCompletion completion) override {
        auto desktop = desktop_.lock();
        Opened opened;
        auto path = localPath(applicationURL);
        if (desktop && path) {
            opened = desktop->openBundle(*path, configuration.activates);
            auto recorded = details(applicationURL, opened);
            recorded["urls"] = nlohmann::json::array();
            for (const auto& url : urls) recorded["urls"].push_back(url.absoluteString());
            desktop->record("open", recorded);
        }
        complete(std::move(completion), opened, applicationURL);
    }

    bool selectFile(const std::optional<std::string>& filePath, const std::string& rootPath) override {
        auto desktop = desktop_.lock();
        if (!desktop) return false;
        nlohmann::json recorded = {{"root", rootPath}};
        if (filePath) recorded["file"] = *filePath;
        desktop->record("selectFile", recorded);
        return true;
    }

    void hideOtherApplications() override {
        if (auto desktop = desktop_.lock()) desktop->hideOthers("hideOtherApplications");
    }

    Image iconForFile(const std::string& path) override {
        auto desktop = desktop_.lock();
        if (!desktop) return Image();
        return desktop->image(desktop->iconPathForFile(path)).value_or(Image());
    }

private:
    static nlohmann::json details(const URL& url, const Opened& opened) {
        nlohmann::json recorded = {{"url", url.absoluteString()}, {"ok", opened.ok}};
        if (opened.application) {
            recorded["pid"] = opened.application->processIdentifier();
            recorded["launched"] = opened.launched;
        }
        return recorded;
    }

    static void complete(OpenCompletion completion, const Opened& opened, const URL& url) {
        if (!completion) return;
        std::optional<std::string> error;
        if (!opened.ok) error = "The address " + url.absoluteString() + " could not be opened.";
        MainQueue::async([completion = std::move(completion), application = opened.application, error] {
            completion(application, error);
        });
    }

    const Weak desktop_;
};

std::shared_ptr<Workspace> SimulatedDesktop::makeWorkspace(const Weak& desktop) {
    return std::make_shared<WorkspaceImpl>(desktop);
}

SimulatedDesktop::Opened SimulatedDesktop::openBundle(const std::string& bundlePath, bool activates) {
    auto path = withoutTrailingSlashes(bundlePath);
    struct Outcome {
        std::uint64_t serial = 0;
        bool launched = false;
    };
    auto outcome = change([&](DesktopState& state, Announcements& announcements) {
        Outcome outcome;
        for (auto serial : state.running) {
            if (state.application(serial)->bundlePath == path) {
                outcome.serial = serial;
                break;
            }
        }
        if (!outcome.serial) {
            ApplicationDescription description;
            std::string key;
            if (auto known = bundles_.find(path); known != bundles_.end()) {
                description = known->second.description;
                key = known->second.scenarioKey;
                for (auto serial : state.running)
                    if (!key.empty() && state.application(serial)->scenarioKey == key) key.clear();
            } else {
                bool isDirectory = false;
                if (!FileManager::shared()->fileExists(path, &isDirectory) || !isDirectory) return outcome;
                auto name = path.substr(path.find_last_of('/') + 1);
                if (name.ends_with(".app")) name.resize(name.size() - 4);
                description.name = name;
                description.bundlePath = path;
                description.icon = genericApplicationIconPath();
            }
            auto windows = description.windows;
            auto delay = description.launchTime;
            description.active = false;
            description.hidden = false;
            description.finishedLaunching = !(delay > 0);
            if (delay > 0) description.windows.clear();
            outcome.serial = start(state, description, key, std::nullopt, announcements);
            outcome.launched = true;
            if (delay > 0) {
                announcements.mainQueueBlocks.emplace_back(
                    delay, [weak = weak_from_this(), serial = outcome.serial, windows] {
                        if (auto desktop = weak.lock()) desktop->finishLaunching(serial, windows);
                    });
            }
        }
        if (activates) bringForward(state, outcome.serial);
        return outcome;
    });
    Opened opened;
    opened.ok = outcome.serial != 0;
    opened.launched = outcome.launched;
    if (opened.ok) opened.application = object(outcome.serial);
    return opened;
}

SimulatedDesktop::Opened SimulatedDesktop::openAddress(const URL& url, bool activates) {
    auto path = localPath(url);
    if (path && path->ends_with(".app")) return openBundle(*path, activates);
    Opened opened;
    // Files and folders go to the file viewer, other addresses to the application of their kind;
    // neither is modelled beyond the record.
    opened.ok = !path || FileManager::shared()->fileExists(*path);
    return opened;
}

std::optional<Image> SimulatedDesktop::image(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return std::nullopt;
    auto key = path + ":" + std::to_string(status.st_mtim.tv_sec) + "." +
               std::to_string(status.st_mtim.tv_nsec) + ":" + std::to_string(status.st_size);
    std::lock_guard lock(imagesMutex_);
    if (auto found = images_.find(key); found != images_.end()) return found->second;
    auto image = Image::contentsOfFile(path);
    if (image) images_.emplace(key, *image);
    return image;
}

std::string SimulatedDesktop::iconPathForFile(const std::string& filePath) const {
    auto files = FileManager::shared();
    auto path = withoutTrailingSlashes(filePath);
    bool isDirectory = false;
    if (!files->fileExists(path, &isDirectory) || !isDirectory) return genericDocumentIconPath();
    auto icon = path + "/Contents/Resources/AppIcon.png";
    if (files->fileExists(icon)) return files->resolvedPath(icon);
    return path.ends_with(".app") ? genericApplicationIconPath() : genericFolderIconPath();
}

}  // namespace platform::sim
