#include <gtest/gtest.h>

#include <filesystem>

#include "platform/base/Process.h"
#include "platform/system/Application.h"
#include "platform/system/Workspace.h"
#include "platform/testing/VirtualMainLoop.h"
#include "tests/platform/sim/DesktopTesting.h"

using namespace sim_tests;
namespace ApplicationActivationOptions = platform::ApplicationActivationOptions;
using platform::RunningApplication;
using platform::URL;
using platform::Workspace;

namespace {

const char* desktopJSON = R"({
  "applications": [
    {"pid": 812, "name": "Mail", "bundleIdentifier": "com.apple.mail", "bundle": "/System/Applications/Mail.app",
     "active": true, "windows": [{"title": "Inbox", "frame": [0, 25, 800, 600]}]},
    {"pid": 813, "name": "Notes", "bundleIdentifier": "com.apple.Notes", "bundle": "/System/Applications/Notes.app",
     "windows": [{"title": "List", "frame": [100, 100, 400, 300]}]},
    {"pid": 814, "name": "Helper", "bundleIdentifier": "com.example.helper", "policy": "accessory"}
  ],
  "installed": [
    {"name": "Photos", "bundleIdentifier": "com.apple.Photos", "bundle": "/System/Applications/Photos.app",
     "launchTime": 0.5, "windows": [{"title": "Library", "frame": [10, 10, 900, 600]}]},
    {"name": "Calendar", "bundleIdentifier": "com.apple.iCal", "bundle": "/System/Applications/Calendar.app"}
  ]
})";

std::vector<std::string> names(const std::vector<std::shared_ptr<RunningApplication>>& applications) {
    std::vector<std::string> result;
    for (const auto& app : applications) result.push_back(app->localizedName().value_or("?"));
    return result;
}

std::shared_ptr<RunningApplication> named(const std::string& name) {
    for (const auto& app : Workspace::shared()->runningApplications())
        if (app->localizedName() == name) return app;
    return nullptr;
}

}  // namespace

TEST(SimulatedWorkspace, RunningApplicationsInLaunchOrderWithTheProgramAndTheDock) {
    InstalledDesktop installed(desktopJSON);
    auto workspace = Workspace::shared();
    EXPECT_EQ(names(workspace->runningApplications()),
              (std::vector<std::string>{"Dock", "Mail", "Notes", "Helper", "Velmora"}));
    EXPECT_EQ(workspace->frontmostApplication()->processIdentifier(), 812);
    auto mail = named("Mail");
    EXPECT_EQ(mail->bundleURL()->absoluteString(), "file:///System/Applications/Mail.app/");
    EXPECT_TRUE(mail->isActive());
    EXPECT_TRUE(mail->ownsMenuBar());
    EXPECT_TRUE(mail->isFinishedLaunching());
    EXPECT_EQ(mail, named("Mail")) << "one object per process";
    auto self = platform::Application::shared()->currentApplication();
    EXPECT_EQ(self->bundleIdentifier(), "com.velmora.Velmora");
    EXPECT_EQ(self->processIdentifier(), static_cast<std::int32_t>(::getpid()));
}

