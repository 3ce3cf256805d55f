#pragma once

#include <any>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

#include "Brindle/Object.h"
#include "platform/foundation/URL.h"

namespace brindle_ui {

// Declared beside the bridge; it has no behaviour of its own.
class WindowFixer : public Brindle::Object {};

// The class a plug-in offers: it answers messages by selector name, sent with or without one
// argument. An empty answer means none.
class PluginClass {
public:
    virtual ~PluginClass() = default;
    virtual std::any perform(const std::string& selector, const std::optional<std::any>& argument) = 0;
};

// Hands desktop chores to the plug-in class "MacApp" of the bundle "MacApp.bundle" in the
// application's plug-ins folder. The plug-in is looked up once, on first use; without it, or
// when it answers with a value of another kind, every operation does nothing or answers no value.
class PluginBridge {
public:
    // Finds the plug-in class; null when there is none.
    using Loader = std::function<std::shared_ptr<PluginClass>()>;

    explicit PluginBridge(Loader loader) : loader_(std::move(loader)) {}

    // The process's bridge, loading the bundle from the plug-ins folder.
    static PluginBridge& shared();

    // A loaded bundle makes its classes known here.
    static void registerClass(const std::string& name, std::shared_ptr<PluginClass> pluginClass);
    static std::shared_ptr<PluginClass> classNamed(const std::string& name);
    // "PlugIns" beside the running program.
    static std::string pluginsFolder();

    std::shared_ptr<PluginClass> plugin();

    void openSystemPreferencesFullDiskAccess();
    void openMailApp();
    std::optional<platform::URL> homeDirectory();
    void executeShell(const std::string& command);
    void openFile(const std::string& path);
    // x, then y.
    std::optional<std::pair<double, double>> mousePosition();

private:
    std::any send(const std::string& selector, const std::optional<std::any>& argument = std::nullopt);
    void sendText(const std::string& text, const std::string& selector);

    Loader loader_;
    std::once_flag once_;
    std::shared_ptr<PluginClass> plugin_;
};

}  // namespace brindle_ui
