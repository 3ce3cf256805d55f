#include "platform/base/DispatchQueue.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <queue>
#include <thread>
#include <vector>

namespace platform {
namespace {

// Threads that run the blocks of every queue; delayed blocks wait in the pool until due, watched
// by one idle worker at a time. Work starts a thread when none is idle; the first threads stay for
// good, sleeping without a timeout while idle, so periodic work neither wakes an idle process nor
// starts and ends a thread each time; threads beyond them end after a while with nothing to do.
class ThreadPool {
public:
    static ThreadPool& shared() {
        // Never destroyed: blocks may still be submitted while the process exits.
        static auto* pool = new ThreadPool();
        return *pool;
    }

    void submit(std::function<void()> block) {
        std::lock_guard lock(mutex_);
        if (stopped_) return;
        work_.push_back(std::move(block));
        if (work_.size() <= idleWorkers_)
            workReady_.notify_one();
        else if (workers_ < maximumWorkers())
            startWorkerLocked();
        else if (timekeeping_)
            delayedChanged_.notify_one();
    }

    void submitAfter(TimeInterval seconds, std::function<void()> block) {
        auto due = std::chrono::steady_clock::now() +
                   std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                       std::chrono::duration<double>(seconds));
        std::lock_guard lock(mutex_);
        if (stopped_) return;
        delayed_.push(Delayed{due, nextSequence_++, std::move(block)});
        if (timekeeping_)
            delayedChanged_.notify_one();
        else if (idleWorkers_ > 0)
            workReady_.notify_one();
        else if (workers_ < maximumWorkers())
            startWorkerLocked();
        // Otherwise the first worker to finish its block keeps the time.
    }

    void shutdown() {
        // Dropped outside the lock: destroying a block's captures may submit work.
        std::deque<std::function<void()>> work;
        decltype(delayed_) delayed;
        {
            std::unique_lock lock(mutex_);
            if (stopped_) return;
            stopped_ = true;
            work.swap(work_);
            delayed.swap(delayed_);
            workReady_.notify_all();
            delayedChanged_.notify_all();
            threadEnded_.wait(lock, [this] { return workers_ == 0; });
        }
    }

private:
    // Threads the pool keeps however long they idle.
    static constexpr unsigned keptWorkers = 2;
    // A thread beyond those with nothing to do for this long ends.
    static constexpr std::chrono::seconds idleLifetime{5};

    struct Delayed {
        std::chrono::steady_clock::time_point due;
        std::uint64_t sequence;
        std::function<void()> block;
        bool operator>(const Delayed& other) const {
            return due != other.due ? due > other.due : sequence > other.sequence;
        }
    };

    static unsigned maximumWorkers() { return std::clamp(std::thread::hardware_concurrency(), 2u, 8u); }

    // Threads are detached: `shutdown` waits for their count to reach zero instead of joining.
    void startWorkerLocked() {
        ++workers_;
        auto index = nextWorkerIndex_++;
        std::thread([this, index] {
            pthread_setname_np(pthread_self(), ("velmora.pool." + std::to_string(index % 100)).c_str());
            runWorker();
        }).detach();
    }

    // Moves the due delayed blocks to the work, in order.
    void promoteDueLocked() {
        const auto now = std::chrono::steady_clock::now();
        while (!delayed_.empty() && delayed_.top().due <= now) {
            work_.push_back(std::move(const_cast<Delayed&>(delayed_.top()).block));
            delayed_.pop();
        }
    }

    void runWorker() {
        std::unique_lock lock(mutex_);
        while (!stopped_) {
            promoteDueLocked();
            if (!work_.empty()) {
                auto block = std::move(work_.front());
                work_.pop_front();
                // Someone else keeps the time while this block runs.
                if (!delayed_.empty() && !timekeeping_ && idleWorkers_ > 0) workReady_.notify_one();
                lock.unlock();
                block();
                block = nullptr;  // release captures outside the lock
                lock.lock();
                continue;
            }
            if (!delayed_.empty() && !timekeeping_) {
                timekeeping_ = true;
                // A copy: the queue may move its elements while this thread waits.
                const auto due = delayed_.top().due;
                delayedChanged_.wait_until(lock, due);
                timekeeping_ = false;
                continue;
            }
            ++idleWorkers_;
            bool ended = false;
            if (workers_ <= keptWorkers)
                workReady_.wait(lock);
            else
                ended = workReady_.wait_for(lock, idleLifetime) == std::cv_status::timeout && work_.empty() &&
                        (delayed_.empty() || timekeeping_);
            --idleWorkers_;
            if (ended) break;
        }
        --workers_;
        threadEnded_.notify_all();
    }

