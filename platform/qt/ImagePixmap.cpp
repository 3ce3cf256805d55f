#include "platform/qt/ImagePixmap.h"

#include <QPainter>
#include <QPixmapCache>
#include <QSvgRenderer>
#include <cmath>

namespace platform::qt {
namespace {

QRectF fitted(const QSizeF& content, const QSizeF& area) {
    if (content.isEmpty()) return QRectF(QPointF(0, 0), area);
    QSizeF size = content.scaled(area, Qt::KeepAspectRatio);
    return QRectF(QPointF((area.width() - size.width()) / 2, (area.height() - size.height()) / 2), size);
}

QSize naturalSize(const Image& image) {
    auto size = image.size();
    return QSize(static_cast<int>(std::lround(size.width)), static_cast<int>(std::lround(size.height)));
}

}  // namespace

QPixmap renderSvg(QSvgRenderer& renderer, const QSize& size, qreal devicePixelRatio,
                  std::optional<QColor> tint) {
    if (!renderer.isValid() || size.isEmpty()) return {};
    QSize pixels(static_cast<int>(std::ceil(size.width() * devicePixelRatio)),
                 static_cast<int>(std::ceil(size.height() * devicePixelRatio)));
    QImage canvas(pixels, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter painter(&canvas);
        painter.setRenderHint(QPainter::Antialiasing);
        renderer.render(&painter, fitted(renderer.viewBoxF().size(), QSizeF(pixels)));
        if (tint) {
            painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
            painter.fillRect(canvas.rect(), *tint);
        }
    }
    canvas.setDevicePixelRatio(devicePixelRatio);
    return QPixmap::fromImage(std::move(canvas));
}

QPixmap decodedPixmap(const Image& image, const QSize& requested, qreal devicePixelRatio) {
    if (image.isEmpty()) return {};
    QSize size = requested.isEmpty() ? naturalSize(image) : requested;
    const auto& bytes = image.data();
    QByteArray data(bytes.data(), static_cast<qsizetype>(bytes.size()));
    if (image.format() == Image::Format::svg) {
        QSvgRenderer renderer(data);
        if (size.isEmpty()) size = renderer.defaultSize();
        return renderSvg(renderer, size, devicePixelRatio);
    }
    QImage decoded;
    if (!decoded.loadFromData(data)) return {};
    if (size.isEmpty()) size = decoded.size();
    QSize pixels(static_cast<int>(std::ceil(size.width() * devicePixelRatio)),
                 static_cast<int>(std::ceil(size.height() * devicePixelRatio)));
    QImage scaled = decoded.scaled(pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(devicePixelRatio);
    return QPixmap::fromImage(std::move(scaled));
}

QPixmap pixmap(const Image& image, const QSize& requested, qreal devicePixelRatio) {
    if (image.isEmpty()) return {};
    QSize size = requested.isEmpty() ? naturalSize(image) : requested;
    auto key = QStringLiteral("velmora-image:%1:%2x%3@%4")
                   .arg(image.identity())
                   .arg(size.width())
                   .arg(size.height())
                   .arg(devicePixelRatio);
    QPixmap result;
    if (QPixmapCache::find(key, &result)) return result;
    result = decodedPixmap(image, size, devicePixelRatio);
    if (!result.isNull()) QPixmapCache::insert(key, result);
    return result;
}

}  // namespace platform::qt
