#include <QApplication>
#include <QGuiApplication>
#include <QThreadPool>
#include <cstdio>
#include <memory>

#include "Brindle/Object.h"
#include "Velmora/DesktopChoice.h"
#include "Velmora/shell/AppDelegate.h"
#include "Velmora/shell/views/ApplicationWindows.h"
#include "platform/base/DispatchQueue.h"
#include "platform/foundation/URLSession.h"
#include "platform/qt/KeyForwarder.h"
#include "platform/qt/ProgramExit.h"
#include "platform/qt/QtAlert.h"
#include "platform/qt/QtDesktopBridge.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/sim/SimulatedDesktop.h"
#include "platform/system/Application.h"
#include "platform/system/System.h"
#include "platform/x11/X11DisplayLoss.h"
#include "platform/xdg/AccessibilityBus.h"
#include "rx/detail/SerialGate.h"

int main(int argc, char** argv) {
    // Before any thread exists.
    platform::URLSession::globalInit();
    // The process registers for process-wide barriers (the first operator of several sources asks
    // for them): with one thread it is a plain call; later the kernel waits out a grace period,
    // tens of ms on the way to the first bar.
    rx::detail::processWideBarrierAvailable();

    // The session bus is looked at while the program starts, so that the first bar never waits for it.
    platform::xdg::AccessibilityBus accessibilityBus;
    QApplication application(argc, argv);
    application.setQuitOnLastWindowClosed(false);
    // Qt converts large images (a bar's backing store) on its global pool: one thread that stays,
    // rather than one per core that ends after each idle half-minute and comes back with a paint.
    QThreadPool::globalInstance()->setMaxThreadCount(1);
    QThreadPool::globalInstance()->setExpiryTimeout(-1);
    auto mainQueue = platform::qt::QtMainQueue::install();
    platform::qt::installMessageBoxAlerts();

    // On a display the screens, the pointer and the modifier keys are the display's; headless,
    // they are the scenario's and the injected events'.
    const bool headless = QGuiApplication::platformName() == "offscreen";
    std::unique_ptr<platform::qt::QtDesktopBridge> displayBridge;
    if (!headless) displayBridge = std::make_unique<platform::qt::QtDesktopBridge>();

    platform::sim::SimulatedDesktop::Options options;
    options.appliesScreens = headless;
    auto realDesktop = Velmora::DesktopChoice::openRealDesktop(headless);
    if (realDesktop && realDesktop->exitStatus()) return *realDesktop->exitStatus();
    auto desktop = realDesktop ? nullptr : platform::sim::SimulatedDesktop::loadDefault(options);
    std::shared_ptr<void> displayInput;
    if (desktop) {
        if (!headless) displayInput = Velmora::DesktopChoice::feedFromDisplay(desktop);
        platform::System::install(desktop);
        desktop->startWatching();
    }
    platform::qt::KeyForwarder keyForwarder;
    application.installEventFilter(&keyForwarder);
    platform::qt::ProgramExit programExit([] { platform::Application::shared()->terminate(); });

    std::printf("Velmora started\n");
    std::fflush(stdout);

    int status = 0;
    {
        accessibilityBus.beforeFirstWidget();
        // The whole start-up chain of states runs in here: the bars or the onboarding exist after it.
        auto delegate = Brindle::make<Velmora::AppDelegate>(Velmora::applicationWindowServices());
        platform::Application::shared()->setWillTerminateHandler(
            [delegate] { delegate->applicationWillTerminate(); });
        delegate->applicationDidFinishLaunching();
        if (!headless) platform::x11::endAtOnceWhenTheDisplayGoes();
        status = programExit.exec();
        platform::Application::shared()->setWillTerminateHandler({});
    }
    platform::DispatchQueue::shutdownPool();
    // The simulated desktop's temporary folder goes with it; the real desktop's threads end with it.
    if (desktop) desktop->stopWatching();
    platform::System::install(nullptr);
    desktop.reset();
    realDesktop.reset();
    return status;
}
