#pragma once

#include <QAbstractButton>
#include <QColor>
#include <QString>
#include <functional>

namespace Velmora {

// A button drawn with the onboarding's raised look (the system's neumorphic button style): the
// label padded by 20 on a rounded plate of `bgColor`, over a shape that casts a window-coloured
// shadow to the upper left and a primary-coloured one to the lower right. While held down the
// whole shrinks to 95 % and the shadows draw in tighter; it springs back on release. The widget
// keeps a margin around the plate for the shadows. Main thread only.
class NeumorphicButton : public QAbstractButton {
    Q_OBJECT
public:
    static constexpr double padding = 20;
    static constexpr double cornerRadius = 10;
    static constexpr double pressedScale = 0.95;
    static constexpr double shadowRadiusReleased = 10;
    static constexpr double shadowRadiusPressed = 7;
    static constexpr double shadowOffsetReleased = 15;
    static constexpr double shadowOffsetPressed = 5;

    // `bgColor` is asked at every painting, so the plate can follow the appearance.
    NeumorphicButton(const QString& title, std::function<QColor()> bgColor, QWidget* parent = nullptr);

    QColor bgColor() const { return bgColor_(); }
    // What is drawn now, moving between the released and the pressed look.
    double scale() const;
    double shadowRadius() const;
    double shadowOffset() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // Qt announces no change of the down state (a release outside the button sets it silently).
    void followDownState();
    double between(double released, double pressed) const;

    std::function<QColor()> bgColor_;
    bool shownDown_ = false;
    // 0 released, 1 pressed.
    double progress_ = 0;
};

}  // namespace Velmora
