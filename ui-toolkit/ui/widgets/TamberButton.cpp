#include "ui-toolkit/ui/widgets/TamberButton.h"

#include <QFontMetricsF>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QShowEvent>
#include <QVBoxLayout>
#include <cmath>

#include "Brindle/widgets/TouchableComponent.h"
#include "platform/qt/Symbols.h"
#include "ui-toolkit/ui/Theme.h"
#include "ui-toolkit/ui/widgets/QtColor.h"
#include "ui-toolkit/ui/widgets/SpinnerComponent.h"
#include "ui-toolkit/ui/widgets/ThemeComponent.h"

namespace brindle_ui {

namespace {
constexpr double bigSymbolSide = 25.6;
constexpr double normalSymbolSide = 19.2;
constexpr double bigButtonHeight = 64;
constexpr double normalButtonHeight = 48;
constexpr double spinnerStrokeWidth = 2.0;
constexpr double disabledOpacity = 0.4;
constexpr double pressedOverlayOpacity = 0.1;
constexpr double hoveredOverlayOpacity = 0.2;
constexpr double rectangleCornerRadius = 10;
constexpr double touchCornerRadius = 4.0;
constexpr double verticalPadding = 4;
constexpr double roundedSidePadding = 8;
constexpr double sidePadding = 4;
constexpr double iconPaddingValue = 8;
constexpr double accessoryIconScale = 0.5;
constexpr int rowSpacing = 8;

int points(double value) { return static_cast<int>(std::ceil(value)); }
}  // namespace

// The background, overlay and row of the button, clipped to its shape; re-rendered with the theme.
class TamberButton::Label final : public ThemeComponent {
public:
    explicit Label(TamberButton* owner) : ThemeComponent(nullptr, owner), owner_(owner) {}

protected:
    void themeChanged() override {
        ThemeComponent::themeChanged();
        owner_->refresh();
    }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        QRectF bounds(rect());
        QPainterPath shape;
        switch (owner_->shape_.value_or(ButtonShape::rectangle)) {
            case ButtonShape::circle: {
                double side = std::min(bounds.width(), bounds.height());
                shape.addEllipse(
                    QRectF(bounds.center().x() - side / 2, bounds.center().y() - side / 2, side, side));
                break;
            }
            case ButtonShape::rounded: {
                double radius = std::min(bounds.width(), bounds.height()) / 2;
                shape.addRoundedRect(bounds, radius, radius);
                break;
            }
            case ButtonShape::rectangle:
                shape.addRoundedRect(bounds, rectangleCornerRadius, rectangleCornerRadius);
                break;
            case ButtonShape::sharpRectangle:
                shape.addRect(bounds);
                break;
        }
        painter.setClipPath(shape);
        if (auto background = owner_->backgroundColor()) painter.fillPath(shape, toQColor(*background));
        if (auto overlay = owner_->overlayColor()) painter.fillPath(shape, toQColor(*overlay));
    }

private:
    TamberButton* owner_;
};

// A system symbol in a frame of the symbol side, scaled about its centre, with padding around.
class TamberButton::SymbolView final : public QWidget {
public:
    SymbolView(TamberButton* owner, QWidget* parent) : QWidget(parent), owner_(owner) {}

    void setName(std::optional<std::string> name) {
        name_ = std::move(name);
        setVisible(name_.has_value());
        updateGeometry();
        update();
    }

    QSize sizeHint() const override {
        double side = owner_->symbolSide() + 2 * owner_->iconPadding();
        return {points(side), points(side)};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!name_) return;
        double side = owner_->symbolSide() * owner_->iconScale();
        auto pixmap = platform::qt::Symbols::pixmap(*name_, QSize(points(side), points(side)),
                                                    toQColor(owner_->foregroundColor()), devicePixelRatioF());
        QPainter painter(this);
        QSizeF drawn = pixmap.deviceIndependentSize();
        painter.drawPixmap(QPointF((width() - drawn.width()) / 2, (height() - drawn.height()) / 2), pixmap);
    }

private:
    TamberButton* owner_;
    std::optional<std::string> name_;
};

// The title on one line, cut with an ellipsis when it does not fit. The first time it is shown it
// tells the click object where it lies.
class TamberButton::TitleView final : public QWidget {
public:
    TitleView(TamberButton* owner, QWidget* parent) : QWidget(parent), owner_(owner) {
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    }

