#include "platform/qt/Symbols.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QIconEngine>
#include <QPainter>
#include <QPalette>
#include <QPixmapCache>
#include <QSvgRenderer>
#include <map>
#include <memory>

#include "platform/qt/ImagePixmap.h"

namespace platform::qt {
namespace {

// Drawn for names we have no symbol for, so a typo shows up instead of an empty space.
constexpr const char* fallbackSymbol = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 24 24">
<rect x="3" y="3" width="18" height="18" rx="4" fill="none" stroke="#000" stroke-width="2"/>
<path d="M9.5 9.5a2.5 2.5 0 1 1 3.5 2.3c-.6.3-1 .9-1 1.6v.6" fill="none" stroke="#000" stroke-width="2"
 stroke-linecap="round"/><circle cx="12" cy="17" r="1.25" fill="#000"/></svg>)";

QString symbolPath(const std::string& name) {
    return QStringLiteral(":/symbols/%1.svg").arg(QString::fromStdString(name));
}

QString assetPath(const std::string& name) {
    for (const auto* suffix : {".svg", ".png"}) {
        auto path = QStringLiteral(":/assets/%1%2").arg(QString::fromStdString(name), QLatin1String(suffix));
        if (QFile::exists(path)) return path;
    }
    return {};
}

// Parsed once per name; main thread only, like every caller.
QSvgRenderer& symbolRenderer(const std::string& name) {
    static std::map<std::string, std::unique_ptr<QSvgRenderer>> renderers;
    auto key = Symbols::contains(name) ? name : std::string();
    auto& renderer = renderers[key];
    if (!renderer) {
        renderer = key.empty() ? std::make_unique<QSvgRenderer>(QByteArray(fallbackSymbol))
                               : std::make_unique<QSvgRenderer>(symbolPath(key));
    }
    return *renderer;
}

class SymbolIconEngine final : public QIconEngine {
public:
    SymbolIconEngine(std::string name, QColor color) : name_(std::move(name)), color_(color) {}

    void paint(QPainter* painter, const QRect& rect, QIcon::Mode mode, QIcon::State) override {
        qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
        painter->drawPixmap(rect, Symbols::pixmap(name_, rect.size(), colorFor(mode), ratio));
    }

    QPixmap pixmap(const QSize& size, QIcon::Mode mode, QIcon::State) override {
        return Symbols::pixmap(name_, size, colorFor(mode));
    }

    QPixmap scaledPixmap(const QSize& size, QIcon::Mode mode, QIcon::State, qreal scale) override {
        return Symbols::pixmap(name_, size / scale, colorFor(mode), scale);
    }

    QIconEngine* clone() const override { return new SymbolIconEngine(name_, color_); }
    QString key() const override { return QStringLiteral("velmora-symbol"); }
    QString iconName() override { return QString::fromStdString(name_); }

private:
    QColor colorFor(QIcon::Mode mode) const {
        auto palette = QGuiApplication::palette();
        if (mode == QIcon::Disabled) return palette.color(QPalette::Disabled, QPalette::WindowText);
        return color_.isValid() ? color_ : palette.color(QPalette::Active, QPalette::WindowText);
    }

    std::string name_;
    QColor color_;
};

}  // namespace

std::vector<std::string> Symbols::names() {
    std::vector<std::string> result;
    for (const auto& file :
         QDir(QStringLiteral(":/symbols")).entryList({QStringLiteral("*.svg")}, QDir::Files))
        result.push_back(file.chopped(4).toStdString());
    return result;
}

bool Symbols::contains(const std::string& name) { return !name.empty() && QFile::exists(symbolPath(name)); }

QPixmap Symbols::pixmap(const std::string& name, const QSize& size, const QColor& color,
                        qreal devicePixelRatio) {
    auto key = QStringLiteral("velmora-symbol:%1:%2x%3:%4@%5")
                   .arg(QString::fromStdString(name))
                   .arg(size.width())
                   .arg(size.height())
                   .arg(color.rgba())
                   .arg(devicePixelRatio);
    QPixmap result;
    if (QPixmapCache::find(key, &result)) return result;
    result = renderSvg(symbolRenderer(name), size, devicePixelRatio, color);
    if (!result.isNull()) QPixmapCache::insert(key, result);
    return result;
}

QIcon Symbols::icon(const std::string& name, const QColor& color) {
    return QIcon(new SymbolIconEngine(name, color));
}

bool Assets::contains(const std::string& name) { return !name.empty() && !assetPath(name).isEmpty(); }

std::optional<Image> Assets::image(const std::string& name) {
    // One Image per asset, so pixmap caches keyed by identity keep working.
    static std::map<std::string, Image> loaded;
    if (auto found = loaded.find(name); found != loaded.end()) return found->second;
    auto path = assetPath(name);
    if (path.isEmpty()) return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
    auto bytes = file.readAll();
    Size size;
    if (path.endsWith(QStringLiteral(".svg"))) {
        QSvgRenderer renderer(bytes);
        size = Size{static_cast<double>(renderer.defaultSize().width()),
                    static_cast<double>(renderer.defaultSize().height())};
    }
    Image image(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())), size);
    loaded.emplace(name, image);
    return image;
}

QPixmap Assets::pixmap(const std::string& name, const QSize& size, qreal devicePixelRatio,
                       std::optional<QColor> tint) {
    auto path = assetPath(name);
    if (path.isEmpty()) return {};
    if (path.endsWith(QStringLiteral(".svg"))) {
        auto key = QStringLiteral("velmora-asset:%1:%2x%3:%4@%5")
                       .arg(QString::fromStdString(name))
                       .arg(size.width())
                       .arg(size.height())
                       .arg(tint ? tint->rgba() : 0u)
                       .arg(devicePixelRatio);
        QPixmap result;
        if (QPixmapCache::find(key, &result)) return result;
        QSvgRenderer renderer(path);
        result = renderSvg(renderer, size, devicePixelRatio, tint);
        if (!result.isNull()) QPixmapCache::insert(key, result);
        return result;
    }
    auto image = Assets::image(name);
    return image ? qt::pixmap(*image, size, devicePixelRatio) : QPixmap();
}

}  // namespace platform::qt