TEST(SimulatedWorkspace, OpeningABundleLaunchesItOnceAndThenBringsItForward) {
    platform::testing::VirtualMainLoop loop;
    InstalledDesktop installed(desktopJSON);
    auto workspace = Workspace::shared();
    std::vector<std::pair<std::shared_ptr<RunningApplication>, std::optional<std::string>>> completions;
    auto completion = [&](std::shared_ptr<RunningApplication> app, std::optional<std::string> error) {
        completions.emplace_back(std::move(app), std::move(error));
    };

    // Scheme-less, as the installed-applications scan makes them.
    workspace->open(*URL::fromString("/System/Applications/Photos.app/"), {}, completion);
    EXPECT_TRUE(completions.empty()) << "completions run on the main queue";
    loop.runUntilIdle();
    ASSERT_EQ(completions.size(), 1u);
    auto photos = completions[0].first;
    ASSERT_TRUE(photos);
    EXPECT_EQ(completions[0].second, std::nullopt);
    EXPECT_EQ(photos->localizedName(), "Photos");
    EXPECT_TRUE(photos->isActive());
    EXPECT_FALSE(named("Mail")->isActive());
    EXPECT_FALSE(photos->isFinishedLaunching());
    EXPECT_TRUE(installed.desktop->state()->runningApplication(photos->processIdentifier())->windows.empty());
    loop.advance(0.5);
    EXPECT_TRUE(photos->isFinishedLaunching());
    EXPECT_EQ(installed.desktop->state()->runningApplication(photos->processIdentifier())->windows.size(),
              1u);

    EXPECT_TRUE(named("Mail")->activate(ApplicationActivationOptions::activateAllWindows));
    EXPECT_TRUE(workspace->open(URL::fileURL("/System/Applications/Photos.app", true)));
    EXPECT_EQ(workspace->runningApplications().size(), 6u);
    EXPECT_TRUE(photos->isActive());

    auto actions = installed.desktop->actions();
    ASSERT_EQ(actions.size(), 3u);
    EXPECT_EQ(actions[0].jsonLine(), R"({"action":"open","launched":true,"ok":true,"pid":)" +
                                         std::to_string(photos->processIdentifier()) +
                                         R"(,"url":"/System/Applications/Photos.app/"})");
    EXPECT_EQ(
        actions[1].jsonLine(),
        R"({"action":"activate","bundleIdentifier":"com.apple.mail","name":"Mail","options":1,"pid":812})");
    EXPECT_EQ(actions[2].details["launched"], false);
}

TEST(SimulatedWorkspace, OpeningWhatCannotBeOpenedFails) {
    platform::testing::VirtualMainLoop loop;
    InstalledDesktop installed(desktopJSON);
    auto workspace = Workspace::shared();
    EXPECT_FALSE(workspace->open(*URL::fromString("/Applications/Missing.app/")));
    EXPECT_FALSE(workspace->open(*URL::fromString("file:///Applications/nothing.txt")));
    EXPECT_TRUE(workspace->open(*URL::fromString("https://example.com/download")));
    std::optional<std::string> error;
    workspace->openApplication(*URL::fromString("https://example.com/"), {},
                               [&](auto, std::optional<std::string> failure) { error = failure; });
    loop.runUntilIdle();
    EXPECT_TRUE(error);
    EXPECT_EQ(workspace->runningApplications().size(), 5u);
}

TEST(SimulatedWorkspace, TerminatingRemovesTheApplicationAndActivatesTheNextOne) {
    InstalledDesktop installed(desktopJSON);
    auto mail = named("Mail");
    auto notes = named("Notes");
    EXPECT_TRUE(notes->activate(0));
    EXPECT_TRUE(mail->activate(0));
    EXPECT_TRUE(mail->terminate());
    EXPECT_TRUE(mail->isTerminated());
    EXPECT_FALSE(mail->isActive());
    EXPECT_EQ(mail->localizedName(), "Mail") << "a quit application still answers";
    EXPECT_FALSE(named("Mail"));
    EXPECT_TRUE(notes->isActive());
    EXPECT_FALSE(mail->terminate());
    EXPECT_FALSE(mail->activate(0));

    EXPECT_TRUE(notes->forceTerminate());
    EXPECT_EQ(Workspace::shared()->frontmostApplication(), nullptr) << "only accessory applications are left";
    EXPECT_FALSE(platform::Application::shared()->currentApplication()->terminate());
    EXPECT_EQ(installed.desktop->actionNames(),
              (std::vector<std::string>{"activate", "activate", "terminate", "terminate", "activate",
                                        "forceTerminate", "terminate"}));

    // Relaunching a quit application gives a new process.
    EXPECT_TRUE(Workspace::shared()->open(URL::fileURL("/System/Applications/Mail.app", true)));
    EXPECT_NE(named("Mail")->processIdentifier(), 812);
    EXPECT_EQ(
        installed.desktop->state()->runningApplication(named("Mail")->processIdentifier())->windows.size(),
        1u);
}

