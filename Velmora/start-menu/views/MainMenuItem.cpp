#include "Velmora/start-menu/views/MainMenuItem.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "Brindle/widgets/TouchableComponent.h"
#include "platform/qt/Symbols.h"

namespace Velmora {
namespace {
constexpr double cornerRadius = 4.0;
}

MainMenuItem::MainMenuItem(Spec spec, QWidget* parent) : QWidget(parent), spec_(std::move(spec)) {
    setObjectName(QString::fromStdString(spec_.title));

    auto* content = new QWidget();
    auto* row = new QHBoxLayout(content);
    row->setContentsMargins(0, 0, 0, 0);
    if (spec_.indented) row->addSpacing(indent);
    if (spec_.systemImage || spec_.image) {
        icon_ = new QLabel();
        auto side = spec_.indented ? indentedIconSize : iconSize;
        icon_->setFixedSize(side, side);
        icon_->setAlignment(Qt::AlignCenter);
        row->addWidget(icon_);
    }
    auto* title = new QLabel(QString::fromStdString(spec_.title));
    title->setObjectName(QStringLiteral("title"));
    row->addWidget(title);
    row->addStretch();
    if (spec_.expandable) {
        chevron_ = new QLabel();
        chevron_->setFixedSize(chevronSize, chevronSize);
        row->addWidget(chevron_);
    }

    Brindle::TouchableComponent::Options options;
    options.style = Brindle::TouchableComponent::Style::vibrant;
    options.pressStyle = Brindle::TouchableComponent::PressStyle::fade;
    options.inScrollView = false;
    options.padding = Brindle::TouchableComponent::Padding::standard();
    options.highlight = true;
    options.alpha = 1.0;
    options.cornerRadius = cornerRadius;
    options.onTap = spec_.action;
    touchable_ = new Brindle::TouchableComponent(options, content);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(touchable_);
    setFixedWidth(rowWidth);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    drawIcons();
}

void MainMenuItem::setExpanded(bool expanded) {
    if (spec_.expanded == expanded) return;
    spec_.expanded = expanded;
    drawIcons();
}

void MainMenuItem::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) drawIcons();
}

void MainMenuItem::drawIcons() {
    const auto color = palette().color(QPalette::WindowText);
    const auto ratio = devicePixelRatioF();
    if (icon_) {
        if (spec_.systemImage) {
            icon_->setPixmap(platform::qt::Symbols::pixmap(*spec_.systemImage, icon_->size(), color, ratio));
        } else {
            icon_->setPixmap(platform::qt::Assets::pixmap(*spec_.image, icon_->size(), ratio));
        }
    }
    if (chevron_) {
        chevronSymbol_ = spec_.expanded ? "chevron.down" : "chevron.right";
        chevron_->setPixmap(platform::qt::Symbols::pixmap(chevronSymbol_, chevron_->size(), color, ratio));
    }
}

}  // namespace Velmora
