#include <sys/stat.h>

#include <algorithm>
#include <utility>

#include "platform/base/Process.h"
#include "platform/foundation/FileManager.h"
#include "platform/sim/SimulatedDesktop.h"

namespace platform::sim {
namespace {

nlohmann::json describe(const SimApplication& app) {
    nlohmann::json details = {{"pid", app.pid}};
    if (app.bundleIdentifier) details["bundleIdentifier"] = *app.bundleIdentifier;
    if (app.name) details["name"] = *app.name;
    return details;
}

// The platform path of a file address or of a scheme-less absolute one.
std::optional<std::string> localPath(const URL& url) {
    if (url.isFileURL() || (!url.scheme() && url.absoluteString().starts_with('/'))) return url.path();
    return std::nullopt;
}

std::string withoutTrailingSlashes(std::string path) {
    while (path.size() > 1 && path.ends_with('/')) path.pop_back();
    return path;
}

const char* policyName(ActivationPolicy policy) {
    switch (policy) {
        case ActivationPolicy::regular:
            return "regular";
        case ActivationPolicy::accessory:
            return "accessory";
        case ActivationPolicy::prohibited:
            return "prohibited";
    }
    return "regular";
}

}  // namespace

class SimulatedDesktop::RunningApplicationImpl final : public RunningApplication {
public:
    RunningApplicationImpl(std::shared_ptr<Store> store, Weak desktop, std::uint64_t serial, std::int32_t pid)
        : store_(std::move(store)), desktop_(std::move(desktop)), serial_(serial), pid_(pid) {}

    std::int32_t processIdentifier() const override { return pid_; }
    std::optional<URL> bundleURL() const override {
        return read([](const SimApplication& app) { return app.bundleURL; });
    }
    std::optional<std::string> bundleIdentifier() const override {
        return read([](const SimApplication& app) { return app.bundleIdentifier; });
    }
    std::optional<std::string> localizedName() const override {
        return read([](const SimApplication& app) { return app.name; });
    }
    std::optional<Image> icon() const override {
        auto path = read([](const SimApplication& app) { return app.iconPath; });
        auto desktop = desktop_.lock();
        if (!path || !desktop) return std::nullopt;
        return desktop->image(*path);
    }
    ActivationPolicy activationPolicy() const override {
        return read([](const SimApplication& app) { return app.policy; });
    }
    bool isActive() const override {
        return read([](const SimApplication& app) { return app.active; });
    }
    bool isHidden() const override {
        return read([](const SimApplication& app) { return app.hidden; });
    }
    bool isTerminated() const override {
        return read([](const SimApplication& app) { return app.terminated; });
    }
    bool isFinishedLaunching() const override {
        return read([](const SimApplication& app) { return app.finishedLaunching; });
    }
    bool ownsMenuBar() const override {
        return read(
            [](const SimApplication& app) { return app.active && app.policy == ActivationPolicy::regular; });
    }

    bool activate(std::uint64_t options) override {
        return act([&](SimulatedDesktop& desktop) { return desktop.activate(serial_, options); });
    }
    bool terminate() override {
        return act([&](SimulatedDesktop& desktop) { return desktop.terminate(serial_, false); });
    }
    bool forceTerminate() override {
        return act([&](SimulatedDesktop& desktop) { return desktop.terminate(serial_, true); });
    }
    bool hide() override {
        return act([&](SimulatedDesktop& desktop) { return desktop.setHidden(serial_, true); });
    }
    bool unhide() override {
        return act([&](SimulatedDesktop& desktop) { return desktop.setHidden(serial_, false); });
    }

private:
    // An action on a desktop that is gone does nothing.
    template <class Action>
    bool act(Action action) const {
        auto desktop = desktop_.lock();
        return desktop && action(*desktop);
    }

    template <class Read>
    auto read(Read body) const -> decltype(body(std::declval<const SimApplication&>())) {
        auto state = store_->get();
        // Applications are never removed from the state, so this one is always there.
        return body(*state->application(serial_));
    }

    const std::shared_ptr<Store> store_;
    const Weak desktop_;
    const std::uint64_t serial_;
    const std::int32_t pid_;
};

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

class SimulatedDesktop::ApplicationImpl final : public Application {
public:
    explicit ApplicationImpl(Weak desktop) : desktop_(std::move(desktop)) {}

