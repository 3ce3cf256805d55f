#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/system/Geometry.h"

namespace platform {

// An immutable image: its encoded bytes (PNG or SVG) and its size in points. Copies share the
// bytes, so it is cheap to pass around and safe to read from any thread. Decoding happens only
// where it is drawn.
class Image {
public:
    enum class Format { none, png, svg };

    // The empty image.
    Image() = default;
    // `size` may be left empty for PNG data, whose header gives it.
    Image(std::string bytes, Size size = {});

    // Reads a PNG or SVG file; absent when it cannot be read or holds neither format.
    static std::optional<Image> contentsOfFile(const std::string& path, Size size = {});

    const std::string& data() const;
    Size size() const;
    Format format() const;
    bool isEmpty() const { return !storage_; }

    // Equal for every copy of one image and different for every other image made in this
    // process, so it can key caches of decoded pixels.
    std::uint64_t identity() const;

    friend bool operator==(const Image& a, const Image& b);

private:
    struct Storage;
    std::shared_ptr<const Storage> storage_;
};

}  // namespace platform
