#include <QApplication>
#include <cstdio>

#include "platform/base/DispatchQueue.h"
#include "platform/foundation/URLSession.h"
#include "platform/qt/QtMainQueue.h"

int main(int argc, char** argv) {
    // Before any thread exists.
    platform::URLSession::globalInit();
    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    auto mainQueue = platform::qt::QtMainQueue::install();
    std::printf("Velmora started\n");
    std::fflush(stdout);
    int status = application.exec();
    platform::DispatchQueue::shutdownPool();
    return status;
}
