#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "Brindle/Object.h"

namespace Velmora {

// Moves the system Dock out of the bars' way while the program runs (left edge, hidden after a very
// long delay, no bouncing) and writes fixed values back at termination, by rewriting its
// preferences with `defaults` and restarting it. With the user-defaults switch "dontRestartDock"
// set, the Dock is never touched.
class DockManager : public Brindle::Object {
public:
    // Runs one command line and returns its output.
    using ShellRunner = std::function<std::string(const std::string& command)>;

    static std::shared_ptr<DockManager> shared();

    // Tests give their own runner; the program's runs the command through the shell, which on the
    // simulated desktop hands it to the simulated Dock.
    explicit DockManager(ShellRunner runShellCommand = nullptr);

    // This run has started hiding the Dock; never reset.
    bool isHidden() const { return isHidden_; }

    // Main thread. Only the first call of a run has an effect: the commands then run one after
    // another on the global user-interactive queue.
    virtual void hideDock();
    // Main thread, at termination: when the Dock was hidden, writes the fixed values back and
    // restarts the Dock, blocking until the commands have finished. Hiding commands that have not
    // started by then are dropped, so they cannot undo the restore.
    void restoreDock();

    // Tests: runs on the restoring thread just before it waits for a hiding command in progress.
    std::function<void()> restoreWillWait;

private:
    const ShellRunner runShellCommand_;
    bool isHidden_ = false;
    // Held while a command runs, so that the restore waits for a hiding command in progress.
    std::mutex commandMutex_;
    bool restoreStarted_ = false;
};

}  // namespace Velmora
