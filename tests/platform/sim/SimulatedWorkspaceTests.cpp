#include <gtest/gtest.h>

#include "platform/base/Process.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/support/SimulatedDesktopTesting.h"

using platform::RunningApplication;
using platform::URL;
using platform::Workspace;

namespace {

const char* desktopJSON = R"({"applications": [
    {"pid": 812, "name": "Mail", "bundle": "/System/Applications/Mail.app", "active": true,
     "windows": [{"title": "Inbox", "frame": [0, 25, 800, 600]}]},
    {"pid": 813, "name": "Notes", "windows": [{"title": "List", "frame": [100, 100, 400, 300]}]},
    {"pid": 814, "name": "Helper", "policy": "accessory"}],
  "installed": [{"name": "Photos", "bundle": "/System/Applications/Photos.app", "launchTime": 0.5,
                 "windows": [{"title": "Library", "frame": [10, 10, 900, 600]}]}]})";

class SimulatedWorkspace : public ::testing::Test {
protected:
    static std::shared_ptr<RunningApplication> named(const std::string& name) {
        for (const auto& app : Workspace::shared()->runningApplications())
            if (app->localizedName() == name) return app;
        return nullptr;
    }
    std::size_t windowCount(const std::shared_ptr<RunningApplication>& app) const {
        return installed->state()->runningApplication(app->processIdentifier())->windows.size();
    }

    platform::testing::VirtualMainLoop loop;
    test_support::InstalledDesktop installed{desktopJSON};
    std::shared_ptr<Workspace> workspace = Workspace::shared();
    std::shared_ptr<platform::Application> program = platform::Application::shared();
};

}  // namespace

TEST_F(SimulatedWorkspace, OpeningABundleLaunchesItOnceThenBringsItForwardAndWhatCannotBeOpenedFails) {
    std::vector<std::string> names;
    for (const auto& app : workspace->runningApplications())
        names.push_back(app->localizedName().value_or("?"));
    EXPECT_EQ(names, (std::vector<std::string>{"Dock", "Mail", "Notes", "Helper", "Velmora"}));
    std::shared_ptr<RunningApplication> photos;
    // Scheme-less, as the installed-applications scan makes them.
    workspace->open(*URL::fromString("/System/Applications/Photos.app/"), {},
                    [&](auto app, auto) { photos = app; });
    EXPECT_FALSE(photos) << "completions run on the main queue";
    loop.runUntilIdle();
    ASSERT_EQ(photos, named("Photos"));
    EXPECT_EQ(workspace->frontmostApplication(), photos);
    EXPECT_FALSE(photos->isFinishedLaunching());
    EXPECT_EQ(windowCount(photos), 0u);
    loop.advance(0.5);
    EXPECT_TRUE(photos->isFinishedLaunching());
    EXPECT_EQ(windowCount(photos), 1u);
    EXPECT_TRUE(named("Mail")->activate(0));
    EXPECT_TRUE(workspace->open(URL::fileURL("/System/Applications/Photos.app", true)));
    EXPECT_TRUE(photos->isActive());
    EXPECT_FALSE(workspace->open(*URL::fromString("/Applications/Missing.app/")));
    EXPECT_FALSE(workspace->open(*URL::fromString("file:///Applications/nothing.txt")));
    EXPECT_TRUE(workspace->open(*URL::fromString("https://example.com/download"))) << "for the browser";
    std::optional<std::string> error;
    workspace->openApplication(*URL::fromString("https://example.com/"), {},
                               [&](auto, auto e) { error = e; });
    loop.runUntilIdle();
    EXPECT_TRUE(error);
    EXPECT_EQ(workspace->runningApplications().size(), 6u);
}

TEST_F(SimulatedWorkspace, TerminatingRemovesTheApplicationActivatesTheNextOneAndARelaunchIsANewProcess) {
    auto mail = named("Mail"), notes = named("Notes");
    EXPECT_TRUE(notes->activate(0));
    EXPECT_TRUE(mail->activate(0));
    EXPECT_TRUE(mail->terminate());
    EXPECT_EQ(mail->localizedName(), "Mail") << "a quit application still answers";
    EXPECT_FALSE(named("Mail"));
    EXPECT_TRUE(notes->isActive());
    EXPECT_FALSE(mail->terminate() || mail->activate(0));
    EXPECT_TRUE(notes->forceTerminate());
    EXPECT_EQ(workspace->frontmostApplication(), nullptr) << "only accessory applications are left";
    EXPECT_FALSE(program->currentApplication()->terminate());
    EXPECT_TRUE(workspace->open(URL::fileURL("/System/Applications/Mail.app", true)));
    EXPECT_NE(named("Mail")->processIdentifier(), 812);
    EXPECT_EQ(windowCount(named("Mail")), 1u);
}

TEST_F(SimulatedWorkspace, HidingOthersLeavesAccessoriesAndTheProgramTerminatesThroughItsHandler) {
    EXPECT_EQ(program->currentApplication()->bundleIdentifier(), "com.velmora.Velmora");
    EXPECT_TRUE(program->setActivationPolicy(platform::ActivationPolicy::accessory));
    EXPECT_EQ(program->currentApplication()->activationPolicy(), platform::ActivationPolicy::accessory);
    program->hideOtherApplications();
    auto hidden = [&] {
        return std::vector{named("Mail")->isHidden(), named("Notes")->isHidden(),
                           named("Helper")->isHidden()};
    };
    EXPECT_EQ(hidden(), (std::vector{true, true, false}));
    program->activate(true);
    EXPECT_TRUE(program->currentApplication()->isActive());
    EXPECT_FALSE(program->currentApplication()->ownsMenuBar()) << "an accessory";
    EXPECT_TRUE(named("Notes")->activate(0));
    EXPECT_EQ(hidden(), (std::vector{true, false, false})) << "activation unhides";
    EXPECT_TRUE(named("Notes")->hide());
    EXPECT_EQ(workspace->frontmostApplication(), nullptr) << "every other regular application is hidden";
    int status = -1;
    bool handled = false;
    platform::setExitInterceptor([&](int code) { status = code; });
    program->setWillTerminateHandler([&] { handled = true; });
    program->terminate();
    platform::setExitInterceptor(nullptr);
    EXPECT_TRUE(handled);
    EXPECT_EQ(status, 0);
}
