#include "platform/qt/QtDesktopBridge.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include "platform/qt/ScreenGeometry.h"

namespace platform::qt {

QtDesktopBridge::QtDesktopBridge(ScreensHandler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
    if (!handler_) handler_ = [](std::vector<Screen> screens) { Screens::update(std::move(screens)); };
    auto* application = qGuiApp;
    connect(application, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        watch(screen);
        report();
    });
    // A removed screen is still listed while the signal is delivered: report after it is gone.
    connect(
        application, &QGuiApplication::screenRemoved, this, [this] { report(); }, Qt::QueuedConnection);
    connect(application, &QGuiApplication::primaryScreenChanged, this, [this] { report(); });
    for (auto* screen : QGuiApplication::screens()) watch(screen);
    report();
}

void QtDesktopBridge::watch(QScreen* screen) {
    connect(screen, &QScreen::geometryChanged, this, [this] { report(); });
    connect(screen, &QScreen::availableGeometryChanged, this, [this] { report(); });
    connect(screen, &QScreen::logicalDotsPerInchChanged, this, [this] { report(); });
    connect(screen, &QScreen::physicalDotsPerInchChanged, this, [this] { report(); });
}

void QtDesktopBridge::report() { handler_(currentScreens()); }

std::vector<Screen> QtDesktopBridge::currentScreens() { return platformScreens(qtScreens()); }

Point QtDesktopBridge::mouseLocation() { return fromQt(QPointF(QCursor::pos()), currentPlacements()); }

std::uint64_t QtDesktopBridge::modifierFlags() {
    return modifierFlags(QGuiApplication::queryKeyboardModifiers());
}

std::uint64_t QtDesktopBridge::modifierFlags(Qt::KeyboardModifiers modifiers) {
    std::uint64_t flags = 0;
    if (modifiers & Qt::ShiftModifier) flags |= ModifierFlag::shift;
    if (modifiers & Qt::ControlModifier) flags |= ModifierFlag::control;
    if (modifiers & Qt::AltModifier) flags |= ModifierFlag::option;
    if (modifiers & Qt::MetaModifier) flags |= ModifierFlag::command;
    return flags;
}

}  // namespace platform::qt