TEST(SimulatedWorkspace, HidingAndTheProgramsOwnApplicationObject) {
    InstalledDesktop installed(desktopJSON);
    auto program = platform::Application::shared();
    EXPECT_TRUE(program->setActivationPolicy(platform::ActivationPolicy::accessory));
    EXPECT_EQ(program->currentApplication()->activationPolicy(), platform::ActivationPolicy::accessory);

    program->hideOtherApplications();
    EXPECT_TRUE(named("Mail")->isHidden());
    EXPECT_TRUE(named("Notes")->isHidden());
    EXPECT_FALSE(named("Helper")->isHidden()) << "only regular applications are hidden";
    EXPECT_EQ(Workspace::shared()->frontmostApplication(), nullptr);
    program->activate(true);
    EXPECT_TRUE(program->currentApplication()->isActive());
    EXPECT_FALSE(program->currentApplication()->ownsMenuBar());

    auto notes = named("Notes");
    EXPECT_TRUE(notes->activate(0));
    EXPECT_FALSE(notes->isHidden()) << "activation unhides";
    EXPECT_TRUE(notes->hide());
    EXPECT_FALSE(notes->isActive());
    EXPECT_EQ(Workspace::shared()->frontmostApplication(), nullptr)
        << "every other regular application is hidden";

    int status = -1;
    bool handled = false;
    platform::setExitInterceptor([&](int code) { status = code; });
    program->setWillTerminateHandler([&] { handled = true; });
    program->terminate();
    platform::setExitInterceptor(nullptr);
    EXPECT_TRUE(handled);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(installed.desktop->actionNames(),
              (std::vector<std::string>{"setActivationPolicy", "hideOtherApplications", "activate",
                                        "activate", "hide", "terminateProgram"}));
    EXPECT_EQ(installed.desktop->actions()[2].details["options"],
              ApplicationActivationOptions::activateIgnoringOtherApps);
}

TEST(SimulatedWorkspace, EveryFileHasAnIconAndEveryApplicationWithOneItsOwn) {
    InstalledDesktop installed(R"({
      "applications": [{"name": "Drawn", "icon": "icons/notes.png"}, {"name": "Bare", "icon": null}],
      "installed": [{"name": "Plain", "bundle": "/Applications/Plain.app", "icon": null}]})");
    auto file = [](const std::string& path) { return *platform::Image::contentsOfFile(path); };
    auto notes = file(platform::sim::resourcesDirectory() + "/desktop/icons/notes.png");
    auto application = file(platform::sim::genericApplicationIconPath());
    auto workspace = Workspace::shared();
    EXPECT_EQ(workspace->iconForFile("/Applications/Drawn.app/"), notes);
    EXPECT_EQ(workspace->iconForFile("/Applications/Plain.app"), application);
    EXPECT_EQ(workspace->iconForFile("/Applications"), file(platform::sim::genericFolderIconPath()));
    EXPECT_EQ(workspace->iconForFile("/Applications/Plain.app/Contents/Info.plist"),
              file(platform::sim::genericDocumentIconPath()));
    EXPECT_EQ(workspace->iconForFile("/Applications/Missing.app"),
              file(platform::sim::genericDocumentIconPath()));

    auto drawn = named("Drawn")->icon();
    ASSERT_TRUE(drawn);
    EXPECT_EQ(*drawn, notes);
    EXPECT_EQ(drawn->size(), (platform::Size{128, 128}));
    EXPECT_EQ(named("Drawn")->icon()->identity(), drawn->identity()) << "the same image every time";
    EXPECT_FALSE(named("Bare")->icon());
}
