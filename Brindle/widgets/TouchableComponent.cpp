#include "Brindle/widgets/TouchableComponent.h"

#include <QCursor>
#include <QEnterEvent>
#include <QGraphicsOpacityEffect>
#include <QPainter>
#include <QPainterPath>
#include <QRegion>
#include <QVBoxLayout>
#include <unordered_map>

#include "Brindle/Diagnostics.h"
#include "Brindle/MainQueue.h"
#include "Brindle/widgets/PressTracker.h"
#include "platform/qt/Appearance.h"

namespace Brindle {

namespace {
constexpr double tapDelay = 0.1;
constexpr double dimmedOpacity = 0.5;
constexpr double vibrantHighlightOpacity = 0.5;
// Nearly invisible, but still painted, so the whole area takes part in hovering.
constexpr double faintHighlightOpacity = 0.00001;
constexpr double restingBackgroundOpacity = 0.0001;
}  // namespace

namespace {

// Looked up on every paint of every part: a table beside the widgets rather than their dynamic
// properties, and nothing to look up at all while no widget is faded.
struct PaintedOpacities {
    std::unordered_map<const QWidget*, double> byWidget;
    int faded = 0;
};

PaintedOpacities& paintedOpacities() {
    static PaintedOpacities table;
    return table;
}

}  // namespace

void setPaintedOpacity(QWidget* widget, double opacity) {
    auto& table = paintedOpacities();
    auto [entry, added] = table.byWidget.try_emplace(widget, 1.0);
    if (added)
        QObject::connect(widget, &QObject::destroyed, [widget] {
            auto& table = paintedOpacities();
            if (auto found = table.byWidget.find(widget); found != table.byWidget.end()) {
                if (found->second < 1.0) --table.faded;
                table.byWidget.erase(found);
            }
        });
    if (entry->second == opacity) return;
    table.faded += (opacity < 1.0) - (entry->second < 1.0);
    entry->second = opacity;
    widget->update();
}

double paintedOpacity(const QWidget* widget) {
    const auto& table = paintedOpacities();
    if (table.faded == 0) return 1.0;
    double opacity = 1.0;
    for (; widget; widget = widget->parentWidget()) {
        if (auto found = table.byWidget.find(widget); found != table.byWidget.end()) opacity *= found->second;
        if (widget->isWindow()) break;
    }
    return opacity;
}

TouchableComponent::TouchableComponent(const Options& options, QWidget* content, QWidget* parent)
    : TouchableComponent(options, content, nullptr, parent) {}

TouchableComponent::TouchableComponent(const Options& options, QWidget* content,
                                       std::function<void(const MouseInfo&)> mouseInfoContent,
                                       QWidget* parent)
    : QWidget(parent), options_(options), content_(content), mouseInfoContent_(std::move(mouseInfoContent)) {
    auto* layout = new QVBoxLayout(this);
    layout->setSpacing(0);
    if (content_) {
        layout->addWidget(content_);
        opacity_ = new QGraphicsOpacityEffect(content_);
        content_->setGraphicsEffect(opacity_);
    }
    tracker_ = new PressTracker(
        this,
        [this](QPointF) {
            if (!options_.inScrollView) setTouchDown(true);
        },
        [this](QPointF global) {
            if (!options_.inScrollView) setTouchDown(false);
            if (rect().contains(mapFromGlobal(global).toPoint())) tap();
        });
    connect(platform::qt::Appearance::shared(), &platform::qt::Appearance::changed, this,
            qOverload<>(&QWidget::update));
    apply();
}

TouchableComponent::~TouchableComponent() = default;

void TouchableComponent::setOptions(const Options& options) {
    options_ = options;
    apply();
}

double TouchableComponent::contentOpacity() const {
    if (options_.pressStyle == PressStyle::none) return 1.0;
    if (touchDown_ || (inside_ && options_.style == Style::fade)) return dimmedOpacity;
    return options_.alpha;
}

double TouchableComponent::backgroundOpacity() const {
    if (inside_ && options_.highlight) {
        return options_.style == Style::vibrant ? vibrantHighlightOpacity : faintHighlightOpacity;
    }
    return restingBackgroundOpacity;
}

void TouchableComponent::followPointer() {
    setInside(isVisible() && rect().contains(mapFromGlobal(QCursor::pos())));
}

void TouchableComponent::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    setInside(true);
}

void TouchableComponent::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    setInside(false);
}

void TouchableComponent::paintEvent(QPaintEvent*) {
    auto opacity = paintedOpacity(this) * backgroundOpacity();
    // The resting background rounds to no colour at all; hovering goes by the widget's area (and
    // mask), not by what is painted.
    if (opacity * 255 < 0.5) return;
    QPainter painter(this);
    painter.setOpacity(paintedOpacity(this));
    painter.setRenderHint(QPainter::Antialiasing);
    auto color = platform::qt::Appearance::shared()->accentColor();
    color.setAlphaF(static_cast<float>(backgroundOpacity()));
    painter.setPen(Qt::NoPen);
    painter.setBrush(color);
    painter.drawRoundedRect(QRectF(rect()), options_.cornerRadius, options_.cornerRadius);
}

void TouchableComponent::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateMask();
}

void TouchableComponent::setInside(bool inside) {
    if (inside_ == inside) return;
    inside_ = inside;
    apply();
}

void TouchableComponent::setTouchDown(bool touchDown) {
    if (touchDown_ == touchDown) return;
    touchDown_ = touchDown;
    apply();
}

void TouchableComponent::tap() {
    setTouchDown(true);
    FeedbackManager::shared();
    runOnMainQueue(tapDelay, [guard = QPointer<TouchableComponent>(this)] {
        if (!guard) return;
        guard->setTouchDown(false);
        // Copied first: the action may delete this component.
        auto onTap = guard->options_.onTap;
        if (onTap) onTap();
    });
}

void TouchableComponent::apply() {
    if (auto* layout = this->layout()) {
        auto padding = static_cast<int>(options_.padding.value());
        layout->setContentsMargins(padding, padding, padding, padding);
    }
    if (opacity_) {
        opacity_->setOpacity(contentOpacity());
        // An effect at full opacity only costs an extra drawing pass.
        opacity_->setEnabled(contentOpacity() < 1.0);
    }
    if (mouseInfoContent_) mouseInfoContent_(mouseInfo());
    updateMask();
    update();
}

void TouchableComponent::updateMask() {
    if (options_.cornerRadius <= 0) {
        clearMask();
        return;
    }
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()), options_.cornerRadius, options_.cornerRadius);
    setMask(QRegion(path.toFillPolygon().toPolygon()));
}

}  // namespace Brindle
