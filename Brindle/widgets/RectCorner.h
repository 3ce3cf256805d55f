#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <utility>

namespace Brindle {

// A set of rectangle corners.
struct RectCorner {
    std::uint8_t rawValue = 0;

    static constexpr RectCorner topLeft() { return RectCorner{1}; }
    static constexpr RectCorner topRight() { return RectCorner{2}; }
    static constexpr RectCorner bottomLeft() { return RectCorner{4}; }
    static constexpr RectCorner bottomRight() { return RectCorner{8}; }

    constexpr RectCorner() = default;
    constexpr explicit RectCorner(std::uint8_t raw) : rawValue(raw) {}
    // The union of the listed members.
    constexpr RectCorner(std::initializer_list<RectCorner> members) {
        for (auto member : members) rawValue |= member.rawValue;
    }

    constexpr RectCorner unionWith(RectCorner other) const { return RectCorner(rawValue | other.rawValue); }
    constexpr RectCorner intersection(RectCorner other) const {
        return RectCorner(rawValue & other.rawValue);
    }
    constexpr RectCorner symmetricDifference(RectCorner other) const {
        return RectCorner(rawValue ^ other.rawValue);
    }
    constexpr RectCorner subtracting(RectCorner other) const {
        return RectCorner(static_cast<std::uint8_t>(rawValue & ~other.rawValue));
    }

    constexpr bool contains(RectCorner member) const {
        return (rawValue & member.rawValue) == member.rawValue;
    }
    constexpr bool isEmpty() const { return rawValue == 0; }
    constexpr bool isSubset(RectCorner other) const { return (rawValue & other.rawValue) == rawValue; }
    constexpr bool isSuperset(RectCorner other) const { return other.isSubset(*this); }
    constexpr bool isDisjoint(RectCorner other) const { return (rawValue & other.rawValue) == 0; }

    // Whether the member was newly inserted, and the member as it now stands in the set.
    constexpr std::pair<bool, RectCorner> insert(RectCorner member) {
        if (contains(member)) return {false, intersection(member)};
        rawValue |= member.rawValue;
        return {true, member};
    }
    // The removed members, none when none was present.
    constexpr std::optional<RectCorner> remove(RectCorner member) {
        auto present = intersection(member);
        rawValue = subtracting(member).rawValue;
        if (present.isEmpty()) return std::nullopt;
        return present;
    }
    // Inserts the member; the part of it that was already present, if any.
    constexpr std::optional<RectCorner> update(RectCorner member) {
        auto present = intersection(member);
        rawValue |= member.rawValue;
        if (present.isEmpty()) return std::nullopt;
        return present;
    }

    friend constexpr bool operator==(RectCorner, RectCorner) = default;
};

}  // namespace Brindle
