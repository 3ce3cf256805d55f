#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <thread>
#include <vector>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/platform/foundation/TemporaryFolder.h"

using namespace foundation_tests;
using platform::UserDefaults;

TEST(UserDefaultsConcurrency, WritersOnManyThreadsLoseNoChange) {
    TemporaryFolder folder;
    constexpr int threadCount = 8, writesPerThread = 20;
    auto key = [](int t, int i) { return "key-" + std::to_string(t) + "-" + std::to_string(i); };
    {
        UserDefaults defaults(folder / "defaults.json");
        std::latch start(threadCount);
        std::vector<std::jthread> threads;
        for (int t = 0; t < threadCount; ++t) {
            threads.emplace_back([&, t] {
                start.arrive_and_wait();
                for (int i = 0; i < writesPerThread; ++i) {
                    if (i % 2 == 0)
                        defaults.set(key(t, i), t * 1000 + i);
                    else
                        defaults.setData(key(t, i), key(t, i));
                    defaults.set("shared", t);
                    // Reads of what other threads write, while they write it.
                    (void)defaults.integerForKey(key((t + 1) % threadCount, 0));
                    (void)defaults.objectForKey("shared");
                }
            });
        }
    }
    UserDefaults reloaded(folder / "defaults.json");
    for (int t = 0; t < threadCount; ++t)
        for (int i = 0; i < writesPerThread; ++i)
            EXPECT_EQ(reloaded.objectForKey(key(t, i)), i % 2 ? platform::DefaultsValue::data(key(t, i))
                                                              : platform::DefaultsValue(t * 1000 + i));
    EXPECT_TRUE(reloaded.has("shared"));
    EXPECT_EQ(sortedNames(folder.path()), std::vector<std::string>{"defaults.json"});
}

TEST(UserDefaultsConcurrency, StandardDomainCanBeReplacedWhileInUse) {
    TemporaryFolder folder;
    auto first = std::make_shared<UserDefaults>(folder / "first.json");
    auto second = std::make_shared<UserDefaults>(folder / "second.json");
    UserDefaults::setStandard(first);
    std::atomic<bool> done{false};
    std::thread user([&] {
        int i = 0;
        do UserDefaults::standard()->set("count", i++ % 10);
        while (!done);
    });
    for (int i = 0; i < 50; ++i) UserDefaults::setStandard(i % 2 ? first : second);
    done = true;
    user.join();
    UserDefaults::setStandard(nullptr);
    EXPECT_TRUE(first->has("count") || second->has("count"));
}

TEST(FileManagerConcurrency, ReadersSeeOnlyWholeFilesWhileWritersReplaceThem) {
    TemporaryFolder folder;
    auto path = folder / "shared.bin";
    auto files = platform::FileManager::shared();
    ASSERT_TRUE(files->writeAtomically(path, std::string(65536, 'a')));
    std::atomic<int> writersLeft{4}, tornReads{0};
    std::vector<std::thread> threads;
    for (int w = 0; w < 4; ++w) {
        threads.emplace_back([&, w] {
            for (int i = 0; i < 10; ++i)
                EXPECT_TRUE(files->writeAtomically(path, std::string(65536, static_cast<char>('b' + w))));
            --writersLeft;
        });
    }
    threads.emplace_back([&] {
        while (writersLeft > 0) {
            auto contents = files->readFile(path);
            if (!contents || contents->size() != 65536 ||
                contents->find_first_not_of(contents->front()) != std::string::npos)
                ++tornReads;
        }
    });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(tornReads, 0);
    EXPECT_EQ(sortedNames(folder.path()), std::vector<std::string>{"shared.bin"});
}
