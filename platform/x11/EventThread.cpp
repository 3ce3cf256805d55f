#include "platform/x11/EventThread.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <vector>

namespace platform::x11 {

EventThread::EventThread() {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) return;
    wakeRead_ = ends[0];
    wakeWrite_ = ends[1];
    thread_ = std::thread([this] { run(); });
}

std::shared_ptr<EventThread> EventThread::shared() {
    static std::mutex mutex;
    static std::weak_ptr<EventThread> current;
    std::lock_guard lock(mutex);
    auto thread = current.lock();
    if (!thread) current = thread = std::make_shared<EventThread>();
    return thread;
}

EventThread::~EventThread() {
    if (thread_.joinable()) {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake();
        thread_.join();
    }
    for (int fd : {wakeRead_, wakeWrite_})
        if (fd >= 0) close(fd);
}

void EventThread::wake() {
    char byte = 0;
    (void)!write(wakeWrite_, &byte, 1);
}

int EventThread::add(int fd, std::function<bool()> read) {
    std::lock_guard lock(mutex_);
    int key = nextKey_++;
    readers_.emplace(key, Reader{fd, std::move(read)});
    wake();
    return key;
}

void EventThread::remove(int key) {
    std::unique_lock lock(mutex_);
    if (!readers_.erase(key) || !thread_.joinable()) return;
    // The thread may be inside the reader: wait until it has taken up the readers afresh.
    const auto seen = round_;
    wake();
    settled_.wait(lock, [&] { return round_ > seen || stopping_; });
}

void EventThread::run() {
    std::vector<pollfd> fds;

    std::unique_lock lock(mutex_);
    while (!stopping_) {
        ++round_;
        settled_.notify_all();
        // Readers run with the lock held: a removal waits until they are done and the thread has
        // left the removed reader's descriptor out of its next wait.
        std::erase_if(readers_, [](auto& item) { return !item.second.read(); });
        fds.assign(1, pollfd{wakeRead_, POLLIN, 0});
        for (auto& [key, reader] : readers_) fds.push_back({reader.fd, POLLIN, 0});
        lock.unlock();
        poll(fds.data(), fds.size(), -1);
        if (fds[0].revents) {
            char buffer[64];
            while (::read(wakeRead_, buffer, sizeof buffer) > 0) {}
        }
        lock.lock();
    }
}

}  // namespace platform::x11
