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
    // Only the press: the double-click event that follows the second one is the same click.
    if (event->type() == QEvent::MouseButtonPress) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) pressed(mouse->timestamp(), mouse->globalPosition().toPoint());
    }
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
