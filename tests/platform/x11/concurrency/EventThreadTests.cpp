#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/x11/EventThread.h"

using platform::x11::EventThread;

namespace {

// A pipe whose read end a reader drains, counting the bytes it took on its thread.
struct Channel {
    int ends[2] = {-1, -1};
    std::mutex mutex;
    std::condition_variable arrived;
    int bytes = 0;
    int calls = 0;
    std::thread::id readOn;

    Channel() { EXPECT_EQ(pipe2(ends, O_CLOEXEC | O_NONBLOCK), 0); }
    ~Channel() {
        for (int fd : ends)
            if (fd >= 0) close(fd);
    }
    void send(int count = 1) {
        for (int i = 0; i < count; ++i) EXPECT_EQ(write(ends[1], "x", 1), 1);
    }
    bool read() {
        char buffer[16];
        std::lock_guard lock(mutex);
        ++calls;
        readOn = std::this_thread::get_id();
        for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;) bytes += static_cast<int>(n);
        arrived.notify_all();
        return true;
    }
    // A bound against a hang, not a timing.
    bool waitFor(int count) {
        std::unique_lock lock(mutex);
        return arrived.wait_for(lock, std::chrono::seconds(20), [&] { return bytes >= count; });
    }
    int taken() {
        std::lock_guard lock(mutex);
        return bytes;
    }
};

}  // namespace

TEST(EventThread, ServesEveryReadersDescriptorOnTheOneThread) {
    // The thread goes first, so that no reader runs on a channel that is gone.
    Channel display, input;
    EventThread thread;
    ASSERT_TRUE(thread.running());
    thread.add(display.ends[0], [&] { return display.read(); });
    thread.add(input.ends[0], [&] { return input.read(); });
    input.send(3);
    ASSERT_TRUE(input.waitFor(3));
    display.send();
    ASSERT_TRUE(display.waitFor(1));
    std::lock_guard a(display.mutex), b(input.mutex);
    EXPECT_EQ(display.readOn, input.readOn);
    EXPECT_NE(display.readOn, std::this_thread::get_id());
}

// Removal from another thread while the readers run: once remove returns the reader is never called
// again, though its descriptor stays readable and the other reader keeps the thread busy.
TEST(EventThread, ARemovedOrDroppedReaderIsNeverCalledAgain) {
    Channel kept, removed, gone;
    EventThread thread;
    thread.add(kept.ends[0], [&] { return kept.read(); });
    int key = thread.add(removed.ends[0], [&] { return removed.read(); });
    // A reader whose connection ended: its peer is closed, so its descriptor reports a hang-up
    // for ever.
    close(gone.ends[1]);
    gone.ends[1] = -1;
    std::atomic<int> goneCalls = 0;
    thread.add(gone.ends[0], [&] {
        ++goneCalls;
        return false;
    });
    std::atomic<bool> stop = false;
    std::thread sender([&] {
        while (!stop) {
            removed.send();
            std::this_thread::yield();
        }
    });
    ASSERT_TRUE(removed.waitFor(1));
    thread.remove(key);
    int calls;
    {
        std::lock_guard lock(removed.mutex);
        calls = removed.calls;
    }
    kept.send(5);
    ASSERT_TRUE(kept.waitFor(5));
    stop = true;
    sender.join();
    kept.send();
    ASSERT_TRUE(kept.waitFor(6));
    {
        std::lock_guard lock(removed.mutex);
        EXPECT_EQ(removed.calls, calls);
    }
    EXPECT_EQ(goneCalls, 1);
    // A second removal is harmless.
    thread.remove(key);
}
