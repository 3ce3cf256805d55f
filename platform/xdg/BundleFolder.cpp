#include "platform/xdg/BundleFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string_view>

#include "platform/foundation/FileManager.h"

namespace platform::xdg {
namespace {

namespace fs = std::filesystem;

// Temporary folders beside the bundles: one being built, or one on its way out. Neither name
// holds ".app", so no scan of the folder takes them for a bundle.
constexpr const char* buildingPrefix = ".new-";
constexpr const char* leavingPrefix = ".old-";
// The whole-folder copies an earlier version built beside the folder.
constexpr const char* earlierCopyPrefix = ".Applications-";
constexpr std::uint64_t maximumInfoSize = 1u << 20;
constexpr std::uint64_t maximumIconCopySize = 4u << 20;

bool isTemporary(std::string_view name) {
    return name.starts_with(buildingPrefix) || name.starts_with(leavingPrefix);
}

// A temporary folder beside the bundles, to be filled or renamed over.
std::optional<std::string> temporaryFolder(const std::string& folder, const char* prefix) {
    std::string path = folder + "/" + prefix + "XXXXXX";
    if (!::mkdtemp(path.data())) return std::nullopt;
    return path;
}

bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << bytes;
    return static_cast<bool>(file.flush());
}

std::vector<std::string> folderItems(const std::string& folder) {
    std::vector<std::string> names;
    if (DIR* directory = ::opendir(folder.c_str())) {
        while (dirent* item = ::readdir(directory)) {
            std::string_view name = item->d_name;
            if (name != "." && name != "..") names.emplace_back(name);
        }
        ::closedir(directory);
    }
    return names;
}

}  // namespace

BundleFolder::BundleFolder(std::string root) : root_(std::move(root)) {}

std::string BundleFolder::path() const { return root_ + "/Applications"; }

void BundleFolder::create() const {
    std::error_code error;
    fs::create_directories(root_ + "/System/Applications", error);
    fs::create_directories(path(), error);
}

std::map<std::string, BundleContents> BundleFolder::read() const {
    std::map<std::string, BundleContents> bundles;
    auto files = FileManager::shared();
    for (const auto& name : names()) {
        if (!name.ends_with(".app")) continue;
        auto contents = path() + "/" + name + "/Contents/";
        BundleContents bundle;
        bundle.info = files->readFile(contents + "Info.plist", maximumInfoSize).value_or("");
        for (const auto& icon : folderItems(contents + "Resources")) {
            std::array<char, 4096> target{};
            auto length =
                ::readlink((contents + "Resources/" + icon).c_str(), target.data(), target.size() - 1);
            bundle.iconName = icon;
            if (length > 0)
                bundle.iconTarget = std::string(target.data(), static_cast<std::size_t>(length));
            else
                bundle.iconData =
                    files->readFile(contents + "Resources/" + icon, maximumIconCopySize).value_or("");
        }
        bundles.emplace(name.substr(0, name.size() - 4), std::move(bundle));
    }
    return bundles;
}

std::vector<std::string> BundleFolder::names() const {
    auto names = folderItems(path());
    std::erase_if(names, [](const auto& name) { return isTemporary(name); });
    return names;
}

bool BundleFolder::write(const std::string& id, const BundleContents& bundle) const {
    auto building = temporaryFolder(path(), buildingPrefix);
    if (!building) return false;
    std::error_code error;
    auto icon = *building + "/Contents/Resources/" + bundle.iconName;
    bool ok = fs::create_directories(*building + "/Contents/Resources", error) &&
              writeFile(*building + "/Contents/Info.plist", bundle.info) &&
              (bundle.iconName.empty() ||
               (bundle.iconTarget.empty() ? writeFile(icon, bundle.iconData)
                                          : ::symlink(bundle.iconTarget.c_str(), icon.c_str()) == 0));
    auto target = path() + "/" + id + ".app";
    if (ok) {
        // Readers see the old bundle or the new one, never a mixture.
        struct stat status {};
        if (::lstat(target.c_str(), &status) == 0)
            ok = ::renameat2(AT_FDCWD, building->c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) == 0;
        else
            ok = ::rename(building->c_str(), target.c_str()) == 0;
    }
    // The old bundle after an exchange, or what failed.
    fs::remove_all(*building, error);
    return ok;
}

bool BundleFolder::remove(const std::string& name) const {
    auto leaving = temporaryFolder(path(), leavingPrefix);
    if (!leaving) return false;
    // Gone in one step for readers; the files go after.
    bool ok = ::rename((path() + "/" + name).c_str(), leaving->c_str()) == 0;
    std::error_code error;
    fs::remove_all(*leaving, error);
    return ok;
}

void BundleFolder::removeLeftovers() const {
    // One program updates the folder at a time, so every temporary of ours is a leftover.
    std::error_code error;
    for (const auto& name : folderItems(root_))
        if (name.starts_with(earlierCopyPrefix)) fs::remove_all(root_ + "/" + name, error);
    for (const auto& name : folderItems(path()))
        if (isTemporary(name)) fs::remove_all(path() + "/" + name, error);
}

}  // namespace platform::xdg
