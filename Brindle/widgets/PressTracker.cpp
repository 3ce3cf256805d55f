#include "Brindle/widgets/PressTracker.h"

#include <QCoreApplication>
#include <QMouseEvent>

namespace Brindle {

PressTracker::PressTracker(QWidget* target, std::function<void(QPointF)> onBegin,
                           std::function<void(QPointF)> onEnd)
    : QObject(target), target_(target), onBegin_(std::move(onBegin)), onEnd_(std::move(onEnd)) {
    // At the application, so that presses taken by a widget inside the target are seen too.
    if (auto* application = QCoreApplication::instance()) application->installEventFilter(this);
}

PressTracker::~PressTracker() {
    if (auto* application = QCoreApplication::instance()) application->removeEventFilter(this);
}

bool PressTracker::isInTarget(QObject* watched) const {
    auto* widget = qobject_cast<QWidget*>(watched);
    return widget && target_ && (widget == target_ || target_->isAncestorOf(widget));
}

bool PressTracker::eventFilter(QObject* watched, QEvent* event) {
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
            if (!pressed_ || mouse->button() != Qt::LeftButton || !isInTarget(watched)) break;
            pressed_ = false;
            if (onEnd_) onEnd_(mouse->globalPosition());
            break;
        }
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace Brindle
