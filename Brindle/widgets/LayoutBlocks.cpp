#include "Brindle/widgets/LayoutBlocks.h"

#include <QGridLayout>
#include <QPainter>
#include <QResizeEvent>
#include <cmath>
#include <memory>

#include "Brindle/widgets/PressTracker.h"

namespace Brindle {

namespace {
constexpr double materialOpacity = 0.82;
}

VisualEffect::VisualEffect(Material material, QWidget* parent) : QWidget(parent), material_(material) {}

void VisualEffect::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    auto color = palette().color(QPalette::Active, QPalette::Window);
    color.setAlphaF(static_cast<float>(materialOpacity));
    painter.fillRect(rect(), color);
}

SingleAxisGeometryReader::SingleAxisGeometryReader(Qt::Orientation axis, Qt::Alignment alignment,
                                                   QWidget* content, std::function<void(double)> update,
                                                   QWidget* parent)
    : QWidget(parent), axis_(axis), update_(std::move(update)) {
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (content) layout->addWidget(content, 0, 0, alignment);
    if (axis_ == Qt::Horizontal)
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    else
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
    if (update_) update_(size_);
}

void SingleAxisGeometryReader::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    double measured = axis_ == Qt::Horizontal ? event->size().width() : event->size().height();
    if (measured == size_) return;
    size_ = measured;
    if (update_) update_(size_);
}

void onTouchDownGesture(QWidget* view, std::function<void()> callback) {
    auto tapped = std::make_shared<bool>(false);
    new PressTracker(
        view,
        [tapped, callback = std::move(callback)](QPointF) {
            if (*tapped) return;
            *tapped = true;
            if (callback) callback();
        },
        [tapped](QPointF) { *tapped = false; });
}

void frameSize(QWidget* view, double size) {
    auto side = static_cast<int>(std::lround(size));
    view->setFixedSize(side, side);
}

}  // namespace Brindle
