#pragma once

#include <map>
#include <string>
#include <vector>

namespace platform::xdg {

// What one bundle holds: Contents/Info.plist and, with an icon, Contents/Resources/<iconName>:
// a link to `iconTarget`, or, without a target, a file of `iconData`.
struct BundleContents {
    std::string info;
    std::string iconName;
    std::string iconTarget;
    std::string iconData;

    friend bool operator==(const BundleContents&, const BundleContents&) = default;
};

// The folder of bundles "<root>/Applications". Each bundle is built beside the others and swapped
// in, or moved out, in one step, so readers see a bundle whole or not at all. One writer at a time.
class BundleFolder {
public:
    explicit BundleFolder(std::string root);

    // "<root>/Applications".
    std::string path() const;
    // Makes the folder (and the system's empty one, which the scan of applications also lists).
    void create() const;
    // The bundles there now by id, as far as their files tell.
    std::map<std::string, BundleContents> read() const;
    // The names of the folder's items, without the writer's own temporary folders.
    std::vector<std::string> names() const;
    bool write(const std::string& id, const BundleContents& contents) const;
    // Removes an item of the folder by name.
    bool remove(const std::string& name) const;
    // Removes what an update stopped by a crash or kill -9 left.
    void removeLeftovers() const;

private:
    const std::string root_;
};

}  // namespace platform::xdg
