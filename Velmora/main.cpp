#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <cstdio>
#include <memory>

#include "Brindle/Object.h"
#include "Velmora/DesktopChoice.h"
#include "Velmora/shell/AppDelegate.h"
#include "Velmora/shell/views/ApplicationWindows.h"
#include "platform/base/DispatchQueue.h"
#include "platform/foundation/URLSession.h"
#include "platform/qt/QtDesktopBridge.h"
#include "platform/qt/QtMainQueue.h"
#include "platform/sim/SimulatedDesktop.h"
#include "platform/system/Application.h"
#include "platform/system/System.h"
#include "platform/x11/XInputSource.h"

namespace {

// The simulated desktop has no keyboard of its own: keys typed into the program's windows reach
// it as this application's events, and the modifiers held are mirrored, so Escape and the
// modifier-key tap work while a window of the program has the focus.
class KeyForwarder final : public QObject {
public:
    explicit KeyForwarder(std::shared_ptr<platform::sim::SimulatedDesktop> desktop)
        : desktop_(std::move(desktop)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
            return QObject::eventFilter(watched, event);
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->isAutoRepeat()) return QObject::eventFilter(watched, event);
        auto flags = platform::qt::QtDesktopBridge::modifierFlags(key->modifiers());
        desktop_->setModifierFlags(flags);
        platform::Event forwarded;
        forwarded.modifierFlags = flags;
        forwarded.location = platform::qt::QtDesktopBridge::mouseLocation();
        if (isModifier(key->key())) {
            forwarded.type = platform::EventType::flagsChanged;
        } else if (event->type() == QEvent::KeyPress) {
            forwarded.type = platform::EventType::keyDown;
            forwarded.keyCode = key->key() == Qt::Key_Escape ? platform::KeyCode::escape : 0;
        } else {
            return QObject::eventFilter(watched, event);
        }
        // Only Escape's own handler swallows it; everything else goes on to the widget.
        bool swallowed = !desktop_->injectEvent(forwarded, platform::sim::EventTarget::thisApplication);
        return swallowed && forwarded.keyCode == platform::KeyCode::escape;
    }

private:
    static bool isModifier(int key) {
        return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta;
    }

    std::shared_ptr<platform::sim::SimulatedDesktop> desktop_;
};

}  // namespace

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

    auto realDesktop = Velmora::DesktopChoice::openRealDesktop(headless);
    platform::sim::SimulatedDesktop::Options options;
    options.appliesScreens = headless;
    auto desktop = realDesktop ? nullptr : platform::sim::SimulatedDesktop::loadDefault(options);
    std::unique_ptr<KeyForwarder> keyForwarder;
    std::shared_ptr<platform::x11::XInputSource> displayInput;
    if (desktop) {
        platform::System::install(desktop);
        desktop->startWatching();
        keyForwarder = std::make_unique<KeyForwarder>(desktop);
        application.installEventFilter(keyForwarder.get());
        if (!headless) displayInput = Velmora::DesktopChoice::feedFromDisplay(desktop);
    }

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
