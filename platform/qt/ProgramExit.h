#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace platform::qt {

// Ends the program in order. SIGTERM, SIGINT and SIGHUP and the end of the desktop session run
// `terminate` (the program's own way out, the one its Quit takes) once; `platform::exitProcess`
// leaves the event loop, so that `exec` returns the status and `main` cleans up after it. One per
// process, made after the QApplication.
class ProgramExit final : public QObject {
public:
    explicit ProgramExit(std::function<void()> terminate, QObject* parent = nullptr);
    ~ProgramExit() override;
    ProgramExit(const ProgramExit&) = delete;
    ProgramExit& operator=(const ProgramExit&) = delete;

    // Runs the event loop, unless the program asked to end before it started; the exit status.
    int exec();

private:
    void requestTermination();
    void requestExit(int status);

    std::function<void()> terminate_;
    QSocketNotifier* notifier_ = nullptr;
    bool terminating_ = false;
    bool exitRequested_ = false;
    int status_ = 0;
};

}  // namespace platform::qt
