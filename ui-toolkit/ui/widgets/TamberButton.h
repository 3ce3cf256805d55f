#pragma once

#include <QMarginsF>
#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "rx/Disposable.h"
#include "ui-toolkit/ui/ButtonSetting.h"
#include "ui-toolkit/ui/Color.h"
#include "ui-toolkit/ui/TamberButtonClickInfo.h"

namespace Brindle {
class TouchableComponent;
struct MouseInfo;
}  // namespace Brindle

namespace brindle_ui {

class SpinnerComponent;

// The toolkit's button: an optional left symbol, title and right symbol on a coloured background
// clipped to a shape, in a colour style that follows the theme, with a disabled, a pressed and a
// hovered look and a spinner that replaces the row while work is in progress. A tap hands the
// owner a click object through which it can switch the spinner on and off.
class TamberButton : public QWidget {
    Q_OBJECT
public:
    using ClickInfo = TamberButtonClickInfo;

    enum class ButtonShape { circle, rounded, rectangle, sharpRectangle };
    enum class Size { normal, small };

    class NewStyle {
    public:
        enum class Kind { customColor, primary, secondary, transparent, accessory, neutral, black };

        static NewStyle customColor(Color background) { return NewStyle(Kind::customColor, background); }
        static NewStyle primary() { return NewStyle(Kind::primary); }
        static NewStyle secondary() { return NewStyle(Kind::secondary); }
        static NewStyle transparent() { return NewStyle(Kind::transparent); }
        static NewStyle accessory() { return NewStyle(Kind::accessory); }
        static NewStyle neutral() { return NewStyle(Kind::neutral); }
        static NewStyle black() { return NewStyle(Kind::black); }

        Kind kind() const { return kind_; }
        // The colour a custom style carries.
        const Color& background() const { return background_; }
        friend bool operator==(const NewStyle&, const NewStyle&) = default;

    private:
        explicit NewStyle(Kind kind, Color background = {}) : kind_(kind), background_(background) {}
        Kind kind_;
        Color background_;
    };

    using OnTapWithInfo = std::function<void(const std::shared_ptr<ClickInfo>&)>;

    struct Options {
        std::optional<ButtonShape> shape;
        Size size = Size::normal;
        std::optional<NewStyle> style;
        std::optional<std::string> title;
        std::optional<std::string> leftIcon;
        std::optional<std::string> rightIcon;
        std::optional<QMarginsF> userPadding;
        std::optional<bool> enabled;
        bool progressing = false;
        bool inScrollView = false;
        OnTapWithInfo onTap;
    };

    // The shape-based button. A shape without a style is transparent; without an enabled flag it
    // is enabled.
    explicit TamberButton(const Options& options, QWidget* parent = nullptr);
    // Buttons made from settings alone have no shape: they draw nothing and never tap.
    TamberButton(ButtonSetting::Ptr settings, bool progressing, OnTapWithInfo onTapWithInfo,
                 QWidget* parent = nullptr);
    TamberButton(ButtonSetting::Ptr settings, bool progressing, std::function<void()> onTap,
                 QWidget* parent = nullptr);
    ~TamberButton() override;

    void setProgressing(bool progressing);
    void setButtonEnabled(std::optional<bool> enabled);
    void setTitle(std::optional<std::string> title);
    // Reads the settings again (they are shared and may have changed).
    void refresh();

    // 64 points for big settings, 48 otherwise; the drawing does not use it.
    double buttonHeight() const;

    const ButtonSetting::Ptr& settings() const { return settings_; }
    const std::shared_ptr<ClickInfo>& clickInfo() const { return clickInfo_; }
    const std::optional<ButtonShape>& shape() const { return shape_; }
    const std::optional<Size>& size() const { return size_; }
    bool isEnabledButton() const { return enabled_.value_or(true); }
    bool isShowingSpinner() const;
    Brindle::TouchableComponent* touchable() const { return touchable_; }

    // What is drawn now.
    std::optional<Color> backgroundColor() const;
    std::optional<Color> overlayColor() const;
    double labelOpacity() const;
    QMarginsF rowPadding() const;
    Color foregroundColor() const;
    // The side of the symbols and of the spinner.
    double symbolSide() const;
    double iconScale() const;
    double iconPadding() const;

    QSize sizeHint() const override;

private:
    class Label;
    class SymbolView;
    class TitleView;

    TamberButton(ButtonSetting::Ptr settings, QWidget* parent);
    void build();
    void tap();
    void mouseInfoChanged(const Brindle::MouseInfo& info);

    ButtonSetting::Ptr settings_;
    OnTapWithInfo onTapWithInfo_;
    std::function<void()> onTapTap_;
    std::shared_ptr<ClickInfo> clickInfo_;
    bool progressing_ = false;
    std::optional<ButtonShape> shape_;
    std::optional<NewStyle> style_;
    std::optional<Size> size_;
    std::optional<std::string> title_;
    std::optional<std::string> leftIcon_;
    std::optional<std::string> rightIcon_;
    std::optional<bool> enabled_;
    std::optional<QMarginsF> userPadding_;
    bool inScrollView_ = false;

    bool pressed_ = false;
    bool hovered_ = false;
    bool clickProgressing_ = false;
    rx::Disposable clickSubscription_;

    Brindle::TouchableComponent* touchable_ = nullptr;
    Label* label_ = nullptr;
    SymbolView* leftView_ = nullptr;
    TitleView* titleView_ = nullptr;
    SymbolView* rightView_ = nullptr;
    SpinnerComponent* spinner_ = nullptr;
};

}  // namespace brindle_ui
