#pragma once

#include <QColor>
#include <QFont>

namespace Velmora {

// The platform's text styles used by the settings and onboarding windows, at their point sizes.
enum class TextStyle { largeTitle, title, title3, headline, caption };

QFont font(TextStyle style);

// The appearance's primary colour (black in light, white in dark), its inversion, and the window
// background. Read when painting, so they follow a change of the appearance.
QColor primaryColor(double opacity = 1.0);
QColor invertedPrimaryColor();
QColor windowBackgroundColor();

}  // namespace Velmora
