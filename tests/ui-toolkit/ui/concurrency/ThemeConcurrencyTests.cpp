#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "Brindle/Object.h"
#include "platform/testing/VirtualMainLoop.h"
#include "ui-toolkit/ui/Theme.h"

using namespace brindle_ui;

// Workers flip the theme and its variants while the main thread registers, disposes and runs the
// main queue (where the list changes land): every callback runs without a torn list.
TEST(ThemeConcurrencyTest, ObserverListSurvivesChangesFromManyThreads) {
    platform::testing::VirtualMainLoop loop;
    std::atomic<int> calls{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < 3; ++w) {
        workers.emplace_back([&, w] {
            for (int i = 0; i < 300; ++i) {
                if (w == 0)
                    Theme::setCurrent(i % 2 ? Theme::light : Theme::dark);
                else if (w == 1)
                    Theme::setBackgroundVariant(static_cast<std::uint8_t>(i % 2));
                else
                    (void)Theme::observable()
                        .subscribe([&](const Theme&) { calls.fetch_add(1); })
                        .isDisposed();
            }
        });
    }
    std::vector<std::shared_ptr<Brindle::Object>> owners;
    for (int i = 0; i < 200; ++i) {
        auto owner = Brindle::make<Brindle::Object>();
        auto handle = Theme::observe(owner, "test", [&](Theme) { calls.fetch_add(1); });
        if (i % 3 == 0) handle->dispose();
        if (i % 2 == 0) owners.push_back(owner);
        loop.runUntilIdle();
    }
    for (auto& worker : workers) worker.join();
    loop.runUntilIdle();
    owners.clear();
    Theme::setCurrent(Theme::dark);
    Theme::setBackgroundVariant(0);
    EXPECT_EQ(Theme::observerCount(), 0u);
    EXPECT_GT(calls.load(), 0);
}
