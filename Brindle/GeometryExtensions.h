#pragma once

#include <cmath>
#include <concepts>

// Helpers for any point with `x` and `y` and any rectangle with `origin` and `size` (`width`,
// `height`), so the platform's geometry types and plain test values both fit.
namespace Brindle {

template <class P>
concept PointLike = requires(P p) {
    { p.x } -> std::convertible_to<double>;
    { p.y } -> std::convertible_to<double>;
};

template <class R>
concept RectLike = requires(R r) {
    requires PointLike<decltype(r.origin)>;
    { r.size.width } -> std::convertible_to<double>;
    { r.size.height } -> std::convertible_to<double>;
};

// The distance between the two points.
template <PointLike P>
double squaredDifferenceRoot(const P& point, const P& other) {
    return std::hypot(point.x - other.x, point.y - other.y);
}

template <PointLike P>
double horizontalDistance(const P& point, double x) {
    return std::abs(point.x - x);
}

template <PointLike P>
double verticalDistance(const P& point, double y) {
    return std::abs(point.y - y);
}

// Both ends included.
template <PointLike P>
bool isHorizontallyBetween(const P& point, double minimum, double maximum) {
    return minimum <= point.x && point.x <= maximum;
}

template <PointLike P>
bool isVerticallyBetween(const P& point, double minimum, double maximum) {
    return minimum <= point.y && point.y <= maximum;
}

// The origin moved by `offset`; width and height as the rectangle reports them, never negative.
template <RectLike R, PointLike P>
R moved(const R& rect, const P& offset) {
    R result = rect;
    result.origin.x += offset.x;
    result.origin.y += offset.y;
    result.size.width = std::abs(rect.size.width);
    result.size.height = std::abs(rect.size.height);
    return result;
}

}  // namespace Brindle
