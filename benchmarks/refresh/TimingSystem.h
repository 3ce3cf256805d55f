#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

#include "platform/system/Accessibility.h"
#include "platform/system/System.h"
#include "platform/system/WindowList.h"
#include "platform/system/Workspace.h"

namespace refresh_benchmark {

// Time spent inside the simulated desktop's own code, so that it can be told apart from the
// program's. One thread only: the benchmark runs the builder on its own thread.
inline std::int64_t& simulatedNanoseconds() {
    static std::int64_t nanoseconds = 0;
    return nanoseconds;
}

template <class F>
auto timed(F&& body) {
    const auto start = std::chrono::steady_clock::now();
    if constexpr (std::is_void_v<decltype(body())>) {
        body();
        simulatedNanoseconds() += (std::chrono::steady_clock::now() - start).count();
    } else {
        auto result = body();
        simulatedNanoseconds() += (std::chrono::steady_clock::now() - start).count();
        return result;
    }
}

class TimedApplication final : public platform::RunningApplication {
public:
    explicit TimedApplication(std::shared_ptr<platform::RunningApplication> inner)
        : inner_(std::move(inner)) {}
    // A stored member of the simulated object: too cheap to time.
    std::int32_t processIdentifier() const override { return inner_->processIdentifier(); }
    std::optional<platform::URL> bundleURL() const override {
        return timed([&] { return inner_->bundleURL(); });
    }
    std::optional<std::string> bundleIdentifier() const override {
        return timed([&] { return inner_->bundleIdentifier(); });
    }
    std::optional<std::string> localizedName() const override {
        return timed([&] { return inner_->localizedName(); });
    }
    std::optional<platform::Image> icon() const override {
        return timed([&] { return inner_->icon(); });
    }
    platform::ActivationPolicy activationPolicy() const override {
        return timed([&] { return inner_->activationPolicy(); });
    }
    bool isActive() const override {
        return timed([&] { return inner_->isActive(); });
    }
    bool isHidden() const override { return inner_->isHidden(); }
    bool isTerminated() const override { return inner_->isTerminated(); }
    bool isFinishedLaunching() const override { return inner_->isFinishedLaunching(); }
    bool ownsMenuBar() const override { return inner_->ownsMenuBar(); }
    bool activate(std::uint64_t options) override { return inner_->activate(options); }
    bool terminate() override { return inner_->terminate(); }
    bool forceTerminate() override { return inner_->forceTerminate(); }
    bool hide() override { return inner_->hide(); }
    bool unhide() override { return inner_->unhide(); }

private:
    std::shared_ptr<platform::RunningApplication> inner_;
};

class TimedWorkspace final : public platform::Workspace {
public:
    explicit TimedWorkspace(std::shared_ptr<platform::Workspace> inner) : inner_(std::move(inner)) {}

    std::vector<std::shared_ptr<platform::RunningApplication>> runningApplications() override {
        auto applications = timed([&] { return inner_->runningApplications(); });
        // The same wrapper for the same application, as the system hands out one object per process.
        for (auto& application : applications) {
            auto& wrapper = wrappers_[application.get()];
            if (!wrapper) wrapper = std::make_shared<TimedApplication>(application);
            application = wrapper;
        }
        return applications;
    }
    std::shared_ptr<platform::RunningApplication> frontmostApplication() override {
        return inner_->frontmostApplication();
    }
    bool open(const platform::URL& url) override { return inner_->open(url); }
    void open(const platform::URL& url, const platform::OpenConfiguration& configuration,
              OpenCompletion completion) override {
        inner_->open(url, configuration, std::move(completion));
    }
    void openApplication(const platform::URL& url, const platform::OpenConfiguration& configuration,
                         OpenCompletion completion) override {
        inner_->openApplication(url, configuration, std::move(completion));
    }
    void open(const std::vector<platform::URL>& urls, const platform::URL& applicationURL,
              const platform::OpenConfiguration& configuration, OpenCompletion completion) override {
        inner_->open(urls, applicationURL, configuration, std::move(completion));
    }
    bool selectFile(const std::optional<std::string>& filePath, const std::string& rootPath) override {
        return inner_->selectFile(filePath, rootPath);
    }
    void hideOtherApplications() override { inner_->hideOtherApplications(); }
    platform::Image iconForFile(const std::string& path) override {
        return timed([&] { return inner_->iconForFile(path); });
    }

private:
    std::shared_ptr<platform::Workspace> inner_;
    std::map<platform::RunningApplication*, std::shared_ptr<platform::RunningApplication>> wrappers_;
};

class TimedAccessibility final : public platform::Accessibility {
public:
    explicit TimedAccessibility(std::shared_ptr<platform::Accessibility> inner) : inner_(std::move(inner)) {}
    bool isProcessTrusted(bool prompt) override {
        return timed([&] { return inner_->isProcessTrusted(prompt); });
    }
    platform::AXUIElement applicationElement(std::int32_t pid) override {
        return timed([&] { return inner_->applicationElement(pid); });
    }
    std::optional<platform::AXValue> copyAttributeValue(const platform::AXUIElement& element,
                                                        const std::string& attribute) override {
        return timed([&] { return inner_->copyAttributeValue(element, attribute); });
    }
    std::optional<platform::AXValue::Array> copyAttributeValues(const platform::AXUIElement& element,
                                                                const std::string& attribute,
                                                                std::int64_t index,
                                                                std::int64_t maxCount) override {
        return timed([&] { return inner_->copyAttributeValues(element, attribute, index, maxCount); });
    }
    platform::AXError setAttributeValue(const platform::AXUIElement& element, const std::string& attribute,
                                        const platform::AXValue& value) override {
        return timed([&] { return inner_->setAttributeValue(element, attribute, value); });
    }

private:
    std::shared_ptr<platform::Accessibility> inner_;
};

class TimedWindowList final : public platform::WindowList {
public:
    explicit TimedWindowList(std::shared_ptr<platform::WindowList> inner) : inner_(std::move(inner)) {}
    std::vector<platform::WindowInfo> copyWindowInfo(std::uint32_t options) override {
        return timed([&] { return inner_->copyWindowInfo(options); });
    }

private:
    std::shared_ptr<platform::WindowList> inner_;
};

// The simulated desktop with the time of every query the refresh makes added up.
class TimingSystem final : public platform::System {
public:
    explicit TimingSystem(std::shared_ptr<platform::System> inner)
        : inner_(inner),
          workspace_(std::make_shared<TimedWorkspace>(inner->workspace())),
          accessibility_(std::make_shared<TimedAccessibility>(inner->accessibility())),
          windowList_(std::make_shared<TimedWindowList>(inner->windowList())) {}

    std::shared_ptr<platform::Workspace> workspace() override { return workspace_; }
    std::shared_ptr<platform::Accessibility> accessibility() override { return accessibility_; }
    std::shared_ptr<platform::WindowList> windowList() override { return windowList_; }
    std::shared_ptr<platform::EventMonitors> eventMonitors() override { return inner_->eventMonitors(); }
    std::shared_ptr<platform::LoginItems> loginItems() override { return inner_->loginItems(); }
    std::shared_ptr<platform::AppleScript> appleScript() override { return inner_->appleScript(); }
    std::shared_ptr<platform::Application> application() override { return inner_->application(); }

private:
    std::shared_ptr<platform::System> inner_;
    std::shared_ptr<platform::Workspace> workspace_;
    std::shared_ptr<platform::Accessibility> accessibility_;
    std::shared_ptr<platform::WindowList> windowList_;
};

}  // namespace refresh_benchmark
