#include "Velmora/shell/views/ShellStyle.h"

#include "platform/qt/Appearance.h"

namespace Velmora {
namespace {

bool isDark() { return platform::qt::Appearance::shared()->colorScheme() == platform::qt::ColorScheme::dark; }

}  // namespace

QFont font(TextStyle style) {
    QFont font;
    switch (style) {
        case TextStyle::largeTitle:
            font.setPixelSize(26);
            break;
        case TextStyle::title:
            font.setPixelSize(22);
            break;
        case TextStyle::title3:
            font.setPixelSize(15);
            break;
        case TextStyle::headline:
            font.setPixelSize(13);
            font.setBold(true);
            break;
        case TextStyle::caption:
            font.setPixelSize(10);
            break;
    }
    return font;
}

QColor primaryColor(double opacity) {
    QColor color = isDark() ? QColor(Qt::white) : QColor(Qt::black);
    color.setAlphaF(static_cast<float>(opacity));
    return color;
}

QColor invertedPrimaryColor() { return isDark() ? QColor(Qt::black) : QColor(Qt::white); }

QColor windowBackgroundColor() { return isDark() ? QColor(0x32, 0x32, 0x32) : QColor(0xec, 0xec, 0xec); }

}  // namespace Velmora
