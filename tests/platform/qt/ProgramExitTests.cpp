#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <csignal>

#include "platform/base/Process.h"
#include "platform/qt/ProgramExit.h"

using namespace platform;

TEST(ProgramExit, EndingSignalsAndTheSessionsEndTerminateOnceAndLeaveTheLoopWithZero) {
    for (int signal : {SIGTERM, SIGINT, SIGHUP, 0}) {
        SCOPED_TRACE(signal);
        int terminations = 0;
        qt::ProgramExit programExit([&] {
            ++terminations;
            // A second request while the first runs, and the program's own exit at its end.
            if (signal) std::raise(signal);
            exitProcess(0);
        });
        QObject bound;  // a limit, not a hang, gone with the round
        QTimer::singleShot(10000, &bound, [] { QCoreApplication::exit(99); });
        // Without a signal, the session ends.
        QTimer::singleShot(0, [signal] { signal ? (void)std::raise(signal) : QCoreApplication::quit(); });
        EXPECT_EQ(programExit.exec(), 0);
        EXPECT_EQ(terminations, 1);
    }
    // An exit asked for before the loop runs ends it at once, without terminating.
    qt::ProgramExit programExit([] { ADD_FAILURE() << "terminated"; });
    exitProcess(3);
    EXPECT_EQ(programExit.exec(), 3);
}
