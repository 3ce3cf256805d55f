#pragma once

#include <QColor>
#include <QPointer>
#include <QRect>
#include <QRegion>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <type_traits>

#include "platform/base/NotificationCenter.h"
#include "platform/system/Geometry.h"
#include "platform/system/Screen.h"

class QWidget;

namespace platform::qt {

// The platform's values, so settings written as numbers keep their meaning.
enum class WindowStyleMask : std::uint64_t {
    borderless = 0,
    titled = 1 << 0,
    closable = 1 << 1,
    miniaturizable = 1 << 2,
    resizable = 1 << 3,
    fullSizeContentView = 1 << 15,
};

enum class WindowCollectionBehavior : std::uint64_t {
    none = 0,
    canJoinAllSpaces = 1 << 0,
    moveToActiveSpace = 1 << 1,
    managed = 1 << 2,
    transient = 1 << 3,
    stationary = 1 << 4,
    participatesInCycle = 1 << 5,
    ignoresCycle = 1 << 6,
    fullScreenPrimary = 1 << 7,
    fullScreenAuxiliary = 1 << 8,
    fullScreenNone = 1 << 9,
};

template <class E>
concept WindowBitmask = std::is_same_v<E, WindowStyleMask> || std::is_same_v<E, WindowCollectionBehavior>;

template <WindowBitmask E>
constexpr E operator|(E a, E b) {
    return static_cast<E>(static_cast<std::uint64_t>(a) | static_cast<std::uint64_t>(b));
}
template <WindowBitmask E>
constexpr E operator&(E a, E b) {
    return static_cast<E>(static_cast<std::uint64_t>(a) & static_cast<std::uint64_t>(b));
}
template <WindowBitmask E>
constexpr bool contains(E set, E member) {
    return (static_cast<std::uint64_t>(set) & static_cast<std::uint64_t>(member)) ==
           static_cast<std::uint64_t>(member);
}

// Levels by the platform's numbers; anything above `normal` stays above ordinary windows.
enum class WindowLevel : int {
    normal = 0,
    floating = 3,
    modalPanel = 8,
    mainMenu = 24,
    statusBar = 25,
    popUpMenu = 101,
    screenSaver = 1000,
};

class Window;

// Told about a window's changes; every callback runs on the main thread.
class WindowDelegate {
public:
    virtual ~WindowDelegate() = default;
    virtual void windowDidBecomeKey(Window&) {}
    virtual void windowDidResignKey(Window&) {}
    virtual void windowDidBecomeMain(Window&) {}
    virtual void windowDidResignMain(Window&) {}
    virtual void windowWillClose(Window&) {}
    virtual void windowDidChangeOcclusionState(Window&) {}
};

// A top-level window hosting a widget. Its frame is in the platform's coordinates (origin at the
// bottom-left of the first screen, y up) and is converted through the screen it lies on. The
// window manager draws any title bar outside the frame. Main thread only.
class Window {
public:
    // Posted on the default notification centre whenever any window's occlusion changes.
    static constexpr const char* didChangeOcclusionStateNotification =
        "NSWindowDidChangeOcclusionStateNotification";
    static constexpr WindowStyleMask defaultStyleMask = WindowStyleMask::titled | WindowStyleMask::closable |
                                                        WindowStyleMask::miniaturizable |
                                                        WindowStyleMask::resizable;

    explicit Window(const Rect& contentRect, WindowStyleMask styleMask = defaultStyleMask);
    // A window made around a view: sized to the view's preferred size, centred on the main screen.
    explicit Window(QWidget* contentView, WindowStyleMask styleMask = defaultStyleMask);
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Takes ownership of `view`, replacing (and deleting) the one before.
    void setContentView(QWidget* view);
    QWidget* contentView() const;
    // The top-level Qt widget behind the window.
    QWidget* widget() const;

    Rect frame() const { return frame_; }
    // `display` repaints at once; `animate` moves and resizes smoothly unless animations are instant.
    void setFrame(const Rect& frame, bool display, bool animate = false);
    // The screen holding most of the window, absent when it lies on none.
    std::optional<Screen> screen() const;

    WindowStyleMask styleMask() const { return styleMask_; }
    void setStyleMask(WindowStyleMask mask);
    WindowLevel level() const { return level_; }
    void setLevel(WindowLevel level);
    // Stored; Qt maps only `ignoresCycle` (kept out of the window switcher).
    WindowCollectionBehavior collectionBehavior() const { return collectionBehavior_; }
    void setCollectionBehavior(WindowCollectionBehavior behavior);

    bool isOpaque() const { return opaque_; }
    void setOpaque(bool opaque);
    bool hasShadow() const { return hasShadow_; }
    void setHasShadow(bool hasShadow);
    // A colour with alpha below 1 (clear) makes the window translucent where nothing is drawn.
    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& color);

