#include "Velmora/shell/views/ShellStyle.h"

#include <QLabel>
#include <QPointer>
#include <QWidget>

#include "platform/qt/Appearance.h"

namespace Velmora {
namespace {

bool isDark() { return platform::qt::Appearance::shared()->colorScheme() == platform::qt::ColorScheme::dark; }

}  // namespace

QFont ShellStyle::font(TextStyle style) {
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

QColor ShellStyle::primaryColor(double opacity) {
    QColor color = isDark() ? QColor(Qt::white) : QColor(Qt::black);
    color.setAlphaF(static_cast<float>(opacity));
    return color;
}

QColor ShellStyle::invertedPrimaryColor() { return isDark() ? QColor(Qt::black) : QColor(Qt::white); }

QColor ShellStyle::windowBackgroundColor() {
    return isDark() ? QColor(0x32, 0x32, 0x32) : QColor(0xec, 0xec, 0xec);
}

QWidget* ShellStyle::makeSpacer(QWidget* parent) {
    auto* spacer = new QWidget(parent);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    spacer->setAttribute(Qt::WA_TransparentForMouseEvents);
    return spacer;
}

QLabel* ShellStyle::makeText(const std::string& text, TextStyle style, QWidget* parent,
                             bool centredWrapping) {
    auto* label = new QLabel(QString::fromStdString(text), parent);
    label->setTextFormat(Qt::PlainText);
    label->setFont(font(style));
    if (centredWrapping) {
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    }
    return label;
}

void ShellStyle::followText(const rx::Published<std::string>& text, QLabel* label, rx::DisposeBag& bag) {
    bag.insert(text.observe([guard = QPointer<QLabel>(label)](const std::string& value) {
        if (guard) guard->setText(QString::fromStdString(value));
    }));
}

}  // namespace Velmora
