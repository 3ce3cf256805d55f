#include "Brindle/widgets/PressTracker.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointer>
#include <algorithm>
#include <vector>

namespace Brindle {

// One filter at the application for every tracker: each filter there sees every event of the
// process, and most are no press. It hands presses to the trackers, the latest first, as Qt
// would run their own filters.
class PressTracker::Dispatcher final : public QObject {
public:
    explicit Dispatcher(QObject* application) : QObject(application) {
        application->installEventFilter(this);
    }

    static QPointer<Dispatcher>& current() {
        static QPointer<Dispatcher> instance;
        return instance;
    }
    static Dispatcher* forApplication() {
        auto* application = QCoreApplication::instance();
        if (!application) return nullptr;
        auto& instance = current();
        if (!instance || instance->parent() != application) instance = new Dispatcher(application);
        return instance;
    }

    void add(PressTracker* tracker) { trackers_.push_back(tracker); }
    void remove(PressTracker* tracker) { std::erase(trackers_, tracker); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const auto type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick &&
            type != QEvent::MouseButtonRelease)
            return false;
        // A tracker may come or go while another one's callback runs.
        std::vector<QPointer<PressTracker>> current(trackers_.rbegin(), trackers_.rend());
        for (const auto& tracker : current) {
            if (tracker && std::find(trackers_.begin(), trackers_.end(), tracker.data()) != trackers_.end())
                tracker->handle(watched, event);
        }
        return false;
    }

private:
    std::vector<PressTracker*> trackers_;
};

PressTracker::PressTracker(QWidget* target, std::function<void(QPointF)> onBegin,
                           std::function<void(QPointF)> onEnd)
    : QObject(target), target_(target), onBegin_(std::move(onBegin)), onEnd_(std::move(onEnd)) {
    // At the application, so that presses taken by a widget inside the target are seen too.
    if (auto* dispatcher = Dispatcher::forApplication()) dispatcher->add(this);
}

PressTracker::~PressTracker() {
    if (auto* dispatcher = Dispatcher::current().data()) dispatcher->remove(this);
}

bool PressTracker::isInTarget(QObject* watched) const {
    auto* widget = qobject_cast<QWidget*>(watched);
    return widget && target_ && (widget == target_ || target_->isAncestorOf(widget));
}

void PressTracker::handle(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            // An ignored press travels up to each parent in turn: only the first one counts.
            if (pressed_ || mouse->button() != Qt::LeftButton || !isInTarget(watched)) break;
            pressed_ = true;
            if (onBegin_) onBegin_(mouse->globalPosition());
            break;
        }
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            // Wherever it is delivered: a pop-up opened during the press receives the release.
            if (!pressed_ || mouse->button() != Qt::LeftButton) break;
            pressed_ = false;
            if (onEnd_) onEnd_(mouse->globalPosition());
            break;
        }
        default:
            break;
    }
}

}  // namespace Brindle
