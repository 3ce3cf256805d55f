#include <gtest/gtest.h>

#include <QBuffer>
#include <QPainter>
#include <memory>
#include <set>

#include "platform/qt/ImagePixmap.h"
#include "platform/qt/Symbols.h"

using namespace platform;
using namespace platform::qt;

// Every symbol the program draws.
const QStringList requiredSymbols =
    QString(
        "pin pin.slash pip.exit gearshape power sleep terminal fn control option command square "
        "checkmark.square square.slash chevron.down chevron.left trash house desktopcomputer "
        "square.and.arrow.down rectangle.center.inset.filled arrow.uturn.down.square arrow.down.to.line "
        "arrow.right.and.line.vertical.and.arrow.left arrow.down.right.and.arrow.up.left magnifyingglass")
        .split(' ');

// Counts the drawn pixels and checks the opaque ones have `color` (a template image).
static int drawnPixels(const QImage& drawing, std::optional<QColor> color = std::nullopt) {
    auto image = drawing.convertToFormat(QImage::Format_ARGB32);
    int drawn = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            QColor pixel = image.pixelColor(x, y);
            drawn += pixel.alpha() > 0;
            EXPECT_TRUE(!color || pixel.alpha() < 255 || pixel.rgb() == color->rgb()) << x << "," << y;
        }
    return drawn;
}

TEST(Symbols, EveryNameTheProgramUsesIsDrawnDistinctlyInTheRequestedColourAtAnySizeAndOthersAsTheFallback) {
    auto names = Symbols::names();
    std::set<QByteArray> looks;
    for (const auto& symbol : requiredSymbols) {
        auto name = symbol.toStdString();
        SCOPED_TRACE(name);
        EXPECT_TRUE(Symbols::contains(name) && std::count(names.begin(), names.end(), name));
        auto image = Symbols::pixmap(name, QSize(24, 24), QColor(0, 146, 217)).toImage();
        int drawn = drawnPixels(image, QColor(0, 146, 217));
        EXPECT_TRUE(image.size() == QSize(24, 24) && drawn > 24 && drawn < 24 * 24 * 3 / 4) << drawn;
        looks.insert(QByteArray(reinterpret_cast<const char*>(image.constBits()), image.sizeInBytes()));
    }
    EXPECT_EQ(looks.size(), static_cast<std::size_t>(requiredSymbols.size()))
        << "distinct symbols look distinct";
    EXPECT_FALSE(Symbols::contains("chevron.sideways") || Symbols::contains(""));
    auto fallback = Symbols::pixmap("chevron.sideways", QSize(24, 24), Qt::red).toImage();
    EXPECT_GT(drawnPixels(fallback, QColor(Qt::red)), 24);
    EXPECT_NE(fallback, Symbols::pixmap("square", QSize(24, 24), Qt::red).toImage());
    // Icons and pixmaps draw at any size and pixel ratio.
    auto icon = Symbols::icon("gearshape", Qt::darkGray);
    EXPECT_EQ(icon.pixmap(QSize(16, 16), 2.0).size(), QSize(32, 32));
    QImage painted(16, 16, QImage::Format_ARGB32);
    painted.fill(Qt::transparent);
    icon.paint(std::make_unique<QPainter>(&painted).get(), painted.rect());
    EXPECT_GT(drawnPixels(painted, QColor(Qt::darkGray)), 0);
    EXPECT_EQ(Symbols::pixmap("gearshape", QSize(20, 20), Qt::black, 2.0).deviceIndependentSize(),
              QSizeF(20, 20));
}

TEST(Assets, TheProgramsImagesAreFoundByName) {
    for (const auto* name : {"MainMenu", "Logo", "OnboardingPermission", "Test"}) {
        SCOPED_TRACE(name);
        auto image = Assets::image(name);
        ASSERT_TRUE(image);
        EXPECT_TRUE(image->format() == Image::Format::svg && image->size().width > 0);
        EXPECT_EQ(image->identity(), Assets::image(name)->identity());
        EXPECT_GT(drawnPixels(Assets::pixmap(name, QSize(64, 64)).toImage()), 64);
    }
    // Tinted into one colour, the menu image keeps its shape only through transparent gaps.
    auto menu = Assets::pixmap("MainMenu", QSize(64, 64)).toImage();
    for (auto gap : {QPoint(32, 16), QPoint(16, 32), QPoint(32, 32), QPoint(1, 1)})
        EXPECT_EQ(qAlpha(menu.pixel(gap)), 0) << gap.x() << "," << gap.y();
    EXPECT_EQ(qAlpha(menu.pixel(16, 16)), 255);
    EXPECT_TRUE(!Assets::image("Missing") && Assets::pixmap("Missing", QSize(64, 64)).isNull());
    // "Test" is drawn as a template in the colour it is given.
    drawnPixels(Assets::pixmap("Test", QSize(80, 60), 1.0, QColor(Qt::blue)).toImage(), QColor(Qt::blue));
}

TEST(ImagePixmap, PngAndSvgImagesDecodeAtTheRequestedSize) {
    QImage source(8, 4, QImage::Format_ARGB32);
    source.fill(Qt::green);
    QByteArray png;
    QBuffer buffer(&png);
    source.save(&buffer, "PNG");
    Image pngImage(png.toStdString());
    auto natural = pixmap(pngImage).toImage();
    EXPECT_TRUE(natural.size() == QSize(8, 4) && natural.pixelColor(2, 2) == QColor(Qt::green));
    EXPECT_EQ(pixmap(pngImage, QSize(16, 8), 2.0).size(), QSize(32, 16));
    EXPECT_EQ(pixmap(*Assets::image("Logo"), QSize(32, 32)).size(), QSize(32, 32));
    EXPECT_TRUE(pixmap(Image()).isNull());
    EXPECT_TRUE(pixmap(Image(std::string("\x89PNG\r\n\x1a\nbroken", 14), Size{4, 4})).isNull());
}
