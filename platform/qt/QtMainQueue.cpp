#include "platform/qt/QtMainQueue.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <cmath>

namespace platform::qt {

QtMainQueue::QtMainQueue() : context_(std::make_unique<QObject>()) {}

std::shared_ptr<QtMainQueue> QtMainQueue::install() {
    std::shared_ptr<QtMainQueue> queue(new QtMainQueue());
    MainQueue::setBackend(queue);
    return queue;
}

void QtMainQueue::post(std::function<void()> block) {
    QMetaObject::invokeMethod(context_.get(), std::move(block), Qt::QueuedConnection);
}

void QtMainQueue::postAfter(TimeInterval delay, std::function<void()> block) {
    auto milliseconds = static_cast<int>(std::min(std::ceil(delay * 1000.0), 2147483647.0));
    // A timer must be started on the thread whose loop runs it: hop to the main thread first.
    auto start = [this, milliseconds, block = std::move(block)]() mutable {
        QTimer::singleShot(milliseconds, Qt::PreciseTimer, context_.get(), std::move(block));
    };
    if (isMainThread())
        start();
    else
        post(std::move(start));
}

void QtMainQueue::postNextTurn(std::function<void()> block) { postAfter(0, std::move(block)); }

bool QtMainQueue::postRepeating(TimeInterval interval, std::function<bool()> tick) {
    if (!isMainThread()) return false;
    auto* timer = new QTimer(context_.get());
    timer->setTimerType(Qt::PreciseTimer);
    timer->setInterval(static_cast<int>(std::min(std::ceil(interval * 1000.0), 2147483647.0)));
    QObject::connect(timer, &QTimer::timeout, timer, [timer, tick = std::move(tick)] {
        if (tick()) return;
        timer->stop();
        timer->deleteLater();
    });
    timer->start();
    return true;
}

bool QtMainQueue::isMainThread() const { return QThread::currentThread() == context_->thread(); }

}  // namespace platform::qt
