#pragma once

#include <QObject>
#include <memory>
#include <optional>

#include "platform/base/MainQueue.h"
#include "platform/base/TimerGrid.h"

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

    ~QtMainQueue() override;

    // What wakes the loop for the grid.
    class Beat;

private:
    QtMainQueue();
    // Sets the beat for the grid's next due timer, unless it is set for that already.
    void armBeat();
    void beat();

    std::unique_ptr<QObject> context_;
    // Repeating timers of whole half seconds fire on one grid and wake the loop together.
    TimerGrid grid_;
    // Made with the first timer on the grid, once the loop is running on the main thread.
    std::unique_ptr<Beat> beat_;
    std::optional<double> beatDue_;
};

}  // namespace platform::qt
