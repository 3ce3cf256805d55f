#include "Brindle/widgets/AnimationComponent.h"

#include <QGraphicsOpacityEffect>
#include <QShowEvent>
#include <cmath>

#include "platform/base/Animation.h"
#include "platform/base/MainQueue.h"

namespace Brindle {

namespace {

constexpr double travel = 400;
constexpr platform::qt::Spring appearSpring{0.5, 1.0};

}  // namespace

AnimationComponent::AnimationComponent(AnimationStyle style, std::optional<double> time,
                                       bool useSpringAnimation, QWidget* content, QWidget* parent)
    : QWidget(parent),
      style_(style),
      time_(time.value_or(defaultTime)),
      useSpringAnimation_(useSpringAnimation),
      appeared_(style == AnimationStyle::none),
      progress_(appeared_ ? 1.0 : 0.0),
      content_(content) {
    if (content_) {
        content_->setParent(this);
        opacity_ = new QGraphicsOpacityEffect(content_);
        content_->setGraphicsEffect(opacity_);
    }
    setProgress(progress_);
}

AnimationComponent& AnimationComponent::spring() {
    useSpringAnimation_ = true;
    return *this;
}

double AnimationComponent::startOffset() const {
    switch (style_) {
        case AnimationStyle::moveInFromBottom:
            return travel;
        case AnimationStyle::moveInFromTop:
            return -travel;
        default:
            return 0;
    }
}

double AnimationComponent::contentOffset() const { return startOffset() * (1.0 - progress_); }

double AnimationComponent::contentOpacity() const { return style_ == AnimationStyle::none ? 1.0 : progress_; }

platform::qt::AnimationSpec AnimationComponent::animationSpec() const {
    if (useSpringAnimation_) return platform::qt::AnimationSpec::springing(appearSpring);
    return {time_, QEasingCurve::OutQuad, std::nullopt};
}

QSize AnimationComponent::sizeHint() const { return content_ ? content_->sizeHint() : QWidget::sizeHint(); }

QSize AnimationComponent::minimumSizeHint() const {
    return content_ ? content_->minimumSizeHint() : QWidget::minimumSizeHint();
}

void AnimationComponent::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous() || appeared_) return;
    platform::MainQueue::async([guard = QPointer<AnimationComponent>(this)] {
        if (!guard) return;
        platform::withAnimation([&] { guard->setAppeared(); });
    });
}

void AnimationComponent::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    setProgress(progress_);
}

void AnimationComponent::setAppeared() {
    if (appeared_) return;
    appeared_ = true;
    platform::qt::animateChange(
        this, QStringLiteral("appeared"), progress_, 1.0,
        [this](const QVariant& value) { setProgress(value.toDouble()); }, animationSpec());
}

void AnimationComponent::setProgress(double progress) {
    progress_ = progress;
    if (!content_) return;
    content_->setGeometry(0, static_cast<int>(std::lround(contentOffset())), width(), height());
    if (opacity_) {
        opacity_->setOpacity(contentOpacity());
        opacity_->setEnabled(contentOpacity() < 1.0);
    }
}

}  // namespace Brindle
