#pragma once

#include <QColor>

#include "ui-toolkit/ui/Color.h"

namespace brindle_ui {

inline QColor toQColor(const Color& color) {
    return QColor::fromRgbF(static_cast<float>(color.red), static_cast<float>(color.green),
                            static_cast<float>(color.blue), static_cast<float>(color.opacity));
}

}  // namespace brindle_ui
