#include "platform/sim/BundleWriter.h"

#include <cstdio>
#include <fstream>
#include <iterator>

#include "platform/foundation/FileManager.h"
#include "platform/foundation/JSONNesting.h"

namespace platform::sim {
namespace {

using nlohmann::json;

std::string escaped(const std::string& text) {
    std::string result;
    for (char c : text) {
        switch (c) {
            case '&':
                result += "&amp;";
                break;
            case '<':
                result += "&lt;";
                break;
            case '>':
                result += "&gt;";
                break;
            default:
                result += c;
        }
    }
    return result;
}

void append(std::string& out, const json& value, const std::string& indent) {
    // Each level indents by one tab; deeper values than a file can be read back with are left out.
    if (indent.size() >= maximumJSONDepth) return;
    if (value.is_string()) {
        out += indent + "<string>" + escaped(value.get<std::string>()) + "</string>\n";
    } else if (value.is_boolean()) {
        out += indent + (value.get<bool>() ? "<true/>\n" : "<false/>\n");
    } else if (value.is_number_integer()) {
        out += indent + "<integer>" + value.dump() + "</integer>\n";
    } else if (value.is_number()) {
        out += indent + "<real>" + value.dump() + "</real>\n";
    } else if (value.is_array()) {
        out += indent + "<array>\n";
        for (const auto& element : value) append(out, element, indent + "\t");
        out += indent + "</array>\n";
    } else if (value.is_object()) {
        out += indent + "<dict>\n";
        for (const auto& [key, element] : value.items()) {
            if (element.is_null()) continue;
            out += indent + "\t<key>" + escaped(key) + "</key>\n";
            append(out, element, indent + "\t");
        }
        out += indent + "</dict>\n";
    }
}

std::string bundleName(const std::string& path) {
    auto name = path.substr(path.find_last_of('/') + 1);
    if (name.ends_with(".app")) name.resize(name.size() - 4);
    return name;
}

// Icons and property lists are small; a FIFO or a device named as one is never read.
constexpr std::uint64_t maximumFileSize = 16u << 20;

std::optional<std::string> contents(const std::string& path) {
    return FileManager::shared()->readFile(path, maximumFileSize);
}

// Readers see the old bytes or the new ones. Not synced to disk: the folders are the desktop's
// scratch, rewritten from the scenario at every start.
void writeIfChanged(const std::string& path, const std::string& bytes) {
    auto real = FileManager::shared()->resolvedPath(path);
    if (contents(real) == bytes) return;
    auto temporary = real + ".writing";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file << bytes;
        if (!file) return;
    }
    std::rename(temporary.c_str(), real.c_str());
}

}  // namespace

std::string infoPropertyList(const ApplicationDescription& description) {
    auto name = description.name.value_or(bundleName(description.bundlePath.value_or("")));
    json info = json::object();
    info["CFBundleExecutable"] = name;
    if (description.bundleIdentifier) info["CFBundleIdentifier"] = *description.bundleIdentifier;
    if (description.name) info["CFBundleName"] = *description.name;
    info["CFBundlePackageType"] = "APPL";
    info["CFBundleShortVersionString"] = "1.0";
    if (description.icon) info["CFBundleIconFile"] = "AppIcon";
    for (const auto& [key, value] : description.info.items()) info[key] = value;

    std::string out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
        "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
        "<plist version=\"1.0\">\n";
    append(out, info, "");
    out += "</plist>\n";
    return out;
}

void writeBundle(const ApplicationDescription& description) {
    if (!description.bundlePath) return;
    const auto& path = *description.bundlePath;
    auto files = FileManager::shared();
    (void)files->createDirectory(path + "/Contents/MacOS", true);
    writeIfChanged(path + "/Contents/Info.plist", infoPropertyList(description));
    auto iconPath = path + "/Contents/Resources/AppIcon.png";
    auto icon = description.icon ? contents(*description.icon) : std::nullopt;
    if (icon) {
        (void)files->createDirectory(path + "/Contents/Resources", true);
        writeIfChanged(iconPath, *icon);
    } else if (files->fileExists(iconPath)) {
        (void)files->removeItem(iconPath);
    }
}

void removeBundle(const std::string& path) { (void)FileManager::shared()->removeItem(path); }

}  // namespace platform::sim