    void setText(std::optional<std::string> text) {
        text_ = text ? QString::fromStdString(*text) : QString();
        setVisible(text.has_value());
        updateGeometry();
        update();
    }

    QSize sizeHint() const override {
        QFontMetricsF metrics(font());
        return {points(metrics.horizontalAdvance(text_)), points(metrics.height())};
    }
    QSize minimumSizeHint() const override { return {0, sizeHint().height()}; }

protected:
    void showEvent(QShowEvent* event) override {
        QWidget::showEvent(event);
        if (probed_ || event->spontaneous()) return;
        probed_ = true;
        auto& info = owner_->clickInfo_;
        info->textFrame = platform::Rect::make(0, 0, width(), height());
        auto origin = mapTo(window(), QPoint(0, 0));
        info->buttonFrameOnScreen = platform::Rect::make(origin.x(), origin.y(), width(), height());
    }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setPen(toQColor(owner_->foregroundColor()));
        QFontMetricsF metrics(font());
        auto shown = metrics.elidedText(text_, Qt::ElideRight, width());
        painter.drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, shown);
    }

private:
    TamberButton* owner_;
    QString text_;
    bool probed_ = false;
};

TamberButton::TamberButton(ButtonSetting::Ptr settings, QWidget* parent)
    : QWidget(parent), settings_(std::move(settings)), clickInfo_(Brindle::make<ClickInfo>()) {
    clickSubscription_ =
        clickInfo_->progressing.observe([guard = QPointer<TamberButton>(this)](const bool& value) {
            // Told before the value is stored: keep the value given.
            if (!guard) return;
            guard->clickProgressing_ = value;
            guard->refresh();
        });
}

TamberButton::TamberButton(const Options& options, QWidget* parent)
    : TamberButton(Brindle::make<ButtonSetting>(), parent) {
    onTapWithInfo_ = options.onTap;
    progressing_ = options.progressing;
    shape_ = options.shape;
    style_ = options.style;
    size_ = options.size;
    title_ = options.title;
    leftIcon_ = options.leftIcon;
    rightIcon_ = options.rightIcon;
    enabled_ = options.enabled;
    userPadding_ = options.userPadding;
    inScrollView_ = options.inScrollView;
    build();
}

TamberButton::TamberButton(ButtonSetting::Ptr settings, bool progressing, OnTapWithInfo onTapWithInfo,
                           QWidget* parent)
    : TamberButton(std::move(settings), parent) {
    progressing_ = progressing;
    onTapWithInfo_ = std::move(onTapWithInfo);
    build();
}

TamberButton::TamberButton(ButtonSetting::Ptr settings, bool progressing, std::function<void()> onTap,
                           QWidget* parent)
    : TamberButton(std::move(settings), parent) {
    progressing_ = progressing;
    onTapTap_ = std::move(onTap);
    build();
}

TamberButton::~TamberButton() { clickSubscription_.dispose(); }

void TamberButton::build() {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    if (!shape_) return;

    label_ = new Label(this);
    auto* row = new QHBoxLayout(label_);
    row->setSpacing(rowSpacing);
    leftView_ = new SymbolView(this, label_);
    titleView_ = new TitleView(this, label_);
    rightView_ = new SymbolView(this, label_);
    spinner_ = new SpinnerComponent(spinnerStrokeWidth, label_);
    row->addStretch();
    for (QWidget* item : {static_cast<QWidget*>(leftView_), static_cast<QWidget*>(titleView_),
                          static_cast<QWidget*>(rightView_), static_cast<QWidget*>(spinner_)})
        row->addWidget(item, 0, Qt::AlignVCenter);
    row->addStretch();
    label_->setGraphicsEffect(new QGraphicsOpacityEffect(label_));

    Brindle::TouchableComponent::Options touch;
    touch.style = Brindle::TouchableComponent::Style::none;
    touch.pressStyle = Brindle::TouchableComponent::PressStyle::none;
    touch.inScrollView = inScrollView_;
    touch.padding = Brindle::TouchableComponent::Padding::none();
    touch.highlight = true;
    touch.alpha = 1.0;
    touch.cornerRadius = touchCornerRadius;
    touch.onTap = [this] { tap(); };
    touchable_ = new Brindle::TouchableComponent(
        touch, label_, [this](const Brindle::MouseInfo& info) { mouseInfoChanged(info); }, this);
    layout->addWidget(touchable_);
    refresh();
}

