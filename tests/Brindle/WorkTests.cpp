#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "Brindle/Work.h"
#include "platform/testing/VirtualMainLoop.h"

using Brindle::Work;
using Brindle::WorkManager;
using Works = std::vector<std::shared_ptr<Work>>;

namespace {

class WorkTest : public ::testing::Test {
protected:
    ~WorkTest() override {
        subscription.dispose();
        WorkManager::shared()->workRelay.accept({});
    }

    Works listed() const { return WorkManager::shared()->workRelay.value(); }
    // What `works` emitted since the last call, after the main queue has run.
    std::vector<Works> takeEmitted() {
        loop.runUntilIdle();
        return std::exchange(emitted, {});
    }

    platform::testing::VirtualMainLoop loop;
    std::vector<Works> emitted;
    rx::Disposable subscription =
        WorkManager::shared()->works().subscribe([this](const Works& works) { emitted.push_back(works); });
};

}  // namespace

TEST_F(WorkTest, ACompletionOfExactlyOneAnnouncesAndRemovesTheWork) {
    auto work = Brindle::make<Work>(true);
    EXPECT_EQ(work->completion(), std::nullopt);
    EXPECT_EQ(listed(), Works{work});
    takeEmitted();
    work->setCompletion(0.5);
    EXPECT_EQ(takeEmitted(), std::vector<Works>{{work}});
    work->setCompletion(0.999);
    EXPECT_EQ(listed(), Works{work});
    work->setCompletion(1.0);
    EXPECT_TRUE(listed().empty());

    // complete(): the announcement with the work still listed, then the list without it.
    auto other = Brindle::make<Work>(true);
    takeEmitted();
    other->complete();
    EXPECT_EQ(other->completion(), 1.0);
    EXPECT_EQ(takeEmitted(), (std::vector<Works>{{other}, {}}));
    // Already complete: only unregisters (and publishes the list again).
    other->complete();
    EXPECT_EQ(takeEmitted(), std::vector<Works>{{}});
}

TEST_F(WorkTest, RegistrationIsExplicitAndByIdentity) {
    auto work = Brindle::make<Work>(false);
    auto other = Brindle::make<Work>(false);
    EXPECT_TRUE(listed().empty());
    work->register_();
    other->register_();
    work->register_();
    EXPECT_EQ(listed(), (Works{work, other, work}));
    work->unregister();
    EXPECT_EQ(listed(), Works{other});
}

TEST_F(WorkTest, ProgressFollowsTheWorkWhileItLives) {
    auto work = Brindle::make<Work>(true);
    std::vector<std::optional<double>> progress;
    auto watching = work->progress().subscribe([&](const auto& value) { progress.push_back(value); });
    loop.runUntilIdle();
    work->setCompletion(0.25);
    loop.runUntilIdle();
    EXPECT_EQ(progress, (std::vector<std::optional<double>>{std::nullopt, 0.25}));

    std::weak_ptr<Work> gone = work;
    work->unregister();
    work.reset();
    takeEmitted();  // the emitted lists hold it too
    ASSERT_TRUE(gone.expired());
    progress.clear();
    WorkManager::shared()->workProgressUpdated.onNext();
    loop.runUntilIdle();
    EXPECT_TRUE(progress.empty());
    watching.dispose();
}
