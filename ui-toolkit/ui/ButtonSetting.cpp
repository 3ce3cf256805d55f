#include "ui-toolkit/ui/ButtonSetting.h"

#include <utility>

namespace brindle_ui {

ButtonSetting::Ptr ButtonSetting::sideMargin(double margin) {
    sideMargin_ = margin;
    return sharedAs<ButtonSetting>();
}

ButtonSetting::Ptr ButtonSetting::style(HelloButtonStyle style) {
    style_ = style;
    return sharedAs<ButtonSetting>();
}

ButtonSetting::Ptr ButtonSetting::big(bool big) {
    big_ = big;
    return sharedAs<ButtonSetting>();
}

ButtonSetting::Ptr ButtonSetting::fontSize(double size) {
    fontSize_ = size;
    return sharedAs<ButtonSetting>();
}

ButtonSetting::Ptr ButtonSetting::title(std::optional<std::string> title) {
    title_ = std::move(title);
    return sharedAs<ButtonSetting>();
}

ButtonSetting::Ptr ButtonSetting::attributedString(std::optional<Brindle::MutableAttributedString> text) {
    attributedString_ = std::move(text);
    return sharedAs<ButtonSetting>();
}

ButtonSetting::Ptr ButtonSetting::roundCorners(bool topLeft, bool topRight, bool bottomLeft,
                                               bool bottomRight) {
    roundTopLeft_ = topLeft;
    roundTopRight_ = topRight;
    roundBottomLeft_ = bottomLeft;
    roundBottomRight_ = bottomRight;
    return sharedAs<ButtonSetting>();
}

}  // namespace brindle_ui
