#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>

#include "platform/qt/Symbols.h"

using namespace platform::qt;

// Renders the symbol set, in two tints, and the image assets to PNG files for review by eye.
TEST(Snapshots, SymbolsAndAssets) {
    QDir().mkpath(VELMORA_SNAPSHOT_DIR);
    auto names = Symbols::names();
    names.push_back("unknown.symbol");
    constexpr int cell = 40, symbol = 24, columns = 9;
    int rows = static_cast<int>((names.size() + columns - 1) / columns);
    QImage sheet(columns * cell, rows * cell * 2, QImage::Format_ARGB32);
    sheet.fill(Qt::white);
    {
        QPainter painter(&sheet);
        painter.fillRect(0, rows * cell, sheet.width(), rows * cell, QColor(0x17, 0x18, 0x18));
        for (std::size_t i = 0; i < names.size(); ++i) {
            int x = static_cast<int>(i % columns) * cell + (cell - symbol) / 2;
            int y = static_cast<int>(i / columns) * cell + (cell - symbol) / 2;
            painter.drawPixmap(x, y,
                               Symbols::pixmap(names[i], QSize(symbol, symbol), QColor(0x1d, 0x21, 0x2a)));
            painter.drawPixmap(x, y + rows * cell,
                               Symbols::pixmap(names[i], QSize(symbol, symbol), QColor(0xfc, 0xfb, 0xfa)));
        }
    }
    auto path = QStringLiteral(VELMORA_SNAPSHOT_DIR "/symbols.png");
    ASSERT_TRUE(sheet.save(path));

    QImage assets(4 * 160, 160, QImage::Format_ARGB32);
    assets.fill(QColor(0xf6, 0xf6, 0xf6));
    {
        QPainter painter(&assets);
        int x = 0;
        for (const auto* name : {"MainMenu", "Logo", "OnboardingPermission", "Test"}) {
            painter.drawPixmap(x + 8, 8, Assets::pixmap(name, QSize(144, 144)));
            x += 160;
        }
    }
    ASSERT_TRUE(assets.save(QStringLiteral(VELMORA_SNAPSHOT_DIR "/assets.png")));

    // Not blank: a good share of both halves differs from the background.
    QImage saved(path);
    int dark = 0, light = 0;
    for (int y = 0; y < saved.height(); ++y)
        for (int x = 0; x < saved.width(); ++x) {
            QColor pixel = saved.pixelColor(x, y);
            if (y < rows * cell && pixel.lightness() < 128) ++dark;
            if (y >= rows * cell && pixel.lightness() > 128) ++light;
        }
    EXPECT_GT(dark, static_cast<int>(names.size()) * 30);
    EXPECT_GT(light, static_cast<int>(names.size()) * 30);
}
