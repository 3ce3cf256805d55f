#pragma once

#include <QColor>
#include <QPixmap>
#include <QSize>
#include <optional>

#include "platform/system/Image.h"

class QSvgRenderer;

namespace platform::qt {

// Decodes an image for drawing, fitted into `size` (in points; empty: the image's own size) at
// the given pixel ratio. Results are cached by the image's identity. A null pixmap when the bytes
// cannot be decoded. Main thread only.
QPixmap pixmap(const Image& image, const QSize& size = QSize(), qreal devicePixelRatio = 1.0);
// The same, decoded anew and kept by nobody but the caller: for a view that holds its own picture
// and lets it go with itself.
QPixmap decodedPixmap(const Image& image, const QSize& size = QSize(), qreal devicePixelRatio = 1.0);

// Draws an SVG fitted into `size`, keeping its proportions and centred; with `tint`, every
// drawn pixel takes that colour (a template image).
QPixmap renderSvg(QSvgRenderer& renderer, const QSize& size, qreal devicePixelRatio,
                  std::optional<QColor> tint = std::nullopt);

}  // namespace platform::qt
