#pragma once

#include <memory>

#include "Brindle/Object.h"
#include "platform/system/Screen.h"
#include "rx/PublishSubject.h"
#include "rx/Unit.h"

namespace Velmora {

// The process-wide bus for requests from the main menu, so that senders and receivers need not
// know each other. The subjects keep no value: a subscriber sees only what is sent after it
// subscribed, synchronously on the sending thread (the main thread).
class EventManager : public Brindle::Object {
public:
    // Created on first use and never released.
    static std::shared_ptr<EventManager> shared();

    // Open a settings window.
    const rx::PublishSubject<rx::Unit> showSettings;
    // Hide the bar of the given screen.
    const rx::PublishSubject<platform::Screen> hideOnScreen;
    // Quit.
    const rx::PublishSubject<rx::Unit> exit;
};

}  // namespace Velmora
