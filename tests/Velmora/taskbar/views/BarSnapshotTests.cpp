#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <string>
#include <vector>

#include "platform/qt/Appearance.h"
#include "tests/Velmora/taskbar/views/BarViewTesting.h"
#include "tests/support/SnapshotSheet.h"

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
    std::vector<QImage> images;
    for (auto theme : {TaskbarTheme::fullscreenLeft, TaskbarTheme::fullscreenCenter, TaskbarTheme::centered})
        images.push_back(render(theme));
    test_support::expectMatchesReference(test_support::snapshotSheet(images, Qt::Vertical, 10, 0, Qt::white),
                                         "taskbar-layouts");
    platform::qt::Appearance::shared()->setColorSchemeOverride(std::nullopt);
}