void TamberButton::setProgressing(bool progressing) {
    progressing_ = progressing;
    refresh();
}

void TamberButton::setButtonEnabled(std::optional<bool> enabled) {
    enabled_ = enabled;
    refresh();
}

void TamberButton::setTitle(std::optional<std::string> title) {
    title_ = std::move(title);
    refresh();
}

void TamberButton::refresh() {
    if (!label_) return;
    bool spinning = isShowingSpinner();
    leftView_->setName(spinning ? std::nullopt : leftIcon_);
    titleView_->setText(spinning ? std::nullopt : title_);
    rightView_->setName(spinning ? std::nullopt : rightIcon_);
    auto side = points(symbolSide());
    spinner_->setFixedSize(side, side);
    spinner_->setVisible(spinning);
    if (auto* row = label_->layout()) {
        auto padding = rowPadding();
        row->setContentsMargins(points(padding.left()), points(padding.top()), points(padding.right()),
                                points(padding.bottom()));
    }
    if (auto* effect = static_cast<QGraphicsOpacityEffect*>(label_->graphicsEffect())) {
        effect->setOpacity(labelOpacity());
        effect->setEnabled(labelOpacity() < 1.0);
    }
    leftView_->updateGeometry();
    rightView_->updateGeometry();
    label_->update();
    for (auto* child : label_->findChildren<QWidget*>()) child->update();
}

double TamberButton::buttonHeight() const { return settings_->big() ? bigButtonHeight : normalButtonHeight; }

bool TamberButton::isShowingSpinner() const { return progressing_ || clickProgressing_; }

std::optional<Color> TamberButton::backgroundColor() const {
    auto style = style_.value_or(NewStyle::transparent());
    switch (style.kind()) {
        case NewStyle::Kind::customColor:
            return style.background();
        case NewStyle::Kind::primary:
            return Colors::primary();
        case NewStyle::Kind::secondary:
            return Colors::secondary();
        case NewStyle::Kind::transparent:
        case NewStyle::Kind::accessory:
            return Color::clear();
        case NewStyle::Kind::neutral:
            return Colors::neutral();
        case NewStyle::Kind::black:
            return Colors::surface();
    }
    return std::nullopt;
}

std::optional<Color> TamberButton::overlayColor() const {
    if (!isEnabledButton()) return std::nullopt;
    if (pressed_) return Color::black(pressedOverlayOpacity);
    if (hovered_) return Color::white(hoveredOverlayOpacity);
    return std::nullopt;
}

double TamberButton::labelOpacity() const { return isEnabledButton() ? 1.0 : disabledOpacity; }

QMarginsF TamberButton::rowPadding() const {
    if (userPadding_) return *userPadding_;
    double side = shape_ == ButtonShape::rounded ? roundedSidePadding : sidePadding;
    return {side, verticalPadding, side, verticalPadding};
}

Color TamberButton::foregroundColor() const {
    return settings_->style() == HelloButtonStyle::roundBordered ? Colors::primary() : Colors::foreground();
}

double TamberButton::symbolSide() const { return settings_->big() ? bigSymbolSide : normalSymbolSide; }

double TamberButton::iconScale() const {
    return style_ && style_->kind() == NewStyle::Kind::accessory ? accessoryIconScale : 1.0;
}

double TamberButton::iconPadding() const {
    return style_ && style_->kind() == NewStyle::Kind::accessory ? 0.0 : iconPaddingValue;
}

QSize TamberButton::sizeHint() const { return shape_ ? QWidget::sizeHint() : QSize(0, 0); }

void TamberButton::tap() {
    if (!isEnabledButton()) return;
    // Copied first: an action may delete the button.
    auto withInfo = onTapWithInfo_;
    auto plain = onTapTap_;
    auto info = clickInfo_;
    if (withInfo) withInfo(info);
    if (plain) plain();
}

void TamberButton::mouseInfoChanged(const Brindle::MouseInfo& info) {
    pressed_ = info.pressed;
    hovered_ = info.highlighted;
    if (label_) label_->update();
}

}  // namespace brindle_ui
