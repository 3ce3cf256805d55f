#include "platform/foundation/URL.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <nlohmann/json.hpp>
#include <vector>

namespace platform {
namespace {

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHex(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int hexValue(char c) {
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return c - 'A' + 10;
}

bool isUnreserved(char c) { return isAlpha(c) || isDigit(c) || c == '-' || c == '.' || c == '_' || c == '~'; }
bool isSubDelimiter(char c) { return std::strchr("!$&'()*+,;=", c) != nullptr && c != '\0'; }
bool isAllowedInText(char c) {
    return isUnreserved(c) || isSubDelimiter(c) || (c != '\0' && std::strchr(":/?#[]@%", c) != nullptr);
}
bool isAllowedInPath(char c) {
    return isUnreserved(c) || isSubDelimiter(c) || c == ':' || c == '@' || c == '/';
}

std::string percentEncodedPath(std::string_view text) {
    static constexpr char digits[] = "0123456789ABCDEF";
    std::string result;
    result.reserve(text.size());
    for (char c : text) {
        if (isAllowedInPath(c)) {
            result += c;
        } else {
            auto byte = static_cast<unsigned char>(c);
            result += '%';
            result += digits[byte >> 4];
            result += digits[byte & 0xF];
        }
    }
    return result;
}

bool isValidUTF8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        auto byte = static_cast<unsigned char>(text[i]);
        std::size_t length;
        std::uint32_t codePoint;
        if (byte < 0x80) {
            ++i;
            continue;
        } else if ((byte & 0xE0) == 0xC0) {
            length = 2;
            codePoint = byte & 0x1F;
        } else if ((byte & 0xF0) == 0xE0) {
            length = 3;
            codePoint = byte & 0x0F;
        } else if ((byte & 0xF8) == 0xF0) {
            length = 4;
            codePoint = byte & 0x07;
        } else {
            return false;
        }
        if (i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            codePoint = (codePoint << 6) | (next & 0x3F);
        }
        static constexpr std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
        if (codePoint < smallest[length] || codePoint > 0x10FFFF ||
            (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

// Decodes text whose escapes were checked when the address was parsed.
std::string decodeChecked(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            result += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            result += text[i];
        }
    }
    return result;
}

std::string_view withoutTrailingSlash(std::string_view path) {
    if (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    return path;
}

}  // namespace

std::optional<URL> URL::fromString(std::string_view text) { return parse(std::string(text)); }

std::optional<URL> URL::parse(std::string text) {
    if (text.empty()) return std::nullopt;
    bool seenFragment = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (!isAllowedInText(c)) return std::nullopt;
        if (c == '%' && (i + 2 >= text.size() || !isHex(text[i + 1]) || !isHex(text[i + 2])))
            return std::nullopt;
        if (c == '#') {
            if (seenFragment) return std::nullopt;
            seenFragment = true;
        }
    }

    URL url;
    std::size_t position = 0;
    auto firstDelimiter = text.find_first_of(":/?#");
    if (firstDelimiter != std::string::npos && text[firstDelimiter] == ':') {
        if (firstDelimiter == 0 || !isAlpha(text[0])) return std::nullopt;
        for (std::size_t i = 1; i < firstDelimiter; ++i) {
            char c = text[i];
            if (!isAlpha(c) && !isDigit(c) && c != '+' && c != '-' && c != '.') return std::nullopt;
        }
        url.schemeLength_ = firstDelimiter;
        position = firstDelimiter + 1;
    }

    if (text.compare(position, 2, "//") == 0) {
        url.hasAuthority_ = true;
        std::size_t begin = position + 2;
        std::size_t end = text.find_first_of("/?#", begin);
        if (end == std::string::npos) end = text.size();
        std::string_view authority(text.data() + begin, end - begin);
        std::size_t hostBegin = begin;
        if (auto at = authority.rfind('@'); at != std::string_view::npos) hostBegin = begin + at + 1;
        std::size_t hostEnd = end;
        std::string_view hostAndPort(text.data() + hostBegin, end - hostBegin);
        if (!hostAndPort.empty() && hostAndPort.front() == '[') {
            auto close = hostAndPort.find(']');
            if (close == std::string_view::npos) return std::nullopt;
            std::string_view rest = hostAndPort.substr(close + 1);
            if (!rest.empty() && rest.front() != ':') return std::nullopt;
            hostEnd = hostBegin + close + 1;
        } else if (auto colon = hostAndPort.rfind(':'); colon != std::string_view::npos) {
            hostEnd = hostBegin + colon;
        }
        for (std::size_t i = hostEnd == end ? end : hostEnd + 1; i < end; ++i) {
            if (!isDigit(text[i])) return std::nullopt;
        }
        std::string_view host(text.data() + hostBegin, hostEnd - hostBegin);
        if (host.find_first_of("[]") != std::string_view::npos &&
            (host.front() != '[' || host.find_first_of("[]", 1) != host.size() - 1)) {
            return std::nullopt;
        }
        url.hostBegin_ = hostBegin;
        url.hostEnd_ = hostEnd;
        position = end;
    } else if (url.schemeLength_ == 0) {
        // A scheme-less reference: a colon before the first "/" would be read as a scheme.
        auto segmentEnd = text.find_first_of("/?#");
        if (text.find(':') < segmentEnd) return std::nullopt;
    }

    url.pathBegin_ = position;
    url.pathEnd_ = text.find_first_of("?#", position);
    if (url.pathEnd_ == std::string::npos) url.pathEnd_ = text.size();
    if (text.find_first_of("[]", url.pathBegin_) != std::string::npos) return std::nullopt;
    url.text_ = std::move(text);
    return url;
}

URL URL::fileURL(std::string_view path, bool isDirectory) {
    std::string absolute;
    if (path.empty() || path.front() != '/') {
        std::vector<char> buffer(4096);
        while (::getcwd(buffer.data(), buffer.size()) == nullptr && errno == ERANGE)
            buffer.resize(buffer.size() * 2);
        absolute = buffer.data();
        if (absolute.empty() || absolute.back() != '/') absolute += '/';
    }
    absolute += path;
    if (isDirectory && absolute.back() != '/') absolute += '/';
    auto url = parse("file://" + percentEncodedPath(absolute));
    if (!url) {
        std::fprintf(stderr, "URL: file address of \"%s\" does not parse\n", absolute.c_str());
        std::abort();
    }
    return *url;
}

std::optional<std::string> URL::scheme() const {
    if (schemeLength_ == 0) return std::nullopt;
    return text_.substr(0, schemeLength_);
}

std::optional<std::string> URL::host() const {
    if (!hasAuthority_ || hostEnd_ == hostBegin_) return std::nullopt;
    return decodeChecked(std::string_view(text_).substr(hostBegin_, hostEnd_ - hostBegin_));
}

std::string URL::path() const { return decodeChecked(withoutTrailingSlash(encodedPath())); }

std::string URL::lastPathComponent() const {
    auto path = withoutTrailingSlash(encodedPath());
    if (path == "/") return "/";
    auto slash = path.rfind('/');
    return decodeChecked(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string URL::pathExtension() const {
    auto name = lastPathComponent();
    auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || dot + 1 == name.size()) return "";
    return name.substr(dot + 1);
}

bool URL::isFileURL() const {
    if (schemeLength_ != 4) return false;
    for (std::size_t i = 0; i < 4; ++i) {
        if ((text_[i] | 0x20) != "file"[i]) return false;
    }
    return true;
}

URL URL::withEncodedPath(std::string_view path) const {
    auto url = parse(text_.substr(0, pathBegin_) + std::string(path) + text_.substr(pathEnd_));
    if (!url) {
        std::fprintf(stderr, "URL: changing the path of \"%s\" gave an invalid address\n", text_.c_str());
        std::abort();
    }
    return *url;
}

URL URL::appendingPathComponent(std::string_view name, bool isDirectory) const {
    std::string path(encodedPath());
    std::string component = percentEncodedPath(name);
    if (!component.empty()) {
        bool needsSlash = path.empty() ? hasAuthority_ : path.back() != '/';
        if (needsSlash && component.front() != '/') path += '/';
        if (!path.empty() && path.back() == '/' && component.front() == '/') component.erase(0, 1);
        path += component;
    }
    if (isDirectory && (path.empty() || path.back() != '/')) path += '/';
    return withEncodedPath(path);
}

URL URL::deletingLastPathComponent() const {
    auto path = withoutTrailingSlash(encodedPath());
    if (path.empty() || path == "/") return *this;
    auto slash = path.rfind('/');
    if (slash == std::string_view::npos) return withEncodedPath("./");
    return withEncodedPath(path.substr(0, slash + 1));
}

std::optional<std::string> URL::removingPercentEncoding(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && (i + 2 >= text.size() || !isHex(text[i + 1]) || !isHex(text[i + 2]))) {
            return std::nullopt;
        }
    }
    auto decoded = decodeChecked(text);
    if (!isValidUTF8(decoded)) return std::nullopt;
    return decoded;
}

}  // namespace platform

platform::URL nlohmann::adl_serializer<platform::URL>::from_json(const nlohmann::json& json) {
    auto url = platform::URL::fromString(json.get<std::string>());
    if (!url)
        throw nlohmann::json::other_error::create(501, "not a valid URL: " + json.get<std::string>(), &json);
    return *url;
}

void nlohmann::adl_serializer<platform::URL>::to_json(nlohmann::json& json, const platform::URL& url) {
    json = url.absoluteString();
}
