#include <gtest/gtest.h>

#include <atomic>
#include <latch>
#include <thread>
#include <vector>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/UserDefaults.h"
#include "tests/platform/foundation/TemporaryFolder.h"

using foundation_tests::TemporaryFolder;
using platform::FileManager;
using platform::UserDefaults;

TEST(UserDefaultsConcurrency, WritersOnManyThreadsLoseNoChange) {
    TemporaryFolder folder;
    auto path = folder / "defaults.json";
    constexpr int threadCount = 8;
    constexpr int writesPerThread = 20;
    {
        UserDefaults defaults(path);
        std::latch start(threadCount);
        std::vector<std::thread> threads;
        for (int t = 0; t < threadCount; ++t) {
            threads.emplace_back([&, t] {
                start.arrive_and_wait();
                for (int i = 0; i < writesPerThread; ++i) {
                    auto key = "key-" + std::to_string(t) + "-" + std::to_string(i);
                    if (i % 2 == 0) {
                        defaults.set(key, t * 1000 + i);
                    } else {
                        defaults.setData(key, key);
                    }
                    defaults.set("shared", t);
                    // Reads of what other threads write, while they write it.
                    (void)defaults.integerForKey("key-" + std::to_string((t + 1) % threadCount) + "-0");
                    (void)defaults.objectForKey("shared");
                }
            });
        }
        for (auto& thread : threads) thread.join();
    }

    UserDefaults reloaded(path);
    for (int t = 0; t < threadCount; ++t) {
        for (int i = 0; i < writesPerThread; ++i) {
            auto key = "key-" + std::to_string(t) + "-" + std::to_string(i);
            if (i % 2 == 0) {
                EXPECT_EQ(reloaded.integerForKey(key), t * 1000 + i) << key;
            } else {
                EXPECT_EQ(reloaded.dataForKey(key), key) << key;
            }
        }
    }
    EXPECT_TRUE(reloaded.has("shared"));
    EXPECT_EQ(foundation_tests::sortedNames(folder.path()), std::vector<std::string>{"defaults.json"});
}

TEST(UserDefaultsConcurrency, StandardDomainCanBeReplacedWhileInUse) {
    TemporaryFolder folder;
    auto first = std::make_shared<UserDefaults>(folder / "first.json");
    auto second = std::make_shared<UserDefaults>(folder / "second.json");
    UserDefaults::setStandard(first);
    std::atomic<bool> done{false};
    std::thread user([&] {
        int i = 0;
        do {
            UserDefaults::standard()->set("count", i++ % 10);
        } while (!done);
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
    auto files = FileManager::shared();
    ASSERT_TRUE(files->writeAtomically(path, std::string(65536, 'a')));

    constexpr int writerCount = 4;
    std::atomic<int> writersLeft{writerCount};
    std::atomic<int> tornReads{0};
    std::vector<std::thread> threads;
    for (int w = 0; w < writerCount; ++w) {
        threads.emplace_back([&, w] {
            for (int i = 0; i < 10; ++i) {
                EXPECT_TRUE(files->writeAtomically(path, std::string(65536, static_cast<char>('b' + w))));
            }
            --writersLeft;
        });
    }
    threads.emplace_back([&] {
        while (writersLeft > 0) {
            auto contents = files->readFile(path);
            if (!contents || contents->size() != 65536 ||
                contents->find_first_not_of(contents->front()) != std::string::npos) {
                ++tornReads;
            }
        }
    });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(tornReads, 0);
    EXPECT_EQ(foundation_tests::sortedNames(folder.path()), std::vector<std::string>{"shared.bin"});
}
