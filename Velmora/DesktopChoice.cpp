#include "Velmora/DesktopChoice.h"

#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <cstdio>
#include <cstdlib>

#include "platform/base/MainQueue.h"
#include "platform/qt/QtDesktopBridge.h"
#include "platform/sim/SimulatedDesktop.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/XInputSource.h"

namespace Velmora {
namespace {

// Keys typed into the program's own windows reach the real desktop's local monitors; only
// Escape's own handler swallows one.
class LocalKeys final : public QObject {
public:
    explicit LocalKeys(std::shared_ptr<platform::x11::X11Desktop> desktop) : desktop_(std::move(desktop)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
            return QObject::eventFilter(watched, event);
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->isAutoRepeat()) return QObject::eventFilter(watched, event);
        platform::Event forwarded;
        forwarded.modifierFlags = platform::qt::QtDesktopBridge::modifierFlags(key->modifiers());
        forwarded.location = desktop_->input()->mouseLocation();
        bool modifier = key->key() == Qt::Key_Shift || key->key() == Qt::Key_Control ||
                        key->key() == Qt::Key_Alt || key->key() == Qt::Key_Meta;
        if (modifier)
            forwarded.type = platform::EventType::flagsChanged;
        else if (event->type() == QEvent::KeyPress)
            forwarded.type = platform::EventType::keyDown;
        else
            return QObject::eventFilter(watched, event);
        forwarded.keyCode = key->key() == Qt::Key_Escape ? platform::KeyCode::escape : 0;
        bool swallowed = !desktop_->deliverLocal(forwarded);
        return swallowed && forwarded.keyCode == platform::KeyCode::escape;
    }

private:
    std::shared_ptr<platform::x11::X11Desktop> desktop_;
};

void demoBecause(const std::string& why) {
    std::fprintf(stderr, "Velmora: showing the demo desktop: %s.\n", why.c_str());
}

}  // namespace

DesktopChoice::~DesktopChoice() {
    if (keyForwarder_) qGuiApp->removeEventFilter(keyForwarder_.get());
}

std::unique_ptr<DesktopChoice> DesktopChoice::openRealDesktop(bool headless) {
    if (const char* named = std::getenv("VELMORA_DESKTOP"); named && *named) return nullptr;
    if (headless) return nullptr;
    if (QGuiApplication::platformName() != "xcb") {
        demoBecause("the display is not an X11 display");
        return nullptr;
    }
    std::string why;
    if (!platform::x11::X11Desktop::hasEwmhWindowManager({}, &why)) {
        demoBecause(why);
        return nullptr;
    }
    std::string error;
    auto desktop = platform::x11::X11Desktop::open({}, &error);
    if (!desktop) {
        demoBecause(error);
        return nullptr;
    }
    std::unique_ptr<DesktopChoice> choice(new DesktopChoice);
    choice->desktop_ = desktop;
    choice->keyForwarder_ = std::make_unique<LocalKeys>(desktop);
    qGuiApp->installEventFilter(choice->keyForwarder_.get());
    platform::System::install(desktop);
    return choice;
}

std::shared_ptr<platform::x11::XInputSource> DesktopChoice::feedFromDisplay(
    const std::shared_ptr<platform::sim::SimulatedDesktop>& desktop) {
    if (QGuiApplication::platformName() != "xcb") return nullptr;
    std::shared_ptr<platform::x11::XInputSource> source = platform::x11::XInputSource::open();
    if (!source) return nullptr;
    std::weak_ptr<platform::sim::SimulatedDesktop> weak = desktop;
    source->setHandler([weak](const platform::Event& event) {
        platform::MainQueue::async([weak, event] {
            auto desktop = weak.lock();
            if (!desktop) return;
            desktop->setModifierFlags(event.modifierFlags);
            bool key = event.type == platform::EventType::keyDown ||
                       event.type == platform::EventType::keyUp ||
                       event.type == platform::EventType::flagsChanged;
            // The program's own windows get their events from Qt.
            bool own = key ? QGuiApplication::focusWindow() != nullptr
                           : QGuiApplication::topLevelAt(QCursor::pos()) != nullptr;
            if (!key) desktop->setMouseLocation(event.location);
            if (!own) desktop->injectEvent(event, platform::sim::EventTarget::otherApplication);
        });
    });
    return source;
}

}  // namespace Velmora
