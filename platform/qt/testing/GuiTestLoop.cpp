#include "platform/qt/testing/GuiTestLoop.h"

#include <QCoreApplication>
#include <QEvent>

#include "platform/qt/QtAnimation.h"

namespace platform::qt {

// Forwards to the virtual loop, processing Qt's events after each block it runs.
class GuiTestLoop::Backend final : public MainQueueBackend {
public:
    explicit Backend(std::shared_ptr<MainQueueBackend> inner) : inner_(std::move(inner)) {}

    void post(std::function<void()> block) override { inner_->post(wrap(std::move(block))); }
    void postAfter(TimeInterval delay, std::function<void()> block) override {
        inner_->postAfter(delay, wrap(std::move(block)));
    }
    void postNextTurn(std::function<void()> block) override { inner_->postNextTurn(wrap(std::move(block))); }
    bool isMainThread() const override { return inner_->isMainThread(); }

private:
    static std::function<void()> wrap(std::function<void()> block) {
        return [block = std::move(block)] {
            block();
            processQtEvents();
        };
    }

    std::shared_ptr<MainQueueBackend> inner_;
};

GuiTestLoop::GuiTestLoop()
    : virtualBackend_(MainQueue::backend()),
      backend_(std::make_shared<Backend>(virtualBackend_)),
      previousInstant_(setAnimationsInstant(true)) {
    MainQueue::setBackend(backend_);
}

GuiTestLoop::~GuiTestLoop() {
    processQtEvents();
    MainQueue::setBackend(virtualBackend_);
    setAnimationsInstant(previousInstant_);
}

void GuiTestLoop::processQtEvents() {
    if (!QCoreApplication::instance()) return;
    // A handler may post further events; a few rounds settle chains of them.
    for (int round = 0; round < 4; ++round) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void GuiTestLoop::runUntilIdle() {
    processQtEvents();
    loop_.runUntilIdle();
    processQtEvents();
}

void GuiTestLoop::advance(TimeInterval seconds) {
    processQtEvents();
    loop_.advance(seconds);
    processQtEvents();
}

TimeInterval GuiTestLoop::elapsed() const { return loop_.elapsed(); }

std::size_t GuiTestLoop::pendingCount() const { return loop_.pendingCount(); }

}  // namespace platform::qt
