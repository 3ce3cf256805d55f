#pragma once

#include <QObject>
#include <QPointF>
#include <QPointer>
#include <QWidget>
#include <functional>

namespace Brindle {

// Follows presses of the left button that start on `target` or any widget inside it, alongside
// whatever those widgets do with the press themselves (it never consumes an event): `onBegin`
// once when a press starts, `onEnd` once when it is released, wherever the release is delivered,
// each with the pointer's global position. Other buttons start nothing. It belongs to `target`
// and goes with it.
class PressTracker final : public QObject {
    Q_OBJECT
public:
    PressTracker(QWidget* target, std::function<void(QPointF)> onBegin, std::function<void(QPointF)> onEnd);
    ~PressTracker() override;

    bool isPressed() const { return pressed_; }

private:
    class Dispatcher;
    void handle(QObject* watched, QEvent* event);
    bool isInTarget(QObject* watched) const;

    QPointer<QWidget> target_;
    std::function<void(QPointF)> onBegin_;
    std::function<void(QPointF)> onEnd_;
    bool pressed_ = false;
};

}  // namespace Brindle
