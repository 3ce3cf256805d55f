#include "ui-toolkit/ui/widgets/SpinnerComponent.h"

#include <QPainter>
#include <QPen>
#include <QPointer>
#include <QShowEvent>
#include <algorithm>
#include <cmath>

#include "platform/base/Animation.h"
#include "platform/base/MainQueue.h"
#include "platform/qt/QtAnimation.h"
#include "ui-toolkit/ui/Theme.h"
#include "ui-toolkit/ui/widgets/QtColor.h"

namespace brindle_ui {

namespace {
constexpr double growEnd = 1.0;
constexpr double partialEnd = 0.8;
constexpr double restingEnd = 0.03;
constexpr double miterLimit = 10;
constexpr int defaultSide = 24;
}  // namespace

SpinnerComponent::SpinnerComponent(double strokeWidth, QWidget* parent)
    : QWidget(parent), strokeWidth_(strokeWidth), drawn_(state_) {}

SpinnerComponent::~SpinnerComponent() { stop(); }

QSize SpinnerComponent::sizeHint() const { return {defaultSide, defaultSide}; }

void SpinnerComponent::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) start();
}

void SpinnerComponent::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // A hidden spinner has nothing to animate: its timers would only keep the loop busy.
    if (!event->spontaneous()) stop();
}

void SpinnerComponent::start() {
    stop();
    runCycle();
    repeating_ = platform::MainQueue::scheduledTimer(
        animationTime, true, [guard = QPointer<SpinnerComponent>(this)](platform::Timer& timer) {
            if (!guard) {
                timer.invalidate();
                return;
            }
            guard->runCycle();
        });
}

void SpinnerComponent::stop() {
    if (repeating_) repeating_->invalidate();
    repeating_.reset();
    for (auto& timer : pending_) timer->invalidate();
    pending_.clear();
}

void SpinnerComponent::runCycle() {
    std::erase_if(pending_, [](const auto& timer) { return !timer->isValid(); });
    const std::pair<Step, double> steps[] = {
        {Step::a, rotationTime},
        {Step::b, 2 * rotationTime - 0.025},
        {Step::c, 2 * rotationTime},
        {Step::d, 2 * rotationTime + 0.0525},
        {Step::e, 2 * rotationTime + 0.225},
    };
    // Every step runs at once and again after its delay.
    for (auto [step, delay] : steps) {
        carryOut(step);
        pending_.push_back(platform::MainQueue::scheduledTimer(
            delay, false, [guard = QPointer<SpinnerComponent>(this), step](platform::Timer&) {
                if (guard) guard->carryOut(step);
            }));
    }
}

void SpinnerComponent::carryOut(Step step) {
    platform::withAnimation([&] {
        switch (step) {
            case Step::a:
                animate(&State::spinnerEndS1, "spinnerEndS1", growEnd);
                break;
            case Step::b:
                animate(&State::rotationDegreeS1, "rotationDegreeS1", state_.rotationDegreeS1 + fullRotation);
                animate(&State::spinnerEndS2S3, "spinnerEndS2S3", partialEnd);
                break;
            case Step::c:
                animate(&State::spinnerEndS1, "spinnerEndS1", restingEnd);
                animate(&State::spinnerEndS2S3, "spinnerEndS2S3", restingEnd);
                break;
            case Step::d:
                animate(&State::rotationDegreeS2, "rotationDegreeS2", state_.rotationDegreeS2 + fullRotation);
                break;
            case Step::e:
                animate(&State::rotationDegreeS3, "rotationDegreeS3", state_.rotationDegreeS3 + fullRotation);
                break;
        }
    });
}

void SpinnerComponent::animate(double State::*field, const char* name, double value) {
    state_.*field = value;
    // Each field animates on its own; a new change of it takes over from where it is drawn.
    platform::qt::animateChange(
        this, QString::fromLatin1(name), drawn_.*field, value,
        [this, field](const QVariant& current) {
            drawn_.*field = current.toDouble();
            update();
        },
        platform::qt::AnimationSpec{rotationTime, QEasingCurve::InOutQuad});
}

void SpinnerComponent::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    double side = std::min(width(), height());
    double inset = strokeWidth_ / 2;
    QRectF circle((width() - side) / 2 + inset, (height() - side) / 2 + inset, side - strokeWidth_,
                  side - strokeWidth_);
    if (circle.width() <= 0) return;

    // From the right-hand point of the circle, clockwise, turned clockwise by `rotation`.
    auto drawArc = [&](double start, double end, double rotation, const Color& color) {
        QPen pen(toQColor(color), strokeWidth_, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin);
        pen.setMiterLimit(miterLimit);
        painter.setPen(pen);
        double from = std::clamp(start, 0.0, 1.0);
        double to = std::clamp(end, 0.0, 1.0);
        if (to <= from) return;
        auto startAngle = static_cast<int>(std::lround(-(rotation + from * 360) * 16));
        auto span = static_cast<int>(std::lround(-(to - from) * 360 * 16));
        painter.drawArc(circle, startAngle, span);
    };
    drawArc(drawn_.spinnerStart, drawn_.spinnerEndS2S3, drawn_.rotationDegreeS3, Colors::secondary());
    drawArc(drawn_.spinnerStart, drawn_.spinnerEndS2S3, drawn_.rotationDegreeS2, Colors::tertiary());
    drawArc(drawn_.spinnerStart, drawn_.spinnerEndS1, drawn_.rotationDegreeS1, Colors::primary());
}

}  // namespace brindle_ui
