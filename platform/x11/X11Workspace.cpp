#include <string_view>

#include "platform/base/MainQueue.h"
#include "platform/system/Workspace.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11Services.h"
#include "platform/xdg/WorkspaceOpener.h"

namespace platform::x11 {
namespace {

// Whether two paths name one folder, whether or not either ends with "/".
bool sameFolder(std::string_view a, std::string_view b) {
    while (a.size() > 1 && a.back() == '/') a.remove_suffix(1);
    while (b.size() > 1 && b.back() == '/') b.remove_suffix(1);
    return a == b;
}

// The workspace of the X11 desktop: running applications are its groups of windows, bundles are
// desktop entries opened through the entries' own commands.
class X11Workspace final : public Workspace {
public:
    explicit X11Workspace(std::weak_ptr<X11Desktop> desktop) : desktop_(std::move(desktop)) {
        auto strong = desktop_.lock();
        if (!strong || !strong->options().applications) return;
        xdg::WorkspaceOpener::Running running;
        running.byBundle = [this](const std::string& path) -> std::shared_ptr<RunningApplication> {
            for (const auto& application : runningApplications())
                if (auto url = application->bundleURL(); url && sameFolder(url->path(), path))
                    return application;
            return nullptr;
        };
        running.byProcess = [desktop = desktop_](int pid) -> std::shared_ptr<RunningApplication> {
            auto strong = desktop.lock();
            const auto* group = strong ? strong->snapshot()->groupOfPid(pid) : nullptr;
            return group ? strong->runningApplication(group->identifier) : nullptr;
        };
        opener_ = std::make_unique<xdg::WorkspaceOpener>(strong->options().applications, std::move(running));
    }

    std::vector<std::shared_ptr<RunningApplication>> runningApplications() override {
        auto desktop = desktop_.lock();
        return desktop ? desktop->runningApplications() : std::vector<std::shared_ptr<RunningApplication>>{};
    }
    std::shared_ptr<RunningApplication> frontmostApplication() override {
        auto desktop = desktop_.lock();
        if (!desktop) return nullptr;
        auto group = desktop->snapshot()->activeGroup;
        return group.empty() ? nullptr : desktop->runningApplication(group);
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
    // Hiding the others makes room for a window of the other platform that never opens here:
    // on X11 it would only minimise the user's windows.
    void hideOtherApplications() override {}
    Image iconForFile(const std::string& path) override {
        auto desktop = desktop_.lock();
        if (desktop && desktop->options().applications)
            if (auto icon = desktop->options().applications->bundleIcon(path)) return *icon;
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

}  // namespace

std::shared_ptr<Workspace> makeX11Workspace(std::weak_ptr<X11Desktop> desktop) {
    return std::make_shared<X11Workspace>(std::move(desktop));
}

}  // namespace platform::x11
