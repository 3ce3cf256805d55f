#include "platform/qt/QtMainQueue.h"

#include <glib.h>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cmath>

namespace platform::qt {

class QtMainQueue::Beat {
public:
    virtual ~Beat() = default;
    // Wakes the loop at `due`, in seconds of the steady clock, to beat once; none stops it.
    virtual void set(std::optional<double> due) = 0;
};

namespace {

// Qt's loop waits on the system's clocks, whatever clock the rest of the program is given.
double monotonicSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
double wallSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// How long from now until `due`, in whole units of `perSecond`, rounded up: woken a little early,
// the loop would find nothing due and wait once more.
std::int64_t waitUntil(double due, double perSecond) {
    const double wait = std::ceil((due - monotonicSeconds()) * perSecond);
    return static_cast<std::int64_t>(std::clamp(wait, 0.0, 2147483647.0));
}

// A source of the GLib context that Qt's loop runs on the main thread: dispatched by the loop
// directly, where a Qt timer would go through Qt's timer list and every event filter of the
// application at each firing. It tells the loop its wait as it prepares to poll, instead of through
// a ready time, whose every change wakes the loop once more.
class GlibBeat final : public QtMainQueue::Beat {
public:
    GlibBeat(GMainContext* context, std::function<void()> beat) : beat_(std::move(beat)) {
        source_ = g_source_new(&functions, sizeof(Source));
        reinterpret_cast<Source*>(source_)->owner = this;
        g_source_set_name(source_, "velmora timer grid");
        // Timers go on firing while a tick runs a nested loop, as Qt's do.
        g_source_set_can_recurse(source_, TRUE);
        g_source_attach(source_, context);
    }
    ~GlibBeat() override {
        g_source_destroy(source_);
        g_source_unref(source_);
    }
    // Only ever called on the loop's own thread, so the loop prepares again before it waits.
    void set(std::optional<double> due) override {
        due_ = due ? g_get_monotonic_time() + waitUntil(*due, 1e6) : -1;
    }

private:
    struct Source {
        GSource base;
        GlibBeat* owner;
    };
    static GlibBeat& owner(GSource* source) { return *reinterpret_cast<Source*>(source)->owner; }
    static gboolean prepare(GSource* source, gint* timeout) {
        const auto due = owner(source).due_;
        if (due < 0) {
            *timeout = -1;
            return FALSE;
        }
        const auto now = g_source_get_time(source);
        if (now >= due) {
            *timeout = 0;
            return TRUE;
        }
        *timeout = static_cast<gint>(std::min<gint64>((due - now + 999) / 1000, G_MAXINT));
        return FALSE;
    }
    static gboolean check(GSource* source) {
        const auto due = owner(source).due_;
        return due >= 0 && g_source_get_time(source) >= due;
    }
    static gboolean dispatch(GSource* source, GSourceFunc, gpointer) {
        auto& self = owner(source);
        // Once per due time: the beat sets the next one.
        self.due_ = -1;
        self.beat_();
        return G_SOURCE_CONTINUE;
    }
    static inline GSourceFuncs functions = {
        &GlibBeat::prepare, &GlibBeat::check, &GlibBeat::dispatch, nullptr, nullptr, nullptr};

    std::function<void()> beat_;
    GSource* source_ = nullptr;
    // In microseconds of GLib's monotonic clock; negative while nothing is due.
    gint64 due_ = -1;
};

// Any other loop: one single-shot Qt timer.
class TimerBeat final : public QtMainQueue::Beat {
public:
    TimerBeat(QObject* parent, std::function<void()> beat) : timer_(new QTimer(parent)) {
        timer_->setSingleShot(true);
        timer_->setTimerType(Qt::PreciseTimer);
        QObject::connect(timer_, &QTimer::timeout, timer_, std::move(beat));
    }
    ~TimerBeat() override { delete timer_; }
    void set(std::optional<double> due) override {
        if (due)
            timer_->start(static_cast<int>(waitUntil(*due, 1000.0)));
        else
            timer_->stop();
    }

private:
    QTimer* timer_;
};

}  // namespace

QtMainQueue::QtMainQueue()
    : context_(std::make_unique<QObject>()), grid_(TimerGrid::Clocks{&monotonicSeconds, &wallSeconds}) {}

QtMainQueue::~QtMainQueue() = default;

void QtMainQueue::beat() {
    beatDue_.reset();
    grid_.fire([this] { armBeat(); });
    // A tick may have ended or added timers, or returned from a nested loop.
    armBeat();
}

void QtMainQueue::armBeat() {
    auto due = grid_.nextDue();
    if (due == beatDue_) return;
    beatDue_ = due;
    if (!beat_) {
        auto* dispatcher = QAbstractEventDispatcher::instance(context_->thread());
        if (dispatcher && dispatcher->inherits("QEventDispatcherGlib"))
            beat_ = std::make_unique<GlibBeat>(g_main_context_default(), [this] { beat(); });
        else
            beat_ = std::make_unique<TimerBeat>(context_.get(), [this] { beat(); });
    }
    beat_->set(due);
}

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
    if (TimerGrid::fits(interval)) {
        grid_.add(interval, std::move(tick));
        armBeat();
        return true;
    }
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