    ActivationPolicy activationPolicy() override {
        auto desktop = desktop_.lock();
        if (!desktop) return ActivationPolicy::regular;
        auto state = desktop->state();
        return state->application(state->currentSerial)->policy;
    }

    bool setActivationPolicy(ActivationPolicy policy) override {
        auto desktop = desktop_.lock();
        if (!desktop) return false;
        desktop->change([&](DesktopState& state, Announcements&) {
            state.mutableApplication(state.currentSerial)->policy = policy;
            return true;
        });
        desktop->record("setActivationPolicy", {{"policy", policyName(policy)}});
        return true;
    }

    void activate(bool ignoringOtherApps) override {
        auto desktop = desktop_.lock();
        if (!desktop) return;
        desktop->activate(desktop->state()->currentSerial,
                          ignoringOtherApps ? ApplicationActivationOptions::activateIgnoringOtherApps
                                            : ApplicationActivationOptions::none);
    }

    void hideOtherApplications() override {
        if (auto desktop = desktop_.lock()) desktop->hideOthers("hideOtherApplications");
    }

    std::shared_ptr<RunningApplication> currentApplication() override {
        auto desktop = desktop_.lock();
        return desktop ? desktop->object(desktop->state()->currentSerial) : nullptr;
    }

    void setWillTerminateHandler(std::function<void()> handler) override {
        willTerminate_ = std::move(handler);
    }

    void terminate() override {
        if (auto desktop = desktop_.lock()) desktop->record("terminateProgram");
        if (willTerminate_) willTerminate_();
        exitProcess(0);
    }

private:
    const Weak desktop_;
    std::function<void()> willTerminate_;
};

std::shared_ptr<Workspace> SimulatedDesktop::makeWorkspace(const Weak& desktop) {
    return std::make_shared<WorkspaceImpl>(desktop);
}

std::shared_ptr<Application> SimulatedDesktop::makeApplication(const Weak& desktop) {
    return std::make_shared<ApplicationImpl>(desktop);
}

std::shared_ptr<RunningApplication> SimulatedDesktop::object(std::uint64_t serial) {
    std::lock_guard lock(objectsMutex_);
    auto& object = objects_[serial];
    if (!object) {
        auto state = store_->get();
        object = std::make_shared<RunningApplicationImpl>(store_, weak_from_this(), serial,
                                                          state->application(serial)->pid);
    }
    return object;
}

bool SimulatedDesktop::activate(std::uint64_t serial, std::uint64_t options) {
    nlohmann::json details;
    bool activated = change([&](DesktopState& state, Announcements&) {
        const auto* app = state.application(serial);
        details = describe(*app);
        if (app->terminated || app->policy == ActivationPolicy::prohibited) return false;
        bringForward(state, serial);
        return true;
    });
    details["options"] = options;
    record("activate", details);
    return activated;
}

bool SimulatedDesktop::terminate(std::uint64_t serial, bool force) {
    nlohmann::json details;
    bool terminated = change([&](DesktopState& state, Announcements&) {
        const auto* app = state.application(serial);
        details = describe(*app);
        if (app->terminated || serial == state.currentSerial) return false;
        stop(state, serial);
        return true;
    });
    record(force ? "forceTerminate" : "terminate", details);
    return terminated;
}

bool SimulatedDesktop::setHidden(std::uint64_t serial, bool hidden) {
    nlohmann::json details;
    bool changed = change([&](DesktopState& state, Announcements&) {
        auto* app = state.mutableApplication(serial);
        details = describe(*app);
        if (app->terminated) return false;
        app->hidden = hidden;
        if (hidden && app->active) {
            app->active = false;
            activateNext(state);
        }
        return true;
    });
    record(hidden ? "hide" : "unhide", details);
    return changed;
}

void SimulatedDesktop::hideOthers(const char* actionName) {
    change([&](DesktopState& state, Announcements&) {
        for (auto serial : state.running) {
            auto* app = state.mutableApplication(serial);
            if (serial == state.currentSerial || app->policy != ActivationPolicy::regular) continue;
            app->hidden = true;
            app->active = false;
        }
        return true;
    });
    record(actionName);
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
