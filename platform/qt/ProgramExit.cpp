#include "platform/qt/ProgramExit.h"

#include <fcntl.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>
#include <QThread>
#include <array>
#include <cerrno>
#include <csignal>

#include "platform/base/Process.h"

namespace platform::qt {
namespace {

constexpr std::array endingSignals{SIGTERM, SIGINT, SIGHUP};
int signalPipe[2] = {-1, -1};

// Only writes a byte: the loop reads it and does the work.
void onSignal(int signal) {
    int saved = errno;
    auto byte = static_cast<char>(signal);
    [[maybe_unused]] auto written = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

}  // namespace

ProgramExit::ProgramExit(std::function<void()> terminate, QObject* parent)
    : QObject(parent), terminate_(std::move(terminate)) {
    if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        notifier_ = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
        connect(notifier_, &QSocketNotifier::activated, this, [this] {
            char bytes[16];
            while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {}
            requestTermination();
        });
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int signal : endingSignals) ::sigaction(signal, &action, nullptr);
    }
    // The session ending takes the same way out; a quit that the program asked for has run it.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (!exitRequested_) requestTermination();
    });
#ifndef QT_NO_SESSIONMANAGER
    connect(qGuiApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { requestTermination(); });
#endif
    platform::setExitInterceptor([this](int status) { requestExit(status); });
}

ProgramExit::~ProgramExit() {
    platform::setExitInterceptor({});
    if (notifier_) {
        for (int signal : endingSignals) ::signal(signal, SIG_DFL);
        delete notifier_;
        ::close(signalPipe[0]);
        ::close(signalPipe[1]);
        signalPipe[0] = signalPipe[1] = -1;
    }
}

int ProgramExit::exec() {
    if (exitRequested_) return status_;
    return QCoreApplication::exec();
}

void ProgramExit::requestTermination() {
    if (terminating_ || exitRequested_) return;
    terminating_ = true;
    terminate_();
}

void ProgramExit::requestExit(int status) {
    // Worker threads may end the process too; the loop is left from the main thread.
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, status] { requestExit(status); }, Qt::QueuedConnection);
        return;
    }
    if (exitRequested_) return;
    exitRequested_ = true;
    status_ = status;
    QCoreApplication::exit(status);
}

}  // namespace platform::qt
