#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/base/TimeInterval.h"

namespace platform {

enum class QualityOfService { background, utility, defaultQoS, userInitiated, userInteractive };

// A queue of work off the main thread. Concurrent queues run their blocks in parallel on a
// shared pool of named threads; serial queues run one block at a time, in order.
class DispatchQueue {
public:
    virtual ~DispatchQueue() = default;
    virtual void async(std::function<void()> block) = 0;
    // A negative or NaN delay runs at once; an infinite one never.
    virtual void asyncAfter(TimeInterval seconds, std::function<void()> block) = 0;
    virtual const std::string& label() const = 0;

    // The process-wide concurrent queue of a quality of service (one per value).
    static std::shared_ptr<DispatchQueue> global(QualityOfService qos);
    static std::shared_ptr<DispatchQueue> makeConcurrent(std::string label, QualityOfService qos);
    static std::shared_ptr<DispatchQueue> makeSerial(std::string label, QualityOfService qos);

    // Tests replace what `global`, `makeConcurrent` and `makeSerial` hand out; null restores the
    // pool's queues.
    using Factory = std::function<std::shared_ptr<DispatchQueue>(const std::string& label,
                                                                 QualityOfService qos, bool serial)>;
    static void setFactory(Factory factory);

    // Lets the running blocks finish, drops what has not started and joins the pool's threads.
    // Later submissions are dropped. The program calls it before its Qt application goes away.
    static void shutdownPool();
};

}  // namespace platform
