#include "ui-toolkit/ui/PluginBridge.h"

#include <dlfcn.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <system_error>

namespace brindle_ui {

namespace {

struct Registry {
    std::mutex mutex;
    std::map<std::string, std::shared_ptr<PluginClass>> classes;
};

Registry& registry() {
    static auto* instance = new Registry();
    return *instance;
}

std::optional<double> number(const std::any& answer) {
    if (auto value = std::any_cast<double>(&answer)) return *value;
    if (auto value = std::any_cast<float>(&answer)) return *value;
    if (auto value = std::any_cast<int>(&answer)) return *value;
    if (auto value = std::any_cast<long>(&answer)) return static_cast<double>(*value);
    if (auto value = std::any_cast<long long>(&answer)) return static_cast<double>(*value);
    return std::nullopt;
}

}  // namespace

PluginBridge& PluginBridge::shared() {
    static auto* bridge = new PluginBridge([] {
        auto bundle = (std::filesystem::path(pluginsFolder()) / "MacApp.bundle").string();
        // Whether it loads is not looked at: the class lookup decides.
        dlopen(bundle.c_str(), RTLD_NOW | RTLD_GLOBAL);
        return classNamed("MacApp");
    });
    return *bridge;
}

void PluginBridge::registerClass(const std::string& name, std::shared_ptr<PluginClass> pluginClass) {
    auto& classes = registry();
    std::lock_guard lock(classes.mutex);
    classes.classes[name] = std::move(pluginClass);
}

std::shared_ptr<PluginClass> PluginBridge::classNamed(const std::string& name) {
    auto& classes = registry();
    std::lock_guard lock(classes.mutex);
    auto found = classes.classes.find(name);
    return found == classes.classes.end() ? nullptr : found->second;
}

std::string PluginBridge::pluginsFolder() {
    std::error_code error;
    auto program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error) return "PlugIns";
    return (program.parent_path() / "PlugIns").string();
}

std::shared_ptr<PluginClass> PluginBridge::plugin() {
    std::call_once(once_, [this] {
        if (loader_) plugin_ = loader_();
    });
    return plugin_;
}

std::any PluginBridge::send(const std::string& selector, const std::optional<std::any>& argument) {
    auto target = plugin();  // kept alive for the call
    if (!target) return {};
    return target->perform(selector, argument);
}

void PluginBridge::sendText(const std::string& text, const std::string& selector) {
    send(selector, std::any(text));
}

void PluginBridge::openSystemPreferencesFullDiskAccess() {
    send("openSystemPreferencesFullDiskAccess:", std::any(0));
}

void PluginBridge::openMailApp() { send("openMailApp:", std::any(0)); }

std::optional<platform::URL> PluginBridge::homeDirectory() {
    auto answer = send("homeDirectory");
    if (auto url = std::any_cast<platform::URL>(&answer)) return *url;
    return std::nullopt;
}

void PluginBridge::executeShell(const std::string& command) { sendText(command, "executeShell:"); }

void PluginBridge::openFile(const std::string& path) { sendText(path, "openFile:"); }

std::optional<std::pair<double, double>> PluginBridge::mousePosition() {
    auto x = number(send("mousePositionX"));
    auto y = number(send("mousePositionY"));
    if (!x || !y) return std::nullopt;
    return std::pair{*x, *y};
}

}  // namespace brindle_ui
