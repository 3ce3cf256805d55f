#include "Velmora/start-menu/views/DoubleClickGuard.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QStyleHints>

namespace Velmora {

DoubleClickGuard::DoubleClickGuard(QWidget* area, std::function<QWidget*(QPoint)> rowAt)
    : QObject(area), rowAt_(std::move(rowAt)) {
    area->installEventFilter(this);
}

bool DoubleClickGuard::eventFilter(QObject*, QEvent* event) {
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonDblClick) return false;
    auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton) return false;
    // Widgets get the second press of a double click as the double-click event alone; where both
    // come, they are one click of one time.
    if (type == QEvent::MouseButtonDblClick && lastPressTime_ == mouse->timestamp()) return false;
    lastPressTime_ = mouse->timestamp();
    pressed(mouse->timestamp(), mouse->globalPosition().toPoint());
    return false;
}

void DoubleClickGuard::pressed(unsigned long time, QPoint position) {
    const auto* hints = QGuiApplication::styleHints();
    QPointer<QWidget> row = rowAt_ ? rowAt_(position) : nullptr;
    // By the platform's own measures, as the click counter itself goes.
    const bool secondClick =
        previous_ && time >= previous_->time &&
        time - previous_->time <= static_cast<unsigned long>(hints->mouseDoubleClickInterval()) &&
        (position - previous_->position).manhattanLength() <= hints->mouseDoubleClickDistance();
    dropsLatest_ = secondClick && row != previous_->row;
    // A third click starts a new pair.
    if (secondClick)
        previous_.reset();
    else
        previous_ = Press{time, position, row};
}

}  // namespace Velmora
