#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <string>

#include "platform/qt/Appearance.h"
#include "tests/Velmora/taskbar/views/BarViewTesting.h"

using bar_view_testing::Bar;
using Velmora::TaskbarTheme;

namespace {

constexpr int sheetWidth = 1000;

QImage render(TaskbarTheme theme) {
    Bar bar(sheetWidth);
    bar.desktop.settings->taskbarTheme.accept(theme);
    bar.settle();
    QImage image(sheetWidth, 86, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(0x5a, 0x7d, 0xa8));
    QPainter painter(&image);
    bar.view->render(&painter, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

}  // namespace

TEST(BarSnapshots, EachLayout) {
    platform::qt::Appearance::shared()->setColorSchemeOverride(platform::qt::ColorScheme::dark);
    QImage sheet(sheetWidth, 3 * 86 + 2 * 10, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(Qt::white);
    QPainter painter(&sheet);
    int y = 0;
    for (auto theme :
         {TaskbarTheme::fullscreenLeft, TaskbarTheme::fullscreenCenter, TaskbarTheme::centered}) {
        auto image = render(theme);
        painter.drawImage(0, y, image);
        y += 86 + 10;
    }
    painter.end();
    QDir().mkpath(VELMORA_SNAPSHOT_DIR);
    auto path = std::string(VELMORA_SNAPSHOT_DIR) + "/taskbar-layouts.png";
    EXPECT_TRUE(sheet.save(QString::fromStdString(path))) << path;
    platform::qt::Appearance::shared()->setColorSchemeOverride(std::nullopt);
}
