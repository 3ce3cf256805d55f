#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "Velmora/taskbar/views/TaskbarParts.h"
#include "Velmora/taskbar/views/Theme.h"
#include "platform/qt/testing/GuiTestLoop.h"

using Velmora::TaskbarThemeSettings;

namespace {

QImage rendered(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
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
