#include <QApplication>
#include <QGuiApplication>
#include <cstdio>
#include <memory>

#include "platform/base/DispatchQueue.h"
#include "platform/foundation/URLSession.h"
#include "platform/qt/QtDesktopBridge.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/sim/SimulatedDesktop.h"
#include "platform/system/System.h"

int main(int argc, char** argv) {
    // Before any thread exists.
    platform::URLSession::globalInit();

    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    auto mainQueue = platform::qt::QtMainQueue::install();

    // On a display the screens are the display's; headless, they are the scenario's.
    const bool headless = QGuiApplication::platformName() == "offscreen";
    std::unique_ptr<platform::qt::QtDesktopBridge> displayBridge;
    if (!headless) displayBridge = std::make_unique<platform::qt::QtDesktopBridge>();

    platform::sim::SimulatedDesktop::Options options;
    options.appliesScreens = headless;
    auto desktop = platform::sim::SimulatedDesktop::loadDefault(options);
    platform::System::install(desktop);
    desktop->startWatching();

    std::printf("Velmora started\n");
    std::fflush(stdout);
    int status = application.exec();
    platform::DispatchQueue::shutdownPool();
    return status;
}
