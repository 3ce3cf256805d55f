#include "Velmora/shell/views/NeumorphicButton.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "Velmora/shell/views/ShellStyle.h"
#include "platform/qt/Appearance.h"
#include "platform/qt/QtAnimation.h"

namespace Velmora {
namespace {

// Room for the widest shadow outside the plate.
constexpr double shadowMargin =
    NeumorphicButton::shadowOffsetReleased + NeumorphicButton::shadowRadiusReleased;
const platform::qt::Spring pressSpring{0.5, 1.0};
// Layers that fake the blur of a shadow.
constexpr int shadowLayers = 8;

QPainterPath roundedRect(const QRectF& rect, double radius) {
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

// A soft shadow of `rect` moved by `offset`, fading out over `radius`.
void drawShadow(QPainter& painter, const QRectF& rect, double offset, double radius, QColor color) {
    QRectF moved = rect.translated(offset, offset);
    color.setAlphaF(color.alphaF() / shadowLayers);
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    for (int layer = 1; layer <= shadowLayers; ++layer) {
        double grow = radius * (1.0 - static_cast<double>(layer) / shadowLayers) - radius / 2;
        painter.drawPath(
            roundedRect(moved.adjusted(-grow, -grow, grow, grow), NeumorphicButton::cornerRadius + grow));
    }
}

}  // namespace

NeumorphicButton::NeumorphicButton(const QString& title, std::function<QColor()> bgColor, QWidget* parent)
    : QAbstractButton(parent), bgColor_(std::move(bgColor)) {
    setText(title);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(platform::qt::Appearance::shared(), &platform::qt::Appearance::changed, this,
            qOverload<>(&QWidget::update));
}

double NeumorphicButton::between(double released, double pressed) const {
    return released + (pressed - released) * progress_;
}

double NeumorphicButton::scale() const { return between(1.0, pressedScale); }
double NeumorphicButton::shadowRadius() const { return between(shadowRadiusReleased, shadowRadiusPressed); }
double NeumorphicButton::shadowOffset() const { return between(shadowOffsetReleased, shadowOffsetPressed); }

QSize NeumorphicButton::sizeHint() const {
    QSize label = fontMetrics().size(Qt::TextSingleLine, text());
    int side = static_cast<int>(2 * (padding + shadowMargin));
    return {label.width() + side, label.height() + side};
}

bool NeumorphicButton::event(QEvent* event) {
    bool handled = QAbstractButton::event(event);
    followDownState();
    return handled;
}

void NeumorphicButton::followDownState() {
    if (isDown() == shownDown_) return;
    shownDown_ = isDown();
    platform::qt::animateValue(
        this, QStringLiteral("pressed"), progress_, shownDown_ ? 1.0 : 0.0,
        [this](const QVariant& value) {
            progress_ = value.toDouble();
            update();
        },
        platform::qt::AnimationSpec::springing(pressSpring));
}

void NeumorphicButton::paintEvent(QPaintEvent*) {
    QRectF bounds = QRectF(rect()).adjusted(shadowMargin, shadowMargin, -shadowMargin, -shadowMargin);
    QPointF centre = bounds.center();
    QTransform pressedScaling = QTransform()
                                    .translate(centre.x(), centre.y())
                                    .scale(scale(), scale())
                                    .translate(-centre.x(), -centre.y());

    // The shadowed shape is drawn on its own and then blended as a whole into what lies behind
    // the button, so that overlapping shadow layers do not blend one by one.
    qreal ratio = devicePixelRatioF();
    QImage shadowed(size() * ratio, QImage::Format_ARGB32_Premultiplied);
    shadowed.setDevicePixelRatio(ratio);
    shadowed.fill(Qt::transparent);
    {
        QPainter layer(&shadowed);
        layer.setRenderHint(QPainter::Antialiasing);
        layer.setTransform(pressedScaling);
        drawShadow(layer, bounds, -shadowOffset(), shadowRadius(), ShellStyle::windowBackgroundColor());
        drawShadow(layer, bounds, shadowOffset(), shadowRadius(), ShellStyle::primaryColor());
        layer.setPen(Qt::NoPen);
        layer.setBrush(ShellStyle::primaryColor());
        layer.drawPath(roundedRect(bounds, cornerRadius));
    }

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setCompositionMode(QPainter::CompositionMode_Overlay);
    painter.drawImage(QPointF(0, 0), shadowed);
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.setTransform(pressedScaling);
    painter.setPen(Qt::NoPen);
    painter.setBrush(bgColor_());
    painter.drawPath(roundedRect(bounds, cornerRadius));
    painter.setPen(ShellStyle::primaryColor());
    painter.setFont(font());
    painter.drawText(bounds, Qt::AlignCenter, text());
}

}  // namespace Velmora
