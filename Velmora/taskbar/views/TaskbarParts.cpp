#include "Velmora/taskbar/views/TaskbarParts.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QImage>
#include <QLayoutItem>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <algorithm>
#include <cmath>
#include <utility>

#include "Velmora/taskbar/views/Taskbar.h"
#include "Velmora/taskbar/views/Theme.h"
#include "platform/qt/Symbols.h"

namespace Velmora::taskbar_parts {
namespace {

constexpr const char* menuImageName = "MainMenu";
constexpr double separatorCornerRadius = 1.0;
// Stands in for the platform's translucent full-screen material.
constexpr double materialOpacity = 0.72;
// Columns of the body's inside copied at a time.
constexpr int insideTile = 64;

QColor primaryColor(const Theme* theme) { return isDark(theme) ? Qt::white : Qt::black; }

}  // namespace

bool isDark(const Theme* theme) { return theme->colorScheme() == platform::qt::ColorScheme::dark; }

Root::Root(std::function<void()> place) : place_(std::move(place)) {}

bool Root::event(QEvent* event) {
    // A child's size hint changed: the body may need another width.
    if (event->type() == QEvent::LayoutRequest) place_();
    return QWidget::event(event);
}

void Root::resizeEvent(QResizeEvent*) { place_(); }

Body::Body(const Theme* theme, std::function<TaskbarThemeSettings()> settings)
    : theme_(theme), settings_(std::move(settings)) {}

namespace {

QColor materialColor(bool dark) {
    QColor material = dark ? QColor(0x1e, 0x1e, 0x1e) : QColor(0xf2, 0xf2, 0xf2);
    material.setAlphaF(static_cast<float>(materialOpacity));
    return material;
}

QColor invertedColor(bool dark, double extraAlpha) {
    QColor inverted = dark ? Qt::black : Qt::white;
    inverted.setAlphaF(static_cast<float>(extraAlpha));
    return inverted;
}

void fillBodyShape(QPainter& painter, const QRectF& rect, double radius, bool dark, double extraAlpha) {
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(rect, radius, radius);
    painter.fillPath(shape, materialColor(dark));
    painter.fillPath(shape, invertedColor(dark, extraAlpha));
}

}  // namespace

void Body::paintEvent(QPaintEvent* event) {
    auto s = settings_();
    bool dark = isDark(theme_);
    QPainter painter(this);
    qreal ratio = devicePixelRatioF();
    int end = static_cast<int>(std::ceil(std::max(0.0, s.cornerRadius)));
    // Copying whole pixels needs a whole-number scale; otherwise the shape is filled as it is.
    if (ratio != std::floor(ratio) || width() < 2 * end) {
        fillBodyShape(painter, QRectF(rect()), s.cornerRadius, dark, s.extraAlpha);
        return;
    }
    EndsLook look{s.cornerRadius, s.extraAlpha, dark, height(), ratio};
    auto scale = static_cast<int>(ratio);
    int templateWidth = 2 * end + insideTile;
    if (!(look == endsLook_)) {
        ends_ = QImage(templateWidth * scale, height() * scale, QImage::Format_ARGB32_Premultiplied);
        ends_.setDevicePixelRatio(ratio);
        ends_.fill(Qt::transparent);
        QPainter drawing(&ends_);
        fillBodyShape(drawing, QRectF(0, 0, templateWidth, height()), s.cornerRadius, dark, s.extraAlpha);
        endsLook_ = look;
    }
    // Unscaled copies under a one-rectangle clip only: a copy clipped to a region of several
    // rectangles, like a scaled copy, a large fill or a path, goes through Qt's thread pool, and
    // starting and joining those threads each frame costs more than the filling. An animation
    // frame repaints a button or two, so each rectangle of it copies only the pieces it meets.
    auto columns = [&](int x, int width) { return QRect(x * scale, 0, width * scale, height() * scale); };
    auto copy = [&](const QRect& clip, int x, int width, int from) {
        // (A copy of no width would copy the rest of the picture.)
        if (width > 0 && clip.intersects(QRect(x, 0, width, height())))
            painter.drawImage(QPointF(x, 0), ends_, columns(from, width));
    };
    for (const QRect& clip : event->region()) {
        painter.setClipRect(clip);
        copy(clip, 0, end, 0);
        for (int x = std::max(end, end + (clip.left() - end) / insideTile * insideTile);
             x < std::min(width() - end, clip.right() + 1); x += insideTile)
            copy(clip, x, std::min(insideTile, width() - end - x), end);
        copy(clip, width() - end, end, end + insideTile);
    }
}

Separator::Separator(const Theme* theme) : theme_(theme) {
    auto width = static_cast<int>(Taskbar::separatorFrameWidth + 2 * Taskbar::separatorPadding);
    setFixedWidth(width);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
}

void Separator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    QColor color = primaryColor(theme_);
    color.setAlphaF(static_cast<float>(Taskbar::separatorOpacity));
    painter.setBrush(color);
    QRectF bar(0, Taskbar::separatorPadding, Taskbar::separatorWidth,
               height() - 2 * Taskbar::separatorPadding);
    bar.moveLeft((width() - Taskbar::separatorWidth) / 2);
    painter.drawRoundedRect(bar, separatorCornerRadius, separatorCornerRadius);
}

MenuImage::MenuImage(const Taskbar* bar) : bar_(bar) {
    setFixedSize(static_cast<int>(Taskbar::menuButtonSize), static_cast<int>(Taskbar::menuButtonSize));
}

void MenuImage::paintEvent(QPaintEvent*) {
    qreal ratio = devicePixelRatioF();
    QPixmap source = platform::qt::Assets::pixmap(menuImageName, size(), ratio);
    if (source.isNull()) return;
    QColor tint = bar_->menuTint();
    QImage image = source.toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    {
        QPainter tinting(&image);
        tinting.setCompositionMode(QPainter::CompositionMode_Multiply);
        tinting.fillRect(image.rect(), QColor(tint.red(), tint.green(), tint.blue()));
        tinting.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        tinting.drawPixmap(0, 0, source);
    }
    image.setDevicePixelRatio(ratio);
    QPainter painter(this);
    painter.setOpacity(tint.alphaF() * bar_->menuImageOpacity());
    painter.drawImage(QRectF(rect()), image);
}

DropMarker::DropMarker(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void DropMarker::place() {
    if (auto* parent = parentWidget())
        setGeometry(0, 0, std::min(static_cast<int>(maximumWidth), parent->width()), parent->height());
    raise();
}

void DropMarker::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Taskbar::accentBlue());
}

void placeAlone(QWidget* child, const QRect& space) {
    QWidgetItem item(child);
    if (item.isEmpty()) return;
    // The space left over is split evenly on both sides.
    int width = std::min(space.width(), item.maximumSize().width());
    int x = space.x() + std::max(0, (space.width() - width) / 2);
    item.setGeometry(QRect(x, space.y(), width, space.height()));
}

QWidget* row(QWidget* parent) {
    auto* widget = new QWidget(parent);
    widget->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Preferred);
    auto* layout = new QHBoxLayout(widget);
    layout->setContentsMargins(0, 0, 0, 0);
    return widget;
}

}  // namespace Velmora::taskbar_parts
