#include "platform/system/Image.h"

#include <atomic>
#include <fstream>
#include <iterator>

#include "platform/foundation/FileManager.h"

namespace platform {

struct Image::Storage {
    std::string bytes;
    Size size;
    Format format = Format::none;
    std::uint64_t identity = 0;
};

namespace {

std::atomic<std::uint64_t> nextIdentity{1};

Image::Format detectFormat(const std::string& bytes) {
    static const std::string pngSignature("\x89PNG\r\n\x1a\n", 8);
    if (bytes.compare(0, pngSignature.size(), pngSignature) == 0) return Image::Format::png;
    // An SVG document may start with an XML declaration, comments or white space.
    auto head = bytes.substr(0, 1024);
    if (head.find("<svg") != std::string::npos) return Image::Format::svg;
    return Image::Format::none;
}

std::uint32_t bigEndian32(const std::string& bytes, std::size_t offset) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
    return value;
}

// The pixel size from a PNG's IHDR chunk, which always comes first.
Size pngSize(const std::string& bytes) {
    if (bytes.size() < 24 || bytes.compare(12, 4, "IHDR") != 0) return {};
    return Size{static_cast<double>(bigEndian32(bytes, 16)), static_cast<double>(bigEndian32(bytes, 20))};
}

}  // namespace

Image::Image(std::string bytes, Size size) {
    auto storage = std::make_shared<Storage>();
    storage->format = detectFormat(bytes);
    if (size == Size{} && storage->format == Format::png) size = pngSize(bytes);
    storage->bytes = std::move(bytes);
    storage->size = size;
    storage->identity = nextIdentity.fetch_add(1, std::memory_order_relaxed);
    storage_ = std::move(storage);
}

std::optional<Image> Image::contentsOfFile(const std::string& path, Size size) {
    // Icons are small; a FIFO or a device named as one is never read.
    constexpr std::uint64_t maximumSize = 16u << 20;
    auto bytes = FileManager::shared()->readFile(path, maximumSize);
    if (!bytes) return std::nullopt;
    Image image(std::move(*bytes), size);
    if (image.format() == Format::none) return std::nullopt;
    return image;
}

const std::string& Image::data() const {
    static const std::string empty;
    return storage_ ? storage_->bytes : empty;
}

Size Image::size() const { return storage_ ? storage_->size : Size{}; }

Image::Format Image::format() const { return storage_ ? storage_->format : Format::none; }

std::uint64_t Image::identity() const { return storage_ ? storage_->identity : 0; }

bool operator==(const Image& a, const Image& b) {
    if (a.storage_ == b.storage_) return true;
    if (!a.storage_ || !b.storage_) return false;
    return a.storage_->size == b.storage_->size && a.storage_->bytes == b.storage_->bytes;
}

}  // namespace platform
