#include "Velmora/taskbar/views/AppIconVisualiser.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <cmath>
#include <utility>

#include "Brindle/widgets/TouchableComponent.h"
#include "platform/qt/ImagePixmap.h"

namespace Velmora {
namespace {

const QColor systemRed(0xff, 0x3b, 0x30);

// Characters as the reader counts them: "🇫🇷" is one.
int characterCount(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0) ++count;
    return count;
}

int points(double value) { return static_cast<int>(std::lround(value)); }

}  // namespace

AppIconView::AppIconView(std::optional<platform::Image> image, double maximumWidth, QWidget* parent)
    : QWidget(parent), image_(std::move(image)), maximumWidth_(maximumWidth) {
    setMaximumWidth(points(maximumWidth_));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
}

QSize AppIconView::sizeHint() const {
    if (!image_) return {0, 0};
    auto size = image_->size();
    double aspect = size.width > 0 && size.height > 0 ? size.height / size.width : 1.0;
    return {points(maximumWidth_), points(maximumWidth_ * aspect)};
}

QRect AppIconView::pictureRect() const {
    if (!image_) return {};
    QSize fitted = sizeHint().scaled(size(), Qt::KeepAspectRatio);
    return {QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2), fitted};
}

void AppIconView::paintEvent(QPaintEvent*) {
    auto target = pictureRect();
    if (target.isEmpty()) return;
    auto opacity = Brindle::paintedOpacity(this);
    if (opacity <= 0) return;
    QPainter painter(this);
    painter.setOpacity(opacity);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    // Decoded at the size the icon settles at; while the button's width animates the frame is
    // smaller and changes every frame, and the painter scales this one picture down instead of
    // decoding and resampling the image again per frame.
    auto scale = devicePixelRatioF();
    auto full = sizeHint();
    if (full != pictureSize_ || scale != pictureScale_) {
        picture_ = platform::qt::decodedPixmap(*image_, full, scale);
        pictureSize_ = full;
        pictureScale_ = scale;
    }
    painter.drawPixmap(target, picture_);
}

AppTitleLabel::AppTitleLabel(QString text, QWidget* parent) : QWidget(parent), text_(std::move(text)) {
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

QString AppTitleLabel::displayedText() const {
    return fontMetrics().elidedText(text_, Qt::ElideRight, width());
}

QSize AppTitleLabel::sizeHint() const {
    return {fontMetrics().horizontalAdvance(text_), fontMetrics().height()};
}

QSize AppTitleLabel::minimumSizeHint() const { return {0, fontMetrics().height()}; }

void AppTitleLabel::paintEvent(QPaintEvent*) {
    auto opacity = Brindle::paintedOpacity(this);
    if (opacity <= 0) return;
    QPainter painter(this);
    painter.setOpacity(opacity);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignLeading | Qt::AlignVCenter, displayedText());
}

AppBadgeView::AppBadgeView(std::optional<double> diameter, QWidget* parent)
    : QWidget(parent), diameter_(diameter) {
    setFixedSize(sizeHint());
}

void AppBadgeView::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    setFixedSize(sizeHint());
    update();
}

AppBadgeView::Shape AppBadgeView::shape() const {
    if (diameter_) return Shape::circle;
    return characterCount(text_) < circleCharacterLimit ? Shape::circle : Shape::capsule;
}

double AppBadgeView::padding() const { return shape() == Shape::circle ? circlePadding : capsulePadding; }

QSize AppBadgeView::sizeHint() const {
    if (diameter_) return {points(*diameter_), points(*diameter_)};
    auto inset = points(2 * padding());
    return {fontMetrics().horizontalAdvance(text_) + inset, fontMetrics().height() + inset};
}

QRectF AppBadgeView::shapeRect() const {
    QRectF frame(rect());
    if (shape() == Shape::capsule) return frame;
    // A circle clips the frame to its largest centred disc.
    double side = std::min(frame.width(), frame.height());
    return {frame.center().x() - side / 2, frame.center().y() - side / 2, side, side};
}

void AppBadgeView::paintEvent(QPaintEvent*) {
    auto opacity = Brindle::paintedOpacity(this);
    if (opacity <= 0) return;
    QPainter painter(this);
    painter.setOpacity(opacity);
    painter.setRenderHint(QPainter::Antialiasing);
    auto area = shapeRect();
    double radius = std::min(area.width(), area.height()) / 2;
    QPainterPath clip;
    clip.addRoundedRect(area, radius, radius);
    painter.setClipPath(clip);
    painter.fillRect(area, systemRed);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignCenter, text_);
}

