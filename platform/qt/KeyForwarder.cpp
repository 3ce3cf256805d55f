#include "platform/qt/KeyForwarder.h"

#include <QKeyEvent>
#include <QMouseEvent>

#include "platform/qt/QtDesktopBridge.h"
#include "platform/qt/ScreenGeometry.h"
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

// A move over one of the program's windows as the platform's event: a drag while a button is held.
Event pointerMove(const QMouseEvent& move) {
    Event forwarded;
    forwarded.type = move.buttons() & Qt::LeftButton    ? EventType::leftMouseDragged
                     : move.buttons() & Qt::RightButton ? EventType::rightMouseDragged
                                                        : EventType::mouseMoved;
    forwarded.modifierFlags = QtDesktopBridge::modifierFlags(move.modifiers());
    forwarded.location = fromQt(move.globalPosition(), currentPlacements());
    return forwarded;
}

}  // namespace

bool KeyForwarder::eventFilter(QObject* watched, QEvent* event) {
    // The desktop leaves the pointer's moves over the program's own windows to the program, so
    // that whoever follows the pointer learns of them here. They always go on to the window.
    if (event->type() == QEvent::MouseMove && watched->isWindowType()) {
        (void)EventMonitors::shared()->deliverToApplication(pointerMove(*static_cast<QMouseEvent*>(event)));
        return QObject::eventFilter(watched, event);
    }
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
