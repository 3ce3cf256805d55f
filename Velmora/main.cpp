#include <QApplication>
#include <QGuiApplication>
#include <cstdio>
#include <memory>

#include "Brindle/Object.h"
#include "Velmora/shell/AppDelegate.h"
#include "Velmora/shell/views/ApplicationWindows.h"
#include "platform/base/DispatchQueue.h"
#include "platform/foundation/URLSession.h"
#include "platform/qt/QtDesktopBridge.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/sim/SimulatedDesktop.h"
#include "platform/system/Application.h"
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

    // The whole start-up chain of states runs in here: the bars or the onboarding exist after it.
    auto delegate = Brindle::make<Velmora::AppDelegate>(Velmora::applicationWindowServices());
    platform::Application::shared()->setWillTerminateHandler(
        [delegate] { delegate->applicationWillTerminate(); });
    delegate->applicationDidFinishLaunching();

    int status = application.exec();
    platform::DispatchQueue::shutdownPool();
    return status;
}
