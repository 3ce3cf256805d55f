#include <gtest/gtest.h>

#include <QHBoxLayout>
#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "Velmora/taskbar/views/TaskbarParts.h"
#include "Velmora/taskbar/views/Theme.h"
#include "platform/qt/testing/GuiTestLoop.h"

using Velmora::TaskbarThemeSettings;

namespace {

QImage rendered(QWidget& widget, const QRegion& region = QRegion()) {
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    // A part is drawn where it lies, not moved to the corner.
    widget.render(&image, region.boundingRect().topLeft(), region, QWidget::RenderFlags());
    return image;
}

// Only the pixels inside `region`.
QImage clipped(QImage image, const QRegion& region) {
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Clear);
    painter.setClipRegion(QRegion(image.rect()) - region);
    painter.fillRect(image.rect(), Qt::transparent);
    return image;
}

// The body's shape filled as one antialiased path: what its pixels must be.
QImage filledShape(QSize size, const TaskbarThemeSettings& s) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)), s.cornerRadius, s.cornerRadius);
    bool dark = Velmora::taskbar_parts::isDark(Velmora::Theme::shared());
    QColor material = dark ? QColor(0x1e, 0x1e, 0x1e) : QColor(0xf2, 0xf2, 0xf2);
    material.setAlphaF(0.72f);
    painter.fillPath(shape, material);
    QColor inverted = dark ? Qt::black : Qt::white;
    inverted.setAlphaF(static_cast<float>(s.extraAlpha));
    painter.fillPath(shape, inverted);
    return image;
}

}  // namespace

TEST(TaskbarBody, DrawsTheSamePixelsAsItsRoundedShapeAtEveryWidthAndLook) {
    platform::qt::GuiTestLoop loop;
    struct Case {
        double radius, extraAlpha;
        std::vector<int> widths;  // narrower than both ends, just wide enough, wide; a width animation
    };
    const Case cases[] = {
        {16, 0.0, {20, 33, 34, 35, 240, 241, 613}},
        {7.5, 0.3, {10, 17, 18, 100, 101}},
        {0, 0.0, {1, 2, 50}},
    };
    for (const auto& c : cases) {
        TaskbarThemeSettings s;
        s.cornerRadius = c.radius;
        s.extraAlpha = c.extraAlpha;
        Velmora::taskbar_parts::Body body(Velmora::Theme::shared(), [&] { return s; });
        for (int height : {48, 40})
            for (int width : c.widths) {
                body.resize(width, height);
                EXPECT_EQ(rendered(body), filledShape(body.size(), s))
                    << "radius " << c.radius << ", " << width << "x" << height;
            }
    }
}

TEST(TaskbarBody, RepaintsAPartOfSeveralRectanglesWithTheSamePixelsAsTheWhole) {
    platform::qt::GuiTestLoop loop;
    TaskbarThemeSettings s;
    s.cornerRadius = 16;
    s.extraAlpha = 0.3;
    Velmora::taskbar_parts::Body body(Velmora::Theme::shared(), [&] { return s; });
    body.resize(613, 48);
    // A button's rounded outline beside a strip along the trailing end, pieces starting inside
    // tiles, at a tile's first column and in the ends, and one across the whole body.
    QRegion button = QRegion(101, 6, 48, 36) + QRegion(103, 4, 44, 40) + QRegion(100, 10, 50, 28);
    const QRegion parts[] = {
        button + QRegion(590, 0, 23, 48),
        QRegion(5, 0, 3, 48) + QRegion(60, 20, 200, 2) + QRegion(597, 47, 16, 1),
        QRegion(0, 10, 613, 5) + QRegion(300, 30, 1, 1) + QRegion(272, 40, 1, 3),
    };
    for (const auto& part : parts)
        EXPECT_EQ(rendered(body, part), clipped(filledShape(body.size(), s), part))
            << part.boundingRect().x() << "," << part.boundingRect().y();
}

// A widget of fixed size hints, for comparing placements.
struct Hinted : QWidget {
    struct Hints {
        QSizePolicy::Policy policy;
        QSize hint, least, maximum;
    } hints;
    Hinted(const Hints& hints, QWidget* parent) : QWidget(parent), hints(hints) {
        setSizePolicy(hints.policy, hints.policy);
        setMaximumSize(hints.maximum);
    }
    QSize sizeHint() const override { return hints.hint; }
    QSize minimumSizeHint() const override { return hints.least; }
};

TEST(PlaceAlone, PutsAWidgetWhereALayoutHoldingOnlyItWould) {
    platform::qt::GuiTestLoop loop;
    const int unlimited = QWIDGETSIZE_MAX;
    const Hinted::Hints cases[] = {
        {QSizePolicy::Preferred, {48, 56}, {8, 40}, {unlimited, unlimited}},
        {QSizePolicy::Preferred, {48, 56}, {8, 40}, {0, unlimited}},
        {QSizePolicy::Preferred, {48, 56}, {8, 40}, {7, unlimited}},
        {QSizePolicy::Preferred, {48, 56}, {30, 40}, {47, 30}},
        {QSizePolicy::Fixed, {20, 56}, {8, 40}, {unlimited, unlimited}},
        {QSizePolicy::Maximum, {60, 20}, {50, 10}, {unlimited, unlimited}},
        {QSizePolicy::Expanding, {10, 10}, {0, 0}, {33, 100}},
    };
    for (const auto& c : cases)
        for (QSize space : {QSize(48, 56), QSize(180, 56), QSize(25, 40), QSize(3, 80)}) {
            QWidget boxed, placed;
            auto* layout = new QHBoxLayout(&boxed);
            layout->setContentsMargins(0, 0, 0, 0);
            auto* laidOut = new Hinted(c, nullptr);
            layout->addWidget(laidOut);
            layout->setGeometry(QRect(QPoint(0, 0), space));
            auto* alone = new Hinted(c, &placed);
            Velmora::taskbar_parts::placeAlone(alone, QRect(QPoint(0, 0), space));
            EXPECT_EQ(alone->geometry(), laidOut->geometry())
                << "max " << c.maximum.width() << ", in " << space.width() << "x" << space.height();
        }
}
