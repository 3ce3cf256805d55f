#pragma once

#include <concepts>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Brindle/AttributedString.h"
#include "Brindle/Object.h"

namespace brindle_ui {

enum class HelloButtonStyle { round, roundBordered, rectangle, rectangleBlack, rectangleGray, transparent };

// The older, mutable description of a button, shared by reference and built with chained setters.
// Of its values only `big` and `style` change how a button draws. Main thread only.
class ButtonSetting : public Brindle::Object {
public:
    using Ptr = std::shared_ptr<ButtonSetting>;

    ButtonSetting() = default;

    double sideMargin() const { return sideMargin_; }
    HelloButtonStyle style() const { return style_; }
    bool big() const { return big_; }
    const std::optional<std::string>& title() const { return title_; }
    const std::optional<Brindle::MutableAttributedString>& attributedString() const {
        return attributedString_;
    }
    std::optional<double> fontSize() const { return fontSize_; }
    bool roundTopLeft() const { return roundTopLeft_; }
    bool roundTopRight() const { return roundTopRight_; }
    bool roundBottomLeft() const { return roundBottomLeft_; }
    bool roundBottomRight() const { return roundBottomRight_; }

    // Each setter stores its value and returns this same object.
    virtual Ptr sideMargin(double margin);
    virtual Ptr style(HelloButtonStyle style);
    virtual Ptr big(bool big);
    virtual Ptr fontSize(double size);
    virtual Ptr title(std::optional<std::string> title);
    virtual Ptr attributedString(std::optional<Brindle::MutableAttributedString> text);
    virtual Ptr roundCorners(bool topLeft, bool topRight, bool bottomLeft, bool bottomRight);

private:
    double sideMargin_ = 16.0;
    HelloButtonStyle style_ = HelloButtonStyle::rectangle;
    bool big_ = false;
    std::optional<std::string> title_;
    std::optional<Brindle::MutableAttributedString> attributedString_;
    std::optional<double> fontSize_;
    bool roundTopLeft_ = true;
    bool roundTopRight_ = true;
    bool roundBottomLeft_ = true;
    bool roundBottomRight_ = true;
};

template <class T>
std::optional<T> valueIf(const T& value, bool condition) {
    if (condition) return value;
    return std::nullopt;
}

template <class T, class Predicate>
requires std::predicate<Predicate&, const T&> std::optional<T> valueIf(const T& value, Predicate where) {
    if (where(value)) return value;
    return std::nullopt;
}

}  // namespace brindle_ui
