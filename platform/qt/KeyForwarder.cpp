#include "platform/qt/KeyForwarder.h"

#include <QKeyEvent>

#include "platform/qt/QtDesktopBridge.h"
#include "platform/system/Event.h"

namespace platform::qt {
namespace {

// The flag a modifier key holds; 0 for other keys.
std::uint64_t modifierFlag(int key) {
    switch (key) {
        case Qt::Key_Shift:
            return ModifierFlags::shift;
        case Qt::Key_Control:
            return ModifierFlags::control;
        case Qt::Key_Alt:
            return ModifierFlags::option;
        case Qt::Key_Meta:
            return ModifierFlags::command;
        default:
            return 0;
    }
}

}  // namespace

bool KeyForwarder::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
        return QObject::eventFilter(watched, event);
    // A key event goes to the window and then up through its parents; only its first receiver
    // forwards it.
    if (!watched->isWindowType()) return QObject::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->isAutoRepeat()) return QObject::eventFilter(watched, event);
    const bool pressed = event->type() == QEvent::KeyPress;
    Event forwarded;
    // The modifiers held before the key, as the window system reports them (a modifier key's own
    // event reports it flipped, on some platforms only); the key itself is added or taken away.
    forwarded.modifierFlags = QtDesktopBridge::modifierFlags(static_cast<QInputEvent*>(key)->modifiers());
    forwarded.location = QtDesktopBridge::mouseLocation();
    if (auto own = modifierFlag(key->key())) {
        forwarded.modifierFlags = pressed ? forwarded.modifierFlags | own : forwarded.modifierFlags & ~own;
        forwarded.type = EventType::flagsChanged;
    } else if (pressed) {
        forwarded.type = EventType::keyDown;
        forwarded.keyCode = key->key() == Qt::Key_Escape ? KeyCode::escape : 0;
    } else {
        return QObject::eventFilter(watched, event);
    }
    // Only Escape's own handler swallows it; everything else goes on to the widget.
    bool swallowed = !EventMonitors::shared()->deliverToApplication(forwarded);
    return swallowed && forwarded.keyCode == KeyCode::escape;
}

}  // namespace platform::qt
