#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Brindle/RxHelpers.h"
#include "Velmora/settings/SettingsManager.h"
#include "Velmora/tracking/ApplicationManager.h"
#include "platform/sim/SimulatedDesktop.h"
#include "platform/system/System.h"
#include "platform/system/WindowList.h"
#include "platform/system/Workspace.h"
#include "platform/testing/TestDispatchQueues.h"
#include "tests/support/FreshDefaults.h"
#include "tests/support/SimulatedDesktopTesting.h"

namespace test_support {

// Where the work handed to background queues runs: on the one manual queue, until the test runs
// it, or at once on the thread that hands it over.
enum class Background { waits, runsAtOnce };

// A simulated desktop installed as the system, fresh settings and an application manager on the
// test's own loop (a virtual one, or the widget tests' one). Refreshes wait on a manual queue until
// `refresh()` runs them, unless the background runs at once; `updates` counts the refreshes the
// program's parts asked for.
template <class Loop>
struct DesktopHarness {
    explicit DesktopHarness(const std::string& json, Background background = Background::waits)
        : installedDesktop(json),
          factory([queue = queue, background](const std::string& label, platform::QualityOfService,
                                              bool) -> std::shared_ptr<platform::DispatchQueue> {
              if (background == Background::runsAtOnce)
                  return std::make_shared<platform::testing::InlineDispatchQueue>(label);
              return queue;
          }),
          settings(Brindle::make<Velmora::SettingsManager>()),
          manager(Brindle::make<Velmora::ApplicationManager>(settings)) {
        Brindle::subscribeNext(manager->update, false, [this](rx::Unit) { ++updates; }).disposed(bag);
        // The manager asks for a refresh on each of the desktop's own announcements; those are not
        // the parts' requests.
        desktopChanges = platform::Workspace::notificationCenter()->addObserver(
            platform::WindowList::didChangeNotification,
            [this](const platform::Notification&) { --updates; });
    }

    // The notification centre outlives the harness: its observer must not call into a harness gone.
    ~DesktopHarness() { platform::Workspace::notificationCenter()->removeObserver(desktopChanges); }
    DesktopHarness(const DesktopHarness&) = delete;
    DesktopHarness& operator=(const DesktopHarness&) = delete;

    void refresh() {
        manager->update.onNext(rx::Unit{});
        // Bounded: a refresh that keeps queueing work fails the test instead of hanging it.
        for (int round = 0; round < 1000; ++round) {
            queue->runAll();
            loop.runUntilIdle();
            if (queue->pendingCount() == 0) return;
        }
        ADD_FAILURE() << "the refresh never settled";
    }
    std::vector<std::string> actionNames() const { return desktop->actionNames(); }
    Loop loop;
    FreshDefaults defaults;
    test_support::InstalledDesktop installedDesktop;
    std::shared_ptr<platform::sim::SimulatedDesktop>& desktop = installedDesktop.desktop;
    std::shared_ptr<platform::testing::ManualDispatchQueue> queue =
        std::make_shared<platform::testing::ManualDispatchQueue>("refresh");
    platform::testing::ScopedDispatchFactory factory;
    std::shared_ptr<Velmora::SettingsManager> settings;
    std::shared_ptr<Velmora::ApplicationManager> manager;
    int updates = 0;
    std::shared_ptr<platform::NotificationCenter::Token> desktopChanges;
    rx::DisposeBag bag;
};

}  // namespace test_support
