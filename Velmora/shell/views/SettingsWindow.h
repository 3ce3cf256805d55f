#pragma once

#include <memory>
#include <optional>

#include "Velmora/taskbar/views/BaseWindow.h"
#include "platform/system/Screen.h"

namespace Velmora {

class SettingsManager;
class SettingsView;

// The window around a SettingsView; nothing of its own beyond BaseWindow.
class SettingsWindow : public BaseWindow {
public:
    static constexpr const char* windowTitle = "Settings";

    using BaseWindow::BaseWindow;

    // A new settings window titled "Settings" around a new SettingsView, set up for `display`
    // (the main screen unless given) with `onClose`: it comes to the front on the next turn of
    // the main queue. The caller keeps the window.
    static std::shared_ptr<SettingsWindow> open(OnClose onClose,
                                                std::optional<platform::Screen> display = std::nullopt,
                                                std::shared_ptr<SettingsManager> settings = nullptr);

    SettingsView* settingsView() const;
};

// The main screen, or an empty screen value when the system reports none.
platform::Screen mainDisplay();

}  // namespace Velmora
