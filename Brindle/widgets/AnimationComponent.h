#pragma once

#include <QPointer>
#include <QWidget>
#include <optional>

#include "platform/qt/QtAnimation.h"

class QGraphicsOpacityEffect;

namespace Brindle {

enum class AnimationStyle { none, moveInFromBottom, moveInFromTop, fadeIn };

// Plays an appear animation on its content the first time it is shown: the content slides in
// from below or above, or fades in, on an ease-out curve of `time` seconds or a critically
// damped spring of response 0.5 s. It never plays again for the same component.
class AnimationComponent : public QWidget {
    Q_OBJECT
public:
    static constexpr double defaultTime = 0.2;

    // `content` becomes a child of the component.
    AnimationComponent(AnimationStyle style, std::optional<double> time, bool useSpringAnimation,
                       QWidget* content, QWidget* parent = nullptr);

    // Chooses the spring for the appearance still to come.
    AnimationComponent& spring();

    AnimationStyle style() const { return style_; }
    double time() const { return time_; }
    bool useSpringAnimation() const { return useSpringAnimation_; }
    bool appeared() const { return appeared_; }
    // The content's current displacement and opacity, as drawn.
    double contentOffset() const;
    double contentOpacity() const;
    platform::qt::AnimationSpec animationSpec() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setAppeared();
    void setProgress(double progress);
    double startOffset() const;

    AnimationStyle style_;
    double time_;
    bool useSpringAnimation_;
    bool appeared_;
    double progress_;
    QPointer<QWidget> content_;
    QGraphicsOpacityEffect* opacity_ = nullptr;
};

}  // namespace Brindle
