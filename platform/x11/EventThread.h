#pragma once

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace platform::x11 {

// One thread that waits on the display connections of several readers at once, so each connection
// costs no thread of its own. After every wake-up each reader's `read` runs (a connection may hold
// events read while another thread waited on a reply), in the order they were added.
class EventThread {
public:
    EventThread();
    ~EventThread();
    // The process's one event thread while anyone holds it; a new one after the last holder lets go.
    static std::shared_ptr<EventThread> shared();
    EventThread(const EventThread&) = delete;
    EventThread& operator=(const EventThread&) = delete;

    bool running() const { return thread_.joinable(); }

    // Starts reading `fd`; returns the reader's key. `read` runs on the thread, first at once, and
    // returns false once its connection is gone, which drops the reader.
    int add(int fd, std::function<bool()> read);
    // Stops the reader; once it returns `read` runs no more. Not from a reader.
    void remove(int key);

private:
    struct Reader {
        int fd;
        std::function<bool()> read;
    };
    void run();
    void wake();

    int wakeRead_ = -1;
    int wakeWrite_ = -1;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable settled_;
    std::map<int, Reader> readers_;
    int nextKey_ = 0;
    // Bumped by the thread each time it takes up the readers afresh.
    unsigned long long round_ = 0;
    bool stopping_ = false;
};

}  // namespace platform::x11
