#pragma once

#include <QWidget>
#include <memory>
#include <vector>

namespace platform {
class Timer;
}

namespace brindle_ui {

// The toolkit's activity indicator: three coloured arcs on one circle that grow, shrink and turn
// in a staggered choreography repeating every 1.9 s while the spinner is shown.
class SpinnerComponent : public QWidget {
    Q_OBJECT
public:
    static constexpr double rotationTime = 0.75;
    static constexpr double animationTime = 1.9;
    static constexpr double fullRotation = 360;

    explicit SpinnerComponent(double strokeWidth, QWidget* parent = nullptr);
    ~SpinnerComponent() override;

    // The values the arcs are moving to (outline fractions and degrees).
    struct State {
        double spinnerStart = 0.0;
        double spinnerEndS1 = 0.03;
        double spinnerEndS2S3 = 0.03;
        double rotationDegreeS1 = 270;
        double rotationDegreeS2 = 270;
        double rotationDegreeS3 = 270;
    };
    const State& state() const { return state_; }
    // The values as drawn now, part way through their animations.
    const State& drawn() const { return drawn_; }
    double strokeWidth() const { return strokeWidth_; }
    bool isRunning() const { return repeating_ != nullptr; }

    QSize sizeHint() const override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    enum class Step { a, b, c, d, e };

    void start();
    void stop();
    void runCycle();
    void carryOut(Step step);
    void animate(double State::*field, const char* name, double value);

    double strokeWidth_;
    State state_;
    State drawn_;
    std::shared_ptr<platform::Timer> repeating_;
    std::vector<std::shared_ptr<platform::Timer>> pending_;
};

}  // namespace brindle_ui
