#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <set>

#include "platform/qt/ImagePixmap.h"
#include "platform/qt/Symbols.h"

using namespace platform;
using namespace platform::qt;

namespace {

const std::vector<std::string> requiredSymbols{"pin",
                                               "pin.slash",
                                               "pip.exit",
                                               "gearshape",
                                               "power",
                                               "sleep",
                                               "terminal",
                                               "fn",
                                               "control",
                                               "option",
                                               "command",
                                               "square",
                                               "checkmark.square",
                                               "square.slash",
                                               "chevron.down",
                                               "chevron.left",
                                               "trash",
                                               "house",
                                               "desktopcomputer",
                                               "square.and.arrow.down",
                                               "rectangle.center.inset.filled",
                                               "arrow.uturn.down.square",
                                               "arrow.right.and.line.vertical.and.arrow.left",
                                               "arrow.down.to.line",
                                               "arrow.down.right.and.arrow.up.left",
                                               "magnifyingglass"};

// Counts the drawn pixels and checks they all have `color`'s hue (a template image).
int drawnPixels(const QPixmap& pixmap, std::optional<QColor> color = std::nullopt) {
    auto image = pixmap.toImage().convertToFormat(QImage::Format_ARGB32);
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            QColor pixel = image.pixelColor(x, y);
            if (pixel.alpha() == 0) continue;
            ++drawn;
            if (color && pixel.alpha() == 255) {
                EXPECT_EQ(pixel.rgb(), color->rgb());
            }
        }
    }
    return drawn;
}

}  // namespace

TEST(Symbols, EveryNameTheProgramUsesIsDrawnInTheRequestedColour) {
    std::set<std::string> available;
    for (const auto& name : Symbols::names()) available.insert(name);
    for (const auto& name : requiredSymbols) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(available.count(name));
        EXPECT_TRUE(Symbols::contains(name));
        auto pixmap = Symbols::pixmap(name, QSize(24, 24), QColor(0, 146, 217));
        EXPECT_EQ(pixmap.size(), QSize(24, 24));
        int drawn = drawnPixels(pixmap, QColor(0, 146, 217));
        EXPECT_GT(drawn, 24);
        EXPECT_LT(drawn, 24 * 24 * 3 / 4);
    }
}

TEST(Symbols, DistinctSymbolsLookDistinct) {
    std::set<QByteArray> looks;
    for (const auto& name : requiredSymbols) {
        auto image = Symbols::pixmap(name, QSize(32, 32), Qt::black).toImage();
        looks.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    }
    EXPECT_EQ(looks.size(), requiredSymbols.size());
}

TEST(Symbols, UnknownNamesDrawTheFallbackGlyph) {
    EXPECT_FALSE(Symbols::contains("chevron.sideways"));
    EXPECT_FALSE(Symbols::contains(""));
    auto fallback = Symbols::pixmap("chevron.sideways", QSize(24, 24), Qt::red).toImage();
    EXPECT_GT(drawnPixels(QPixmap::fromImage(fallback), QColor(Qt::red)), 24);
    EXPECT_EQ(fallback, Symbols::pixmap("no.such.symbol", QSize(24, 24), Qt::red).toImage());
    EXPECT_NE(fallback, Symbols::pixmap("square", QSize(24, 24), Qt::red).toImage());
}

TEST(Symbols, IconsDrawAtAnySizeAndPixelRatio) {
    auto icon = Symbols::icon("gearshape", Qt::darkGray);
    auto small = icon.pixmap(QSize(16, 16));
    EXPECT_EQ(small.size(), QSize(16, 16));
    EXPECT_GT(drawnPixels(small), 0);
    auto sharp = Symbols::pixmap("gearshape", QSize(20, 20), Qt::black, 2.0);
    EXPECT_EQ(sharp.size(), QSize(40, 40));
    EXPECT_EQ(sharp.deviceIndependentSize(), QSizeF(20, 20));
}

TEST(Assets, TheProgramsImagesAreFoundByName) {
    for (const auto* name : {"MainMenu", "Logo", "OnboardingPermission", "Test"}) {
        SCOPED_TRACE(name);
        auto image = Assets::image(name);
        ASSERT_TRUE(image);
        EXPECT_EQ(image->format(), Image::Format::svg);
        EXPECT_GT(image->size().width, 0);
        EXPECT_EQ(image->identity(), Assets::image(name)->identity());
        EXPECT_GT(drawnPixels(Assets::pixmap(name, QSize(64, 64))), 64);
    }
    // Tinted into one colour, the menu image keeps its shape only through transparent gaps.
    auto menu = Assets::pixmap("MainMenu", QSize(64, 64)).toImage();
    for (auto gap : {QPoint(32, 16), QPoint(16, 32), QPoint(32, 32), QPoint(1, 1)})
        EXPECT_EQ(qAlpha(menu.pixel(gap)), 0) << gap.x() << "," << gap.y();
    EXPECT_EQ(qAlpha(menu.pixel(16, 16)), 255);
    EXPECT_FALSE(Assets::image("Missing"));
    EXPECT_TRUE(Assets::pixmap("Missing", QSize(64, 64)).isNull());
    // "Test" is drawn as a template in the colour it is given.
    drawnPixels(Assets::pixmap("Test", QSize(80, 60), 1.0, QColor(Qt::blue)), QColor(Qt::blue));
}

TEST(ImagePixmap, PngAndSvgImagesDecodeAtTheRequestedSize) {
    QImage source(8, 4, QImage::Format_ARGB32);
    source.fill(Qt::green);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        source.save(&buffer, "PNG");
    }
    Image pngImage(std::string(png.constData(), static_cast<std::size_t>(png.size())));
    EXPECT_EQ(pngImage.size(), (Size{8, 4}));
    auto natural = pixmap(pngImage);
    EXPECT_EQ(natural.size(), QSize(8, 4));
    EXPECT_EQ(natural.toImage().pixelColor(2, 2), QColor(Qt::green));
    EXPECT_EQ(pixmap(pngImage, QSize(16, 8), 2.0).size(), QSize(32, 16));

    auto svg = Assets::image("Logo");
    ASSERT_TRUE(svg);
    EXPECT_EQ(pixmap(*svg, QSize(32, 32)).size(), QSize(32, 32));

    EXPECT_TRUE(pixmap(Image()).isNull());
    EXPECT_TRUE(pixmap(Image(std::string("\x89PNG\r\n\x1a\nbroken", 14), Size{4, 4})).isNull());
}