    std::mutex mutex_;
    std::condition_variable workReady_;
    std::condition_variable delayedChanged_;
    std::condition_variable threadEnded_;
    std::deque<std::function<void()>> work_;
    std::priority_queue<Delayed, std::vector<Delayed>, std::greater<>> delayed_;
    std::uint64_t nextSequence_ = 0;
    unsigned workers_ = 0;
    unsigned idleWorkers_ = 0;
    unsigned nextWorkerIndex_ = 0;
    bool timekeeping_ = false;
    bool stopped_ = false;
};

class PoolConcurrentQueue final : public DispatchQueue {
public:
    explicit PoolConcurrentQueue(std::string label) : label_(std::move(label)) {}
    void async(std::function<void()> block) override { ThreadPool::shared().submit(std::move(block)); }
    void asyncAfter(TimeInterval seconds, std::function<void()> block) override {
        if (std::isinf(seconds) && seconds > 0) return;
        if (!(seconds > 0))
            async(std::move(block));
        else
            ThreadPool::shared().submitAfter(seconds, std::move(block));
    }
    const std::string& label() const override { return label_; }

private:
    std::string label_;
};

// Runs one block at a time on the pool: a drain task is in the pool only while work is queued.
class PoolSerialQueue final : public DispatchQueue, public std::enable_shared_from_this<PoolSerialQueue> {
public:
    explicit PoolSerialQueue(std::string label) : label_(std::move(label)) {}

    void async(std::function<void()> block) override {
        bool startDrain = false;
        {
            std::lock_guard lock(mutex_);
            pending_.push_back(std::move(block));
            if (!draining_) draining_ = startDrain = true;
        }
        if (startDrain) ThreadPool::shared().submit([self = shared_from_this()] { self->drain(); });
    }

    void asyncAfter(TimeInterval seconds, std::function<void()> block) override {
        if (std::isinf(seconds) && seconds > 0) return;
        if (!(seconds > 0)) return async(std::move(block));
        ThreadPool::shared().submitAfter(seconds,
                                         [self = shared_from_this(), block = std::move(block)]() mutable {
                                             self->async(std::move(block));
                                         });
    }

    const std::string& label() const override { return label_; }

private:
    void drain() {
        while (true) {
            std::function<void()> block;
            {
                std::lock_guard lock(mutex_);
                if (pending_.empty()) {
                    draining_ = false;
                    return;
                }
                block = std::move(pending_.front());
                pending_.pop_front();
            }
            block();
        }
    }

    std::string label_;
    std::mutex mutex_;
    std::deque<std::function<void()>> pending_;
    bool draining_ = false;
};

std::mutex& factoryMutex() {
    static std::mutex mutex;
    return mutex;
}

DispatchQueue::Factory& factory() {
    static DispatchQueue::Factory value;
    return value;
}

std::shared_ptr<DispatchQueue> make(const std::string& label, QualityOfService qos, bool serial) {
    {
        std::lock_guard lock(factoryMutex());
        if (factory()) return factory()(label, qos, serial);
    }
    if (serial) return std::make_shared<PoolSerialQueue>(label);
    return std::make_shared<PoolConcurrentQueue>(label);
}

const char* globalLabel(QualityOfService qos) {
    switch (qos) {
        case QualityOfService::background:
            return "velmora.global.background-qos";
        case QualityOfService::utility:
            return "velmora.global.utility-qos";
        case QualityOfService::defaultQoS:
            return "velmora.global.default-qos";
        case QualityOfService::userInitiated:
            return "velmora.global.user-initiated-qos";
        case QualityOfService::userInteractive:
            return "velmora.global.user-interactive-qos";
    }
    return "velmora.global.default-qos";
}

}  // namespace

std::shared_ptr<DispatchQueue> DispatchQueue::global(QualityOfService qos) {
    {
        std::lock_guard lock(factoryMutex());
        if (factory()) return factory()(globalLabel(qos), qos, false);
    }
    static std::mutex mutex;
    static std::map<QualityOfService, std::shared_ptr<DispatchQueue>> queues;
    std::lock_guard lock(mutex);
    auto& queue = queues[qos];
    if (!queue) queue = std::make_shared<PoolConcurrentQueue>(globalLabel(qos));
    return queue;
}

std::shared_ptr<DispatchQueue> DispatchQueue::makeConcurrent(std::string label, QualityOfService qos) {
    return make(label, qos, false);
}

std::shared_ptr<DispatchQueue> DispatchQueue::makeSerial(std::string label, QualityOfService qos) {
    return make(label, qos, true);
}

void DispatchQueue::setFactory(Factory newFactory) {
    std::lock_guard lock(factoryMutex());
    factory() = std::move(newFactory);
}

void DispatchQueue::shutdownPool() { ThreadPool::shared().shutdown(); }

}  // namespace platform
