#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A random (version 4) universally unique identifier.
class UUID {
public:
    using Bytes = std::array<std::uint8_t, 16>;

    UUID();
    explicit UUID(const Bytes& bytes) : bytes_(bytes) {}
    static std::optional<UUID> fromString(std::string_view text);

    // Upper-case "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX".
    std::string uuidString() const;
    const Bytes& bytes() const { return bytes_; }

    friend auto operator<=>(const UUID&, const UUID&) = default;
    friend bool operator==(const UUID&, const UUID&) = default;

private:
    Bytes bytes_;
};

}  // namespace platform

template <>
struct std::hash<platform::UUID> {
    std::size_t operator()(const platform::UUID& uuid) const noexcept;
};