    std::string title() const { return title_; }
    void setTitle(const std::string& title);
    bool titlebarAppearsTransparent() const { return titlebarAppearsTransparent_; }
    void setTitlebarAppearsTransparent(bool transparent);
    bool titleHidden() const { return titleHidden_; }
    void setTitleHidden(bool hidden);
    // Hides the close, minimise and zoom buttons.
    bool standardButtonsHidden() const { return standardButtonsHidden_; }
    void setStandardButtonsHidden(bool hidden);

    // The part of the window that shows (a widget inside it, of the outline `shape` gives for its
    // rectangle in the window, the whole rectangle without one); the rest is see-through, and the
    // pointer there reaches what lies below. Follows the part as it moves, resizes, shows or hides,
    // then calls `changed`.
    using PartShape = std::function<QRegion(const QRect&)>;
    void setVisiblePart(QWidget* part, std::function<void()> changed = {}, PartShape shape = {});
    // The shown part in the window's own coordinates; the whole window when no part was given.
    QRegion visibleRegion() const;
    // Reserves `height` points along the bottom of the window's screen (0 releases them), so that
    // maximised windows stop above them.
    void setReservedBottomEdge(double height);
    double reservedBottomEdge() const { return reservedBottomEdge_; }
    // Puts the window above every other. A window manager may keep a focused full-screen window
    // above every window it manages: only a window that bypasses it goes above that.
    void raiseAboveAll();
    // A window manager that holds on to the window longer than this is taken to have let go.
    static constexpr double windowManagerReleaseTimeout = 2.0;
    bool bypassesWindowManager() const { return bypassesWindowManager_; }
    // A shown window is hidden for the change and shows again once the window manager has let
    // go of it; showing it meanwhile waits for that too.
    void setBypassesWindowManager(bool bypass);

    // A borderless window refuses to become key or main, as on the platform; subclasses may accept.
    virtual bool canBecomeKeyWindow() const;
    virtual bool canBecomeMainWindow() const;
    bool isKeyWindow() const { return isKey_; }
    bool isMainWindow() const { return isMain_; }
    bool isVisible() const;
    // True while some part of the window can be seen (shown, not minimised, exposed).
    bool occlusionStateVisible() const { return occlusionVisible_; }

    void makeKeyAndOrderFront();
    void makeMainWindow();
    void orderFront();
    void orderFrontRegardless();
    void orderOut();
    // Tells the delegate, then hides the window. The window can be shown again. The delegate may
    // release the window; an override that still uses the window after that keeps itself alive.
    virtual void close();

    void setDelegate(std::weak_ptr<WindowDelegate> delegate) { delegate_ = std::move(delegate); }
    std::shared_ptr<WindowDelegate> delegate() const { return delegate_.lock(); }

    class Host;

private:
    friend class Host;
    void applyFlags();
    void applyGeometry(const QRect& geometry);
    void show(bool activate);
    void activationChanged(bool active);
    void becomeKey();
    void becomeMain();
    void resignKey();
    void resignMain();
    void orderedOut();
    void geometryChangedByQt();
    void updateOcclusion();
    static bool isX11();
    void updateVisibleRegion();
    // The native window's shape and reserved edge, which a new native window loses.
    void applyNativeExtras();
    void observeWindowManager();
    // What the window manager that went was told about the shown window, told to the new one.
    void windowManagerDidChange();

    Host* host_;
    Rect frame_;
    QRect appliedGeometry_;
    WindowStyleMask styleMask_;
    WindowLevel level_ = WindowLevel::normal;
    WindowCollectionBehavior collectionBehavior_ = WindowCollectionBehavior::none;
    bool opaque_ = true;
    bool hasShadow_ = true;
    QColor backgroundColor_;
    std::string title_;
    bool titlebarAppearsTransparent_ = false;
    bool titleHidden_ = false;
    bool standardButtonsHidden_ = false;
    bool isKey_ = false;
    bool isMain_ = false;
    bool occlusionVisible_ = false;
    bool closing_ = false;
    bool ignoreNextActivation_ = false;
    QPointer<QWidget> visiblePart_;
    bool hasVisiblePart_ = false;
    std::function<void()> visiblePartChanged_;
    PartShape visiblePartShape_;
    QRegion visibleRegion_;
    double reservedBottomEdge_ = 0;
    bool bypassesWindowManager_ = false;
    // Hidden to change whether it bypasses the window manager, until the manager has let go.
    bool awaitingRelease_ = false;
    bool showWhenReleased_ = false;
    std::weak_ptr<WindowDelegate> delegate_;
    std::shared_ptr<NotificationCenter::Token> windowManagerToken_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace platform::qt
