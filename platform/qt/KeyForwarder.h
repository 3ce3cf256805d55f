#pragma once

#include <QObject>

namespace platform::qt {

// Keys typed into the program's own windows and the pointer's moves over them, handed to the
// installed system's local monitors as this application's events (modifier keys as flag changes,
// moves with a button held as drags), so that Escape and the modifier-key tap work while a window
// of the program has the focus, and the pointer's position is followed while it rests on the bar
// or the menu. Install it on the application object.
class KeyForwarder final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace platform::qt
