#pragma once

#include <memory>

#include "Brindle/Object.h"
#include "Velmora/shell/Application.h"

namespace Velmora {

// The platform's application delegate: creates the one Application, which runs the whole start-up
// chain of states, and forwards the platform's termination to it.
class AppDelegate : public Brindle::Object {
public:
    explicit AppDelegate(Application::Services services);

    void applicationDidFinishLaunching() {}
    // Enters a new termination state, whatever state is current.
    void applicationWillTerminate();
    bool applicationSupportsSecureRestorableState() const { return true; }

    // Held for the whole process.
    const std::shared_ptr<Application> application;
};

}  // namespace Velmora
