#pragma once

#include <QEasingCurve>
#include <QObject>
#include <QVariant>
#include <functional>
#include <optional>

#include "platform/qt/Spring.h"

namespace platform::qt {

// How a change inside `platform::withAnimation` moves to its end value.
struct AnimationSpec {
    double duration = 0.35;  // seconds
    QEasingCurve curve = QEasingCurve::InOutQuad;
    // Moves along this spring instead of the curve, for `duration` seconds of its motion.
    std::optional<Spring> spring;

    // The platform's default animation.
    static AnimationSpec standard() { return {}; }
    // A spring, run until it has settled.
    static AnimationSpec springing(const Spring& spring) {
        return {spring.settlingTime(), QEasingCurve::Linear, spring};
    }
};

// Applies a change of one animatable value of `owner` (a number, point, size, rectangle or
// colour). Inside an animation transaction it animates from `from` to `to`, calling `set` with
// each step; otherwise, and always while animations are instant, it calls `set(to)` at once. A
// change of the same `key` replaces one still running, so the last change always wins.
void animateChange(QObject* owner, const QString& key, const QVariant& from, const QVariant& to,
                   const std::function<void(const QVariant&)>& set,
                   const AnimationSpec& spec = AnimationSpec::standard());

// The same, animated whether or not a transaction is open (a window asked to animate its frame).
void animateValue(QObject* owner, const QString& key, const QVariant& from, const QVariant& to,
                  const std::function<void(const QVariant&)>& set,
                  const AnimationSpec& spec = AnimationSpec::standard());

// True while a change of `key` on `owner` is being animated.
bool isAnimating(const QObject* owner, const QString& key);

// Animations have zero length while this is on (widget tests). Returns the previous value.
bool setAnimationsInstant(bool instant);
bool animationsAreInstant();

}  // namespace platform::qt
