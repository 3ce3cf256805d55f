#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QSize>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/Image.h"

namespace platform::qt {

// System symbols by name ("gearshape", "pin"...): our own single-colour drawings, tinted like
// template images. An unknown name draws a question mark in a rounded square. Main thread only.
class Symbols {
public:
    static std::vector<std::string> names();
    static bool contains(const std::string& name);

    // The symbol fitted into `size` (in points) in `color`, at the given pixel ratio.
    static QPixmap pixmap(const std::string& name, const QSize& size, const QColor& color,
                          qreal devicePixelRatio = 1.0);
    // An icon drawing the symbol at any size, in `color` or, when it is invalid, in the palette's
    // text colour (greyed when disabled).
    static QIcon icon(const std::string& name, const QColor& color = QColor());
};

// The program's own image assets by name ("Logo", "MainMenu", "OnboardingPermission", "Test").
class Assets {
public:
    static bool contains(const std::string& name);
    // The asset's encoded bytes, absent for an unknown name.
    static std::optional<Image> image(const std::string& name);
    // Fitted into `size` keeping its proportions; with `tint`, drawn as a template in that colour.
    // An unknown name gives a null pixmap.
    static QPixmap pixmap(const std::string& name, const QSize& size, qreal devicePixelRatio = 1.0,
                          std::optional<QColor> tint = std::nullopt);
};

}  // namespace platform::qt
