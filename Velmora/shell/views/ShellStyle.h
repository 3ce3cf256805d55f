#pragma once

#include <QColor>
#include <QFont>
#include <string>

#include "rx/Disposable.h"
#include "rx/Published.h"

class QLabel;
class QWidget;

namespace Velmora {

// What the settings and onboarding windows share of their look. Main thread only.
struct ShellStyle {
    // The platform's text styles these windows use, at their point sizes.
    enum class TextStyle { largeTitle, title, title3, headline, caption };

    static QFont font(TextStyle style);

    // The appearance's primary colour (black in light, white in dark), its inversion, and the
    // window background. Read when painting, so that they follow a change of the appearance.
    static QColor primaryColor(double opacity = 1.0);
    static QColor invertedPrimaryColor();
    static QColor windowBackgroundColor();

    // A stretchable empty widget, which unlike a layout's spacer can be hidden.
    static QWidget* makeSpacer(QWidget* parent);
    // Plain text in a text style; `centredWrapping` centres it and wraps long lines.
    static QLabel* makeText(const std::string& text, TextStyle style, QWidget* parent,
                            bool centredWrapping = false);
    // Keeps the label's text on the published value.
    static void followText(const rx::Published<std::string>& text, QLabel* label, rx::DisposeBag& bag);
};

}  // namespace Velmora