AppIconVisualiser::AppIconVisualiser(std::shared_ptr<Task> task, bool padding, bool pinned, bool showTitles,
                                     std::optional<std::string> badge, QWidget* parent)
    : QWidget(parent),
      task_(std::move(task)),
      padding_(padding),
      pinned_(pinned),
      showTitles_(showTitles),
      badge_(std::move(badge)) {
    titledRow_ = std::make_unique<QHBoxLayout>();
    titledRow_->setSpacing(points(rowSpacing));
    int inset = padding_ ? points(rowPadding) : 0;
    titledRow_->setContentsMargins(inset, inset, 0, inset);
    rowIcon_ = new AppIconView(task_->icon, iconMaximumWidth, this);
    title_ = new AppTitleLabel(QString::fromStdString(task_->title), this);
    rowBadge_ = new AppBadgeView(rowBadgeDiameter, this);
    rowBadgeGap_ = new QWidget(this);
    rowBadgeGap_->setFixedSize(points(rowBadgeTrailingGap), 0);
    titledRow_->addWidget(rowIcon_);
    titledRow_->addWidget(title_, 1);
    titledRow_->addWidget(rowBadge_, 0, Qt::AlignVCenter);
    titledRow_->addWidget(rowBadgeGap_);

    iconRow_ = std::make_unique<QHBoxLayout>();
    iconRow_->setContentsMargins(0, 0, 0, 0);
    iconRow_->setSpacing(0);
    icon_ = new AppIconView(task_->icon, iconMaximumWidth, this);
    iconRow_->addStretch();
    iconRow_->addWidget(icon_);
    iconRow_->addStretch();
    // Stands out of the icon's corner, so it is placed by hand, above the icon.
    iconBadge_ = new AppBadgeView(std::nullopt, this);
    icon_->installEventFilter(this);

    apply();
}

AppIconVisualiser::~AppIconVisualiser() = default;

void AppIconVisualiser::setPinned(bool pinned) {
    if (pinned == pinned_) return;
    pinned_ = pinned;
    apply();
}

void AppIconVisualiser::setShowTitles(bool showTitles) {
    if (showTitles == showTitles_) return;
    showTitles_ = showTitles;
    apply();
}

void AppIconVisualiser::setBadge(const std::optional<std::string>& badge) {
    if (badge == badge_) return;
    badge_ = badge;
    apply();
}

AppIconVisualiser::Form AppIconVisualiser::form() const {
    return showTitles_ && !pinned_ ? Form::titledRow : Form::icon;
}

AppIconView* AppIconVisualiser::iconView() const {
    if (!task_->icon) return nullptr;
    return form() == Form::titledRow ? rowIcon_ : icon_;
}

AppBadgeView* AppIconVisualiser::badgeView() const {
    if (!badge_) return nullptr;
    if (form() == Form::titledRow) return rowBadge_;
    // Without an icon the icon form draws nothing at all.
    return task_->icon ? iconBadge_ : nullptr;
}

QSize AppIconVisualiser::sizeHint() const { return titledRow_->sizeHint().expandedTo(iconRow_->sizeHint()); }

QSize AppIconVisualiser::minimumSizeHint() const {
    return titledRow_->minimumSize().expandedTo(iconRow_->minimumSize());
}

void AppIconVisualiser::apply() {
    auto text = QString::fromStdString(badge_.value_or(""));
    rowBadge_->setText(text);
    iconBadge_->setText(text);
    bool titled = form() == Form::titledRow;
    // A part of the form not on show still counts towards the size, as long as its form would show it.
    auto show = [](QWidget* part, bool inForm, bool shown) {
        auto policy = part->sizePolicy();
        policy.setRetainSizeWhenHidden(inForm);
        part->setSizePolicy(policy);
        part->setVisible(inForm && shown);
    };
    show(rowIcon_, task_->icon.has_value(), titled);
    show(title_, true, titled);
    show(rowBadge_, badge_.has_value(), titled);
    show(rowBadgeGap_, badge_.has_value(), titled);
    show(icon_, task_->icon.has_value(), !titled);
    iconBadge_->setVisible(!titled && badge_.has_value() && task_->icon.has_value());
    titledRow_->invalidate();
    iconRow_->invalidate();
    updateGeometry();
    place();
}

void AppIconVisualiser::place() {
    (form() == Form::titledRow ? titledRow_ : iconRow_)->setGeometry(rect());
    placeIconBadge();
}

void AppIconVisualiser::placeIconBadge() {
    auto picture = icon_->pictureRect().translated(icon_->pos());
    double offsetX =
        iconBadge_->shape() == AppBadgeView::Shape::circle ? circleBadgeOffsetX : capsuleBadgeOffsetX;
    iconBadge_->move(points(picture.x() + picture.width() - iconBadge_->width() + offsetX),
                     points(picture.y() - badgeOffsetUp));
    iconBadge_->raise();
}

bool AppIconVisualiser::event(QEvent* event) {
    // A part asks for another size: the forms are laid out again, and so is what holds this view.
    if (event->type() == QEvent::LayoutRequest) {
        titledRow_->invalidate();
        iconRow_->invalidate();
        updateGeometry();
        place();
    }
    return QWidget::event(event);
}

void AppIconVisualiser::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    place();
}

bool AppIconVisualiser::eventFilter(QObject* watched, QEvent* event) {
    if (watched == icon_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize))
        placeIconBadge();
    return QWidget::eventFilter(watched, event);
}

}  // namespace Velmora
