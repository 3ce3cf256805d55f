#include "ui-toolkit/ui/widgets/CardComponent.h"

#include <QGridLayout>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <cmath>

#include "ui-toolkit/ui/widgets/QtColor.h"

namespace brindle_ui {

namespace {
// Content inset at least this far never reaches the part of a corner that the rounding cuts off.
const double cornerCutDepth = CardComponent::cornerRadius * (1.0 - 1.0 / std::sqrt(2.0));
}  // namespace

CardComponent::CardComponent(bool inCardView, QWidget* content, double padding, QWidget* parent)
    : ThemeComponent(nullptr, parent), inCardView_(inCardView), padding_(padding) {
    auto* layout = new QGridLayout(this);
    auto inset = static_cast<int>(std::lround(padding));
    layout->setContentsMargins(inset, inset, inset, inset);
    if (content) layout->addWidget(content, 0, 0, Qt::AlignCenter);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

Color CardComponent::cardColor() const { return inCardView_ ? Colors::nestedCard() : Colors::card(); }

void CardComponent::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(toQColor(cardColor()));
    painter.drawRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
}

void CardComponent::resizeEvent(QResizeEvent* event) {
    ThemeComponent::resizeEvent(event);
    updateMask();
}

void CardComponent::updateMask() {
    // The background is drawn rounded and smooth; content is clipped only when it can reach a corner.
    if (padding_ >= cornerCutDepth) {
        clearMask();
        return;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

}  // namespace brindle_ui
