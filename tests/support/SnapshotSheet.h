#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <Qt>
#include <algorithm>
#include <string>
#include <vector>

// Pictures for review by eye, written under the build's snapshot folder (VELMORA_SNAPSHOT_DIR).
namespace test_support {

// The images in a row (or a column), `gap` apart and `margin` from the edges, on one background.
inline QImage snapshotSheet(const std::vector<QImage>& images, Qt::Orientation orientation, int gap,
                            int margin, const QColor& background) {
    const bool row = orientation == Qt::Horizontal;
    int along = 2 * margin, across = 0;
    for (const auto& image : images) {
        along += row ? image.width() : image.height();
        across = std::max(across, row ? image.height() : image.width());
    }
    if (!images.empty()) along += gap * static_cast<int>(images.size() - 1);
    across += 2 * margin;
    QImage sheet(row ? along : across, row ? across : along, QImage::Format_ARGB32);
    sheet.fill(background);
    QPainter painter(&sheet);
    int at = margin;
    for (const auto& image : images) {
        painter.drawImage(row ? at : margin, row ? margin : at, image);
        at += (row ? image.width() : image.height()) + gap;
    }
    return sheet;
}

// Saves `name`.png; false, with the path in a failure, when it cannot.
inline bool saveSnapshot(const QImage& image, const std::string& name) {
    QDir().mkpath(VELMORA_SNAPSHOT_DIR);
    const auto path = std::string(VELMORA_SNAPSHOT_DIR) + "/" + name + ".png";
    if (image.save(QString::fromStdString(path))) return true;
    ADD_FAILURE() << "cannot write " << path;
    return false;
}

}  // namespace test_support
