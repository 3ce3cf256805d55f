#include "platform/qt/ScreenGeometry.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>

namespace platform::qt {
namespace {

Rect rectOf(const QRectF& rect) { return Rect::make(rect.x(), rect.y(), rect.width(), rect.height()); }

// The placement holding most of `rect` in the coordinates `area` picks, else the nearest one.
template <class Area>
const ScreenPlacement* bestPlacement(const Rect& rect, const std::vector<ScreenPlacement>& placements,
                                     Area area) {
    const ScreenPlacement* best = nullptr;
    double bestOverlap = 0;
    for (const auto& placement : placements) {
        double overlap = area(placement).overlapArea(rect);
        if (overlap > bestOverlap) {
            bestOverlap = overlap;
            best = &placement;
        }
    }
    if (best) return best;
    Point centre{rect.minX() + rect.width() / 2, rect.minY() + rect.height() / 2};
    for (const auto& placement : placements)
        if (area(placement).contains(centre)) return &placement;
    double bestDistance = std::numeric_limits<double>::infinity();
    for (const auto& placement : placements) {
        double d = area(placement).distanceTo(centre);
        if (d < bestDistance) {
            bestDistance = d;
            best = &placement;
        }
    }
    return best;
}

const ScreenPlacement* placementForPlatform(const Rect& rect,
                                            const std::vector<ScreenPlacement>& placements) {
    return bestPlacement(rect, placements, [](const ScreenPlacement& p) { return p.screen.frame; });
}

// Qt rectangles here have y growing downwards; only areas and distances are compared.
const ScreenPlacement* placementForQt(const Rect& rect, const std::vector<ScreenPlacement>& placements) {
    return bestPlacement(rect, placements,
                         [](const ScreenPlacement& p) { return rectOf(QRectF(p.qtGeometry)); });
}

std::atomic<int>& ownReservation() {
    static std::atomic<int> height{0};
    return height;
}

}  // namespace

void noteOwnBottomReservation(int devicePixels) {
    auto& kept = ownReservation();
    int now = kept.load();
    while (devicePixels > now && !kept.compare_exchange_weak(now, devicePixels)) {}
}

int ownBottomReservation() { return ownReservation().load(); }

QRect availableWithoutOwnReservation(const QRect& geometry, const QRect& available, double ratio,
                                     int ownReservation) {
    int screenBottom = geometry.y() + geometry.height();
    int gap = screenBottom - (available.y() + available.height());
    if (gap <= 0 || gap * ratio > ownReservation + 0.5) return available;
    return QRect(available.x(), available.y(), available.width(), screenBottom - available.y());
}

std::string screenIdentifier(const QScreen& screen) {
    auto identifier = screen.name().toStdString();
    auto serial = screen.serialNumber();
    if (!serial.isEmpty()) identifier += "#" + serial.toStdString();
    return identifier;
}

std::vector<QtScreen> qtScreens() {
    std::vector<QtScreen> result;
    for (auto* screen : QGuiApplication::screens()) {
        auto name = (screen->manufacturer() + " " + screen->model()).trimmed();
        auto identifier = screenIdentifier(*screen);
        auto available = availableWithoutOwnReservation(screen->geometry(), screen->availableGeometry(),
                                                        screen->devicePixelRatio(), ownBottomReservation());
        result.push_back(QtScreen{identifier, (name.isEmpty() ? screen->name() : name).toStdString(),
                                  screen->geometry(), available, screen->devicePixelRatio()});
    }
    return result;
}

std::vector<Screen> platformScreens(const std::vector<QtScreen>& screens) {
    std::vector<Screen> result;
    if (screens.empty()) return result;
    const QRect& first = screens.front().geometry;
    double originX = first.x();
    double originY = first.y() + first.height();  // Qt's y of the platform's y = 0
    for (const auto& screen : screens) {
        const QRect& g = screen.geometry;
        const QRect& a = screen.availableGeometry;
        Rect frame = Rect::make(g.x() - originX, originY - (g.y() + g.height()), g.width(), g.height());
        // The available area in the screen's own scale, measured from the screen's own corner.
        Rect visible =
            Rect::make(frame.origin.x + (a.x() - g.x()),
                       frame.origin.y + ((g.y() + g.height()) - (a.y() + a.height())), a.width(), a.height());
        result.push_back(Screen{screen.identifier, screen.name, frame, visible, screen.devicePixelRatio});
    }
    return result;
}

std::vector<ScreenPlacement> placements(const std::vector<Screen>& screens, const std::vector<QtScreen>& qt) {
    std::vector<ScreenPlacement> result;
    for (std::size_t i = 0; i < screens.size(); ++i) {
        const auto& screen = screens[i];
        auto match = std::find_if(qt.begin(), qt.end(), [&](const QtScreen& candidate) {
            return candidate.identifier == screen.identifier;
        });
        QRect geometry;
        if (match != qt.end())
            geometry = match->geometry;
        else if (i < qt.size())
            geometry = qt[i].geometry;
        else if (!qt.empty())
            geometry = qt.front().geometry;
        else
            geometry =
                QRect(0, 0, static_cast<int>(screen.frame.width()), static_cast<int>(screen.frame.height()));
        result.push_back(ScreenPlacement{screen, geometry});
    }
    return result;
}

std::vector<ScreenPlacement> currentPlacements() {
    auto qt = qtScreens();
    auto screens = Screens::screens();
    if (screens.empty()) screens = platformScreens(qt);
    return placements(screens, qt);
}

QRect toQt(const Rect& frame, const std::vector<ScreenPlacement>& placements) {
    double left = frame.minX();
    double top = -frame.maxY();
    if (auto* placement = placementForPlatform(frame, placements)) {
        left = placement->qtGeometry.x() + (frame.minX() - placement->screen.frame.minX());
        top = placement->qtGeometry.y() + (placement->screen.frame.maxY() - frame.maxY());
    }
    // Rounding both edges keeps neighbouring rectangles meeting without gaps.
    auto x = std::lround(left), y = std::lround(top);
    auto right = std::lround(left + frame.width()), bottom = std::lround(top + frame.height());
    return QRect(static_cast<int>(x), static_cast<int>(y), static_cast<int>(right - x),
                 static_cast<int>(bottom - y));
}

Rect fromQt(const QRect& geometry, const std::vector<ScreenPlacement>& placements) {
    auto rect = rectOf(QRectF(geometry));
    if (auto* placement = placementForQt(rect, placements)) {
        const QRect& q = placement->qtGeometry;
        const Rect& frame = placement->screen.frame;
        return Rect::make(frame.minX() + (geometry.x() - q.x()),
                          frame.maxY() - (geometry.y() - q.y()) - geometry.height(), geometry.width(),
                          geometry.height());
    }
    return Rect::make(geometry.x(), -(geometry.y() + geometry.height()), geometry.width(), geometry.height());
}

QPointF toQt(const Point& point, const std::vector<ScreenPlacement>& placements) {
    if (auto* placement = placementForPlatform(Rect{point, {0, 0}}, placements)) {
        const QRect& q = placement->qtGeometry;
        const Rect& frame = placement->screen.frame;
        return QPointF(q.x() + (point.x - frame.minX()), q.y() + (frame.maxY() - point.y));
    }
    return QPointF(point.x, -point.y);
}

Point fromQt(const QPointF& point, const std::vector<ScreenPlacement>& placements) {
    if (auto* placement = placementForQt(Rect{{point.x(), point.y()}, {0, 0}}, placements)) {
        const QRect& q = placement->qtGeometry;
        const Rect& frame = placement->screen.frame;
        return Point{frame.minX() + (point.x() - q.x()), frame.maxY() - (point.y() - q.y())};
    }
    return Point{point.x(), -point.y()};
}

}  // namespace platform::qt
