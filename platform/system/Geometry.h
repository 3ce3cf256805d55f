#pragma once

#include <algorithm>
#include <cmath>

namespace platform {

struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

// A rectangle as the platform gives it; which way y grows depends on where it comes from.
struct Rect {
    Point origin;
    Size size;

    static constexpr Rect make(double x, double y, double width, double height) {
        return Rect{{x, y}, {width, height}};
    }

    double minX() const { return std::min(origin.x, origin.x + size.width); }
    double minY() const { return std::min(origin.y, origin.y + size.height); }
    double maxX() const { return std::max(origin.x, origin.x + size.width); }
    double maxY() const { return std::max(origin.y, origin.y + size.height); }
    double width() const { return maxX() - minX(); }
    double height() const { return maxY() - minY(); }
    bool isEmpty() const { return size.width == 0 || size.height == 0; }

    bool contains(const Point& point) const {
        return point.x >= minX() && point.x < maxX() && point.y >= minY() && point.y < maxY();
    }
    // True when `other` lies entirely inside; an empty rectangle is contained by nothing.
    bool contains(const Rect& other) const {
        if (isEmpty() || other.isEmpty()) return false;
        return other.minX() >= minX() && other.maxX() <= maxX() && other.minY() >= minY() &&
               other.maxY() <= maxY();
    }
    bool intersects(const Rect& other) const {
        return minX() < other.maxX() && other.minX() < maxX() && minY() < other.maxY() &&
               other.minY() < maxY();
    }

    // The area both rectangles cover; 0 when they only touch.
    double overlapArea(const Rect& other) const {
        double width = std::min(maxX(), other.maxX()) - std::max(minX(), other.minX());
        double height = std::min(maxY(), other.maxY()) - std::max(minY(), other.minY());
        return width > 0 && height > 0 ? width * height : 0;
    }
    // How far the point lies outside; 0 inside or on the edge.
    double distanceTo(const Point& point) const {
        double dx = std::max({minX() - point.x, 0.0, point.x - maxX()});
        double dy = std::max({minY() - point.y, 0.0, point.y - maxY()});
        return std::hypot(dx, dy);
    }

    friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace platform
