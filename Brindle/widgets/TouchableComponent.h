#pragma once

#include <QPointer>
#include <QWidget>
#include <functional>

class QGraphicsOpacityEffect;

namespace Brindle {

class PressTracker;

// An opacity for a widget and everything inside it that their own painting applies (each part
// sets it on its painter), instead of an offscreen render of the whole on every change. Nested
// opacities multiply. Setting it repaints the widget and its children.
void setPaintedOpacity(QWidget* widget, double opacity);
double paintedOpacity(const QWidget* widget);

// What content that draws its own pressed and hovered looks is told.
struct MouseInfo {
    bool pressed = false;
    bool highlighted = false;
    friend bool operator==(const MouseInfo&, const MouseInfo&) = default;
};

// Makes its content pressable: a hover highlight behind it, dimmed content while pressed or
// hovered, and the tap action 0.1 s after a click, once the pressed look has been shown.
class TouchableComponent : public QWidget {
    Q_OBJECT
public:
    enum class Style { vibrant, fade, none };
    enum class PressStyle { fade, none };

    class Padding {
    public:
        static Padding custom(double value) { return Padding(value); }
        static Padding standard() { return Padding(8.0); }
        static Padding none() { return Padding(0.0); }
        double value() const { return value_; }

    private:
        explicit Padding(double value) : value_(value) {}
        double value_;
    };

    struct Options {
        Style style = Style::vibrant;
        PressStyle pressStyle = PressStyle::fade;
        bool inScrollView = false;
        Padding padding = Padding::standard();
        bool highlight = true;
        std::function<void()> onTap;
        double alpha = 1.0;
        double cornerRadius = 0;
    };

    // `content` becomes a child of the component.
    TouchableComponent(const Options& options, QWidget* content, QWidget* parent = nullptr);
    // `mouseInfoContent` is told the mouse state now and after every change of it.
    TouchableComponent(const Options& options, QWidget* content,
                       std::function<void(const MouseInfo&)> mouseInfoContent, QWidget* parent = nullptr);
    ~TouchableComponent() override;

    const Options& options() const { return options_; }
    void setOptions(const Options& options);

    bool inside() const { return inside_; }
    bool touchDown() const { return touchDown_; }
    MouseInfo mouseInfo() const { return {touchDown_, inside_}; }
    QWidget* content() const { return content_; }
    // Takes the hover from where the pointer is now: a pop-up that held the pointer may give it
    // back without an enter or leave.
    void followPointer();
    double contentOpacity() const;
    double backgroundOpacity() const;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setInside(bool inside);
    void setTouchDown(bool touchDown);
    void tap();
    void apply();
    void updateMask();

    Options options_;
    QPointer<QWidget> content_;
    std::function<void(const MouseInfo&)> mouseInfoContent_;
    QGraphicsOpacityEffect* opacity_ = nullptr;
    PressTracker* tracker_ = nullptr;
    bool inside_ = false;
    bool touchDown_ = false;
};

}  // namespace Brindle
