#include "platform/qt/Window.h"

#include <QApplication>
#include <QPointer>
#include <QWidget>
#include <QWindow>
#include <cmath>

#include "platform/base/NotificationCenter.h"
#include "platform/qt/QtAnimation.h"
#include "platform/qt/ScreenGeometry.h"
#include "platform/qt/WindowHost.h"
#include "platform/qt/X11WindowType.h"
#include "platform/qt/X11Withdrawal.h"
#include "platform/system/WindowManagerNotification.h"

namespace platform::qt {

namespace {

std::vector<Screen> knownScreens() {
    auto screens = Screens::screens();
    return screens.empty() ? platformScreens(qtScreens()) : screens;
}

// Key and main status are ours: Qt activates any window it shows on some platforms, and a window
// that refuses key status must not take it from the key window.
Window* keyWindow = nullptr;
Window* mainWindow = nullptr;

bool isOffscreen() { return QGuiApplication::platformName() == QLatin1String("offscreen"); }

Rect centredOnMainScreen(QSize size) {
    auto main = Screens::mainScreen();
    auto screens = knownScreens();
    Rect area = main ? main->visibleFrame : (screens.empty() ? Rect{} : screens.front().visibleFrame);
    return Rect::make(area.minX() + (area.width() - size.width()) / 2,
                      area.minY() + (area.height() - size.height()) / 2, size.width(), size.height());
}

}  // namespace

Window::Window(const Rect& contentRect, WindowStyleMask styleMask)
    : host_(new Host(this)), frame_(contentRect), styleMask_(styleMask) {
    applyGeometry(toQt(frame_, currentPlacements()));
    observeWindowManager();
}

Window::Window(QWidget* contentView, WindowStyleMask styleMask)
    : host_(new Host(this)), styleMask_(styleMask) {
    QSize size;
    if (contentView) size = contentView->sizeHint().expandedTo(contentView->minimumSizeHint());
    if (size.width() <= 0 || size.height() <= 0) size = QSize(480, 360);
    setContentView(contentView);
    frame_ = centredOnMainScreen(size);
    applyGeometry(toQt(frame_, currentPlacements()));
    observeWindowManager();
}

Window::~Window() {
    NotificationCenter::workspaceCenter()->removeObserver(windowManagerToken_);
    if (keyWindow == this) keyWindow = nullptr;
    if (mainWindow == this) mainWindow = nullptr;
    host_->owner = nullptr;
    host_->hide();
    if (host_->eventDepth > 0)
        host_->deleteLater();
    else
        delete host_;
}

void Window::setContentView(QWidget* view) { host_->setContent(view); }

QWidget* Window::contentView() const { return host_->content(); }

QWidget* Window::widget() const { return host_; }

void Window::setFrame(const Rect& frame, bool display, bool animate) {
    frame_ = frame;
    QRect target = toQt(frame, currentPlacements());
    if (animate) {
        QPointer<Host> host(host_);
        animateValue(
            host_, QStringLiteral("frame"), QRect(host_->geometry()), target,
            [host](const QVariant& value) {
                if (host && host->owner) host->owner->applyGeometry(value.toRect());
            },
            AnimationSpec::standard());
    } else {
        // Stops a frame animation still running, so it cannot move the window afterwards.
        animateValue(
            host_, QStringLiteral("frame"), target, target,
            [this](const QVariant& value) { applyGeometry(value.toRect()); }, AnimationSpec{0});
    }
    if (display) host_->repaint();
}

void Window::applyGeometry(const QRect& geometry) {
    appliedGeometry_ = geometry;
    if (contains(styleMask_, WindowStyleMask::titled) && !contains(styleMask_, WindowStyleMask::resizable))
        host_->setFixedSize(geometry.size());
    else {
        host_->setMinimumSize(0, 0);
        host_->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    host_->setGeometry(geometry);
}

void Window::geometryChangedByQt() {
    QRect geometry = host_->geometry();
    if (geometry == appliedGeometry_ || isAnimating(host_, QStringLiteral("frame"))) return;
    // Moved or resized by the user or the window manager.
    appliedGeometry_ = geometry;
    frame_ = fromQt(geometry, currentPlacements());
}

std::optional<Screen> Window::screen() const {
    std::optional<Screen> best;
    double bestArea = 0;
    for (const auto& screen : knownScreens()) {
        double width =
            std::min(frame_.maxX(), screen.frame.maxX()) - std::max(frame_.minX(), screen.frame.minX());
        double height =
            std::min(frame_.maxY(), screen.frame.maxY()) - std::max(frame_.minY(), screen.frame.minY());
        double area = width > 0 && height > 0 ? width * height : 0;
        if (area > bestArea) {
            bestArea = area;
            best = screen;
        }
    }
    return best;
}

void Window::setStyleMask(WindowStyleMask mask) {
    styleMask_ = mask;
    applyGeometry(appliedGeometry_);
    if (isVisible()) applyFlags();
}

void Window::setLevel(WindowLevel level) {
    level_ = level;
    if (isVisible()) applyFlags();
}

void Window::setCollectionBehavior(WindowCollectionBehavior behavior) {
    collectionBehavior_ = behavior;
    if (isVisible()) applyFlags();
}

void Window::setOpaque(bool opaque) {
    opaque_ = opaque;
    if (isVisible()) applyFlags();
}

void Window::setHasShadow(bool hasShadow) {
    hasShadow_ = hasShadow;
    if (isVisible()) applyFlags();
}

void Window::setBackgroundColor(const QColor& color) {
    backgroundColor_ = color;
    if (isVisible()) applyFlags();
    host_->update();
}

void Window::setTitle(const std::string& title) {
    title_ = title;
    host_->setWindowTitle(titleHidden_ ? QString() : QString::fromStdString(title_));
}

void Window::setTitlebarAppearsTransparent(bool transparent) { titlebarAppearsTransparent_ = transparent; }

void Window::setTitleHidden(bool hidden) {
    titleHidden_ = hidden;
    setTitle(title_);
}

void Window::setStandardButtonsHidden(bool hidden) {
    standardButtonsHidden_ = hidden;
    if (isVisible()) applyFlags();
}

bool Window::canBecomeKeyWindow() const { return contains(styleMask_, WindowStyleMask::titled); }

bool Window::canBecomeMainWindow() const { return contains(styleMask_, WindowStyleMask::titled); }

bool Window::isVisible() const { return host_->isVisible(); }

bool Window::isX11() { return QGuiApplication::platformName() == QLatin1String("xcb"); }

void Window::setVisiblePart(QWidget* part, std::function<void()> changed, PartShape shape) {
    if (visiblePart_) visiblePart_->removeEventFilter(host_);
    visiblePart_ = part;
    hasVisiblePart_ = part != nullptr;
    visiblePartChanged_ = std::move(changed);
    visiblePartShape_ = std::move(shape);
    if (part) part->installEventFilter(host_);
    updateVisibleRegion();
}

QRegion Window::visibleRegion() const { return hasVisiblePart_ ? visibleRegion_ : QRegion(host_->rect()); }

void Window::updateVisibleRegion() {
    if (!hasVisiblePart_) return;
    QRegion region;
    if (visiblePart_ && visiblePart_->isVisibleTo(host_)) {
        QRect rect(visiblePart_->mapTo(host_, QPoint(0, 0)), visiblePart_->size());
        region = (visiblePartShape_ ? visiblePartShape_(rect) : QRegion(rect)) & host_->rect();
    }
    bool moved = region != visibleRegion_;
    visibleRegion_ = region;
    if (moved && isX11() && host_->isVisible()) setX11VisibleRegion(host_, visibleRegion_);
    if (visiblePartChanged_) visiblePartChanged_();
}

void Window::setReservedBottomEdge(double height) {
    if (height == reservedBottomEdge_) return;
    reservedBottomEdge_ = height;
    noteOwnBottomReservation(static_cast<int>(std::ceil(height * host_->devicePixelRatioF())));
    if (isX11() && host_->isVisible()) setX11BottomStrut(host_, height);
}

void Window::raiseAboveAll() {
    if (host_->isVisible() && !isOffscreen()) host_->raise();
}

void Window::setBypassesWindowManager(bool bypass) {
    if (bypass == bypassesWindowManager_) return;
    bypassesWindowManager_ = bypass;
    if (!isX11()) return;
    // Changing Qt's flags of a shown window makes a new native window under every widget of it;
    // the attribute of the one it has is enough, set while it is unmapped and withdrawn: a manager
    // that sees the withdrawal only after the window is mapped again unmaps it then. A change
    // while the manager is letting go is applied once it has.
    if (awaitingRelease_) return;
    if (!host_->isVisible()) {
        setX11OverrideRedirect(host_, bypass);
        return;
    }
    host_->hide();
    awaitingRelease_ = true;
    showWhenReleased_ = true;
    std::weak_ptr<bool> alive = alive_;
    whenX11WindowManagerLetsGo(host_, windowManagerReleaseTimeout, [this, alive] {
        if (alive.expired()) return;
        awaitingRelease_ = false;
        setX11OverrideRedirect(host_, bypassesWindowManager_);
        if (showWhenReleased_) show(false);
    });
}

void Window::observeWindowManager() {
    std::weak_ptr<bool> alive = alive_;
    windowManagerToken_ = NotificationCenter::workspaceCenter()->addObserver(
        windowManagerDidChangeNotification, [this, alive](const Notification&) {
            if (!alive.expired()) windowManagerDidChange();
        });
}

void Window::windowManagerDidChange() {
    if (!isX11() || !host_->isVisible()) return;
    if (!bypassesWindowManager_ && level_ >= WindowLevel::screenSaver) {
        // The properties serve a manager that has yet to take the window over, the messages one
        // that has; a manager may have dropped either on the way.
        makeX11Dock(host_);
        sendX11DockState(host_);
    }
    // The strut again, and the shape: a compositing manager may have come or gone with it.
    applyNativeExtras();
    // The new manager stacks the windows it takes over, maybe above one that keeps above them.
    if (level_ > WindowLevel::normal) host_->raise();
}

void Window::applyNativeExtras() {
    if (!isX11()) return;
    if (hasVisiblePart_) setX11VisibleRegion(host_, visibleRegion_);
    if (reservedBottomEdge_ > 0) setX11BottomStrut(host_, reservedBottomEdge_);
}

void Window::applyFlags() {
    bool aboveNormal = level_ > WindowLevel::normal;
    bool panel = level_ >= WindowLevel::mainMenu ||
                 contains(collectionBehavior_, WindowCollectionBehavior::ignoresCycle);
    Qt::WindowFlags flags = panel ? Qt::Tool : Qt::Window;
    if (!contains(styleMask_, WindowStyleMask::titled)) {
        flags |= Qt::FramelessWindowHint;
    } else {
        flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
        if (!standardButtonsHidden_) {
            if (contains(styleMask_, WindowStyleMask::closable)) flags |= Qt::WindowCloseButtonHint;
            if (contains(styleMask_, WindowStyleMask::miniaturizable)) flags |= Qt::WindowMinimizeButtonHint;
            if (contains(styleMask_, WindowStyleMask::resizable)) flags |= Qt::WindowMaximizeButtonHint;
            // Qt adds it to any window with buttons; asking for it too keeps the flags of a shown
            // window equal, so that ordering it front again does not re-create it (and lose the
            // activation it has just asked for).
            if (flags & (Qt::WindowCloseButtonHint | Qt::WindowMinMaxButtonsHint))
                flags |= Qt::WindowSystemMenuHint;
        }
    }
    if (aboveNormal) flags |= Qt::WindowStaysOnTopHint;
    if (!hasShadow_) flags |= Qt::NoDropShadowWindowHint;
    if (!canBecomeKeyWindow()) flags |= Qt::WindowDoesNotAcceptFocus;

    bool clear = !opaque_ || (backgroundColor_.isValid() && backgroundColor_.alpha() < 255);
    bool attributesChange = host_->testAttribute(Qt::WA_TranslucentBackground) != clear;
    if (host_->windowFlags() == flags && !attributesChange) return;
    bool wasVisible = host_->isVisible();
    host_->setAttribute(Qt::WA_TranslucentBackground, clear);
    // Changing the flags of a shown window hides it and may need a new native window.
    host_->setWindowFlags(flags);
    if (wasVisible) show(false);
}

void Window::show(bool activate) {
    closing_ = false;
    if (awaitingRelease_) {
        showWhenReleased_ = true;
        return;
    }
    applyFlags();
    host_->setAttribute(Qt::WA_ShowWithoutActivating, !activate);
    // The offscreen platform activates every window it shows, asked or not.
    if (!activate && !host_->isVisible() && isOffscreen()) ignoreNextActivation_ = true;
    host_->setGeometry(appliedGeometry_);
    // The bar's level: a dock to an X11 window manager.
    if (level_ >= WindowLevel::screenSaver && !host_->isVisible() && isX11()) makeX11Dock(host_);
    // A native window made anew since then has lost the attribute.
    if (bypassesWindowManager_ && !host_->isVisible() && isX11()) setX11OverrideRedirect(host_, true);
    host_->show();
    applyNativeExtras();
    if (!isOffscreen()) host_->raise();  // the offscreen platform only warns
    if (activate && canBecomeKeyWindow()) host_->activateWindow();
}

void Window::makeKeyAndOrderFront() { show(true); }

void Window::makeMainWindow() {
    if (isVisible() && canBecomeMainWindow()) host_->activateWindow();
}

void Window::orderFront() { show(false); }

void Window::orderFrontRegardless() { show(false); }

void Window::orderOut() {
    showWhenReleased_ = false;
    host_->hide();
}

void Window::close() {
    if (closing_) return;
    closing_ = true;
    std::weak_ptr<bool> alive = alive_;
    if (auto delegate = delegate_.lock()) delegate->windowWillClose(*this);
    // The delegate may have released the window; its destructor has hidden it then.
    if (alive.expired()) return;
    showWhenReleased_ = false;
    host_->hide();
}

void Window::activationChanged(bool active) {
    if (active) {
        if (ignoreNextActivation_) {
            ignoreNextActivation_ = false;
            return;
        }
        std::weak_ptr<bool> alive = alive_;
        if (canBecomeKeyWindow()) becomeKey();
        if (!alive.expired() && canBecomeMainWindow()) becomeMain();
        return;
    }
    // Losing Qt's activation to one of our windows is settled by that window's activation; losing
    // it to anything else (a message box, another application) resigns.
    auto* now = QApplication::activeWindow();
    if (now && dynamic_cast<Host*>(now)) return;
    std::weak_ptr<bool> alive = alive_;
    if (keyWindow == this) resignKey();
    if (!alive.expired() && mainWindow == this) resignMain();
}

void Window::becomeKey() {
    if (keyWindow == this) return;
    std::weak_ptr<bool> alive = alive_;
    if (keyWindow) keyWindow->resignKey();
    if (alive.expired()) return;
    keyWindow = this;
    isKey_ = true;
    if (auto screen = this->screen()) Screens::setMainScreenIdentifier(screen->identifier);
    // Holding the delegate keeps a window that is its own delegate alive through the callback.
    if (auto delegate = delegate_.lock()) delegate->windowDidBecomeKey(*this);
}

void Window::becomeMain() {
    if (mainWindow == this) return;
    std::weak_ptr<bool> alive = alive_;
    if (mainWindow) mainWindow->resignMain();
    if (alive.expired()) return;
    mainWindow = this;
    isMain_ = true;
    if (auto delegate = delegate_.lock()) delegate->windowDidBecomeMain(*this);
}

void Window::resignKey() {
    if (keyWindow != this) return;
    keyWindow = nullptr;
    isKey_ = false;
    if (auto delegate = delegate_.lock()) delegate->windowDidResignKey(*this);
}

void Window::resignMain() {
    if (mainWindow != this) return;
    mainWindow = nullptr;
    isMain_ = false;
    if (auto delegate = delegate_.lock()) delegate->windowDidResignMain(*this);
}

void Window::orderedOut() {
    // A window that leaves the screen is no longer key or main, whichever window Qt activates next.
    std::weak_ptr<bool> alive = alive_;
    resignKey();
    if (!alive.expired()) resignMain();
    if (!alive.expired()) updateOcclusion();
}

void Window::updateOcclusion() {
    auto* handle = host_->windowHandle();
    bool visible =
        host_->isVisible() && !(host_->windowState() & Qt::WindowMinimized) && handle && handle->isExposed();
    if (visible == occlusionVisible_) return;
    occlusionVisible_ = visible;
    auto delegate = delegate_.lock();
    if (delegate) delegate->windowDidChangeOcclusionState(*this);
    NotificationCenter::defaultCenter()->post(didChangeOcclusionStateNotification);
}

}  // namespace platform::qt
