#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "Brindle/Work.h"
#include "platform/testing/VirtualMainLoop.h"

using Brindle::Work;
using Brindle::WorkManager;

namespace {

class WorkTest : public ::testing::Test {
protected:
    WorkTest() {
        subscription = WorkManager::shared()->works().subscribe(
            [this](const std::vector<std::shared_ptr<Work>>& works) { emitted.push_back(works); });
        takeEmitted();
    }
    ~WorkTest() override {
        subscription.dispose();
        WorkManager::shared()->workRelay.accept({});
    }

    std::vector<std::shared_ptr<Work>> listed() const { return WorkManager::shared()->workRelay.value(); }
    // What `works` emitted since the last call, after the main queue has run.
    std::vector<std::vector<std::shared_ptr<Work>>> takeEmitted() {
        loop.runUntilIdle();
        return std::exchange(emitted, {});
    }

    platform::testing::VirtualMainLoop loop;
    std::vector<std::vector<std::shared_ptr<Work>>> emitted;
    rx::Disposable subscription;
};

}  // namespace

TEST_F(WorkTest, ProgressBelowOneKeepsTheWorkAndOneRemovesIt) {
    auto work = Brindle::make<Work>(true);
    EXPECT_EQ(work->completion(), std::nullopt);
    EXPECT_EQ(listed(), (std::vector<std::shared_ptr<Work>>{work}));
    takeEmitted();

    work->setCompletion(0.5);
    EXPECT_EQ(listed().size(), 1u);
    EXPECT_EQ(takeEmitted(), (std::vector<std::vector<std::shared_ptr<Work>>>{{work}}));

    work->setCompletion(0.999);
    EXPECT_EQ(listed().size(), 1u);

    work->setCompletion(1.0);
    EXPECT_TRUE(listed().empty());
}

TEST_F(WorkTest, CompleteAnnouncesOnceAndRemoves) {
    auto work = Brindle::make<Work>(true);
    takeEmitted();
    work->complete();
    EXPECT_EQ(work->completion(), 1.0);
    EXPECT_TRUE(listed().empty());
    // The announcement with the work still listed, then the list without it.
    EXPECT_EQ(takeEmitted(), (std::vector<std::vector<std::shared_ptr<Work>>>{{work}, {}}));

    // Already complete: only unregisters (and publishes the list again).
    work->complete();
    EXPECT_EQ(takeEmitted(), (std::vector<std::vector<std::shared_ptr<Work>>>{{}}));
}

TEST_F(WorkTest, RegistrationIsExplicitAndByIdentity) {
    auto work = Brindle::make<Work>(false);
    auto other = Brindle::make<Work>(false);
    EXPECT_TRUE(listed().empty());
    work->unregister();
    EXPECT_EQ(takeEmitted().size(), 1u);

    work->register_();
    other->register_();
    work->register_();
    EXPECT_EQ(listed(), (std::vector<std::shared_ptr<Work>>{work, other, work}));
    work->unregister();
    EXPECT_EQ(listed(), (std::vector<std::shared_ptr<Work>>{other}));
}

TEST_F(WorkTest, ProgressFollowsTheWorkWhileItLives) {
    auto work = Brindle::make<Work>(true);
    std::vector<std::optional<double>> progress;
    auto watching =
        work->progress().subscribe([&](const std::optional<double>& value) { progress.push_back(value); });
    loop.runUntilIdle();
    work->setCompletion(0.25);
    loop.runUntilIdle();
    EXPECT_EQ(progress, (std::vector<std::optional<double>>{std::nullopt, 0.25}));

    std::weak_ptr<Work> gone = work;
    work->unregister();
    work.reset();
    takeEmitted();
    ASSERT_TRUE(gone.expired());
    progress.clear();
    WorkManager::shared()->workProgressUpdated.onNext();
    loop.runUntilIdle();
    EXPECT_TRUE(progress.empty());
    watching.dispose();
}
