#pragma once

#include <gtest/gtest.h>

#include <QColor>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <Qt>
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

// Pictures of the views, compared with references committed next to their tests.
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

// Saves `name`.png under the build's snapshot folder; false, with the path in a failure, when it
// cannot.
inline bool saveSnapshot(const QImage& image, const std::string& name) {
    QDir().mkpath(VELMORA_SNAPSHOT_DIR);
    const auto path = std::string(VELMORA_SNAPSHOT_DIR) + "/" + name + ".png";
    if (image.save(QString::fromStdString(path))) return true;
    ADD_FAILURE() << "cannot write " << path;
    return false;
}

// Compares `image` with the reference `name`.png in the test folder's snapshots/
// (VELMORA_SNAPSHOT_REFERENCES). Both are compared at half size, which keeps the references small
// and forgives a shifted edge; a pixel has changed when a channel moved by more than `tolerance`,
// and at most `changedShare` of them may change. On a mismatch the picture and a map of the
// changed pixels are saved under the build's snapshot folder for review.
// To write the references anew after an intended change, run the test with
// VELMORA_UPDATE_SNAPSHOTS=1, look at the pictures and commit them.
inline void expectMatchesReference(const QImage& image, const std::string& name, int tolerance = 40,
                                   double changedShare = 0.01) {
    const QImage actual = image.convertToFormat(QImage::Format_ARGB32)
                              .scaled(image.size() / 2, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const auto referencePath =
        QString::fromStdString(std::string(VELMORA_SNAPSHOT_REFERENCES) + "/" + name + ".png");
    if (!qEnvironmentVariableIsEmpty("VELMORA_UPDATE_SNAPSHOTS")) {
        QDir().mkpath(VELMORA_SNAPSHOT_REFERENCES);
        EXPECT_TRUE(actual.save(referencePath)) << "cannot write " << referencePath.toStdString();
        return;
    }
    const QImage reference = QImage(referencePath).convertToFormat(QImage::Format_ARGB32);
    if (reference.isNull()) {
        saveSnapshot(actual, name);
        ADD_FAILURE() << "no reference " << referencePath.toStdString()
                      << " (VELMORA_UPDATE_SNAPSHOTS=1 writes it)";
        return;
    }
    if (reference.size() != actual.size()) {
        saveSnapshot(actual, name);
        ADD_FAILURE() << name << ": " << actual.width() << "x" << actual.height() << " instead of "
                      << reference.width() << "x" << reference.height();
        return;
    }
    QImage changes(actual.size(), QImage::Format_ARGB32);
    changes.fill(Qt::white);
    long changed = 0;
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x) {
            const QRgb a = actual.pixel(x, y), b = reference.pixel(x, y);
            const int distance = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                           std::abs(qBlue(a) - qBlue(b)), std::abs(qAlpha(a) - qAlpha(b))});
            if (distance > tolerance) {
                ++changed;
                changes.setPixel(x, y, qRgb(255, 0, 0));
            }
        }
    const double share =
        static_cast<double>(changed) / (static_cast<double>(actual.width()) * actual.height());
    if (share > changedShare) {
        saveSnapshot(actual, name);
        saveSnapshot(changes, name + "-changes");
        ADD_FAILURE() << name << ": " << changed << " pixels changed (" << share * 100 << " %)";
    }
}

}  // namespace test_support
