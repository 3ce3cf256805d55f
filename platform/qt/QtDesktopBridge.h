#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/system/Geometry.h"
#include "platform/system/Screen.h"

class QScreen;

namespace platform::qt {

// Modifier flags by the platform's bit values.
namespace ModifierFlag {
constexpr std::uint64_t shift = 1 << 17;
constexpr std::uint64_t control = 1 << 18;
constexpr std::uint64_t option = 1 << 19;
constexpr std::uint64_t command = 1 << 20;
constexpr std::uint64_t function = 1 << 23;
}  // namespace ModifierFlag

// Screens, pointer and keys of the real display (or Xvfb, or the offscreen platform) as the
// platform reports them. Main thread only.
class QtDesktopBridge final : public QObject {
    Q_OBJECT
public:
    using ScreensHandler = std::function<void(std::vector<Screen>)>;

    // Reports Qt's screens at once and after every change (added, removed, moved, resized,
    // rescaled). Without a handler they go to `platform::Screens`.
    explicit QtDesktopBridge(ScreensHandler handler = {}, QObject* parent = nullptr);

    static std::vector<Screen> currentScreens();
    // The pointer in the platform's coordinates (y up from the first screen's bottom edge).
    static Point mouseLocation();
    // The keyboard modifiers held now. Qt cannot see the function key, so that flag never shows.
    static std::uint64_t modifierFlags();
    // Control is the Ctrl key, option the Alt key and command the Meta (Super) key.
    static std::uint64_t modifierFlags(Qt::KeyboardModifiers modifiers);

private:
    void watch(QScreen* screen);
    void report();

    ScreensHandler handler_;
};

}  // namespace platform::qt
