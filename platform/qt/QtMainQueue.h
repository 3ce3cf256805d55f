#pragma once

#include <QObject>
#include <memory>

#include "platform/base/MainQueue.h"

namespace platform::qt {

// The main queue on Qt's event loop. Install it once the QApplication exists; the thread that
// installs it is the main thread.
class QtMainQueue final : public MainQueueBackend {
public:
    static std::shared_ptr<QtMainQueue> install();

    void post(std::function<void()> block) override;
    void postAfter(TimeInterval delay, std::function<void()> block) override;
    void postNextTurn(std::function<void()> block) override;
    bool isMainThread() const override;
    bool postRepeating(TimeInterval interval, std::function<bool()> tick) override;

private:
    QtMainQueue();
    std::unique_ptr<QObject> context_;
};

}  // namespace platform::qt
