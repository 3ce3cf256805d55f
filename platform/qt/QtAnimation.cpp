#include "platform/qt/QtAnimation.h"

#include <QVariantAnimation>
#include <atomic>
#include <cmath>

#include "platform/base/Animation.h"

namespace platform::qt {
namespace {

std::atomic<bool> instant{false};

// Linear progress through the spring's motion; the spring's value may pass the end value and
// swing back.
class SpringAnimation : public QVariantAnimation {
public:
    SpringAnimation(const Spring& spring, double duration, QObject* parent)
        : QVariantAnimation(parent), spring_(spring), duration_(duration) {}

protected:
    QVariant interpolated(const QVariant& from, const QVariant& to, qreal progress) const override {
        return QVariantAnimation::interpolated(from, to, spring_.value(progress * duration_));
    }

private:
    Spring spring_;
    double duration_;
};

QString animationName(const QString& key) { return QStringLiteral("velmora-animation:") + key; }

QVariantAnimation* runningAnimation(const QObject* owner, const QString& key) {
    return owner->findChild<QVariantAnimation*>(animationName(key), Qt::FindDirectChildrenOnly);
}

}  // namespace

void animateChange(QObject* owner, const QString& key, const QVariant& from, const QVariant& to,
                   const std::function<void(const QVariant&)>& set, const AnimationSpec& spec) {
    if (isInAnimationTransaction())
        animateValue(owner, key, from, to, set, spec);
    else
        animateValue(owner, key, from, to, set, AnimationSpec{0, spec.curve, std::nullopt});
}

void animateValue(QObject* owner, const QString& key, const QVariant& from, const QVariant& to,
                  const std::function<void(const QVariant&)>& set, const AnimationSpec& spec) {
    if (auto* running = runningAnimation(owner, key)) {
        running->stop();
        delete running;
    }
    auto milliseconds = static_cast<int>(std::lround(spec.duration * 1000.0));
    if (animationsAreInstant() || milliseconds <= 0 || from == to) {
        set(to);
        return;
    }
    auto* animation =
        spec.spring ? new SpringAnimation(*spec.spring, spec.duration, owner) : new QVariantAnimation(owner);
    animation->setObjectName(animationName(key));
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->setDuration(milliseconds);
    animation->setEasingCurve(spec.curve);
    QObject::connect(animation, &QVariantAnimation::valueChanged, owner, set);
    // The last step is not always reported as a value change: make sure the end value lands.
    QObject::connect(animation, &QVariantAnimation::finished, owner, [set, to] { set(to); });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

bool isAnimating(const QObject* owner, const QString& key) { return runningAnimation(owner, key) != nullptr; }

bool setAnimationsInstant(bool value) { return instant.exchange(value); }

bool animationsAreInstant() { return instant.load(); }

}  // namespace platform::qt
