#include "Velmora/DesktopChoice.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "Velmora/DisplayInput.h"
#include "platform/base/MainQueue.h"
#include "platform/qt/Appearance.h"
#include "platform/qt/DisplayQueries.h"
#include "platform/sim/SimulatedDesktop.h"
#include "platform/system/Application.h"
#include "platform/x11/X11Desktop.h"
#include "platform/x11/X11InstanceLock.h"
#include "platform/x11/XInputSource.h"
#include "platform/x11/XSettings.h"
#include "platform/xdg/DesktopColorScheme.h"

namespace Velmora {
namespace {

void demoBecause(const std::string& why) {
    std::fprintf(stderr, "Velmora: showing the demo desktop: %s.\n", why.c_str());
}

}  // namespace

std::unique_ptr<DesktopChoice> DesktopChoice::openRealDesktop(bool headless) {
    if (const char* named = std::getenv("VELMORA_DESKTOP"); named && *named) return nullptr;
    if (headless) return nullptr;
    if (!platform::qt::onX11Display()) {
        demoBecause("the display is not an X11 display");
        return nullptr;
    }
    std::string why;
    if (!platform::x11::X11Desktop::hasEwmhWindowManager({}, &why)) {
        demoBecause(why);
        return nullptr;
    }
    std::unique_ptr<DesktopChoice> choice(new DesktopChoice);
    // One instance per user and display: a second would stack another bar and share the files.
    const char* display = std::getenv("DISPLAY");
    auto claim = platform::x11::X11InstanceLock::claim(display ? display : "", [] {
        platform::MainQueue::async([] { platform::Application::shared()->activate(true); });
    });
    using Outcome = platform::x11::X11InstanceLock::Outcome;
    switch (claim.outcome) {
        case Outcome::held:
            choice->lock_ = std::move(claim.lock);
            break;
        case Outcome::handedOver:
            std::fprintf(stderr, "Velmora: already running on this display; it was asked to come forward.\n");
            choice->exitStatus_ = 0;
            return choice;
        case Outcome::unanswered:
            // It did not come forward: a second bar would stack on the frozen one.
            std::fprintf(stderr,
                         "Velmora: already running on this display, but the running instance does not "
                         "answer.\n");
            choice->exitStatus_ = 1;
            return choice;
        case Outcome::unlocked:
            std::fprintf(stderr, "Velmora: running without the single-instance lock: %s.\n",
                         claim.why.c_str());
            break;
    }
    // The user's desktop entries are the installed applications, kept up to date from a thread of
    // their own, with the icon theme the desktop announces.
    platform::x11::X11Desktop::Options options;
    options.applications = std::make_shared<platform::xdg::DesktopApplications>(
        platform::xdg::DesktopApplications::defaultRoot(),
        platform::xdg::IconTheme::userThemes(platform::x11::announcedIconTheme()));
    options.applications->startWatching();
    std::string error;
    auto desktop = platform::x11::X11Desktop::open(options, &error);
    if (!desktop) {
        demoBecause(error);
        return nullptr;
    }
    choice->desktop_ = desktop;
    platform::System::install(desktop);
    // Light or dark as the desktop prefers; without a session bus its GTK settings still count.
    platform::qt::Appearance::shared()->followDesktop(platform::xdg::DesktopColorScheme::open());
    return choice;
}

DesktopChoice::~DesktopChoice() = default;

std::shared_ptr<void> DesktopChoice::feedFromDisplay(
    const std::shared_ptr<platform::sim::SimulatedDesktop>& desktop) {
    // A warped pointer makes no raw motion: the pointer and modifiers are asked of the display.
    desktop->setInputSource(std::make_shared<DisplayInput>());
    std::shared_ptr<platform::x11::XInputSource> source;
    if (platform::qt::onX11Display()) source = platform::x11::XInputSource::open();
    if (!source) return nullptr;
    std::weak_ptr<platform::sim::SimulatedDesktop> weak = desktop;
    source->setHandler([weak](const platform::Event& event) {
        platform::MainQueue::async([weak, event] {
            auto desktop = weak.lock();
            if (!desktop) return;
            bool key = event.type == platform::EventType::keyDown ||
                       event.type == platform::EventType::keyUp ||
                       event.type == platform::EventType::flagsChanged;
            // The program's own windows get their events from Qt.
            bool own = key ? platform::qt::programHasFocus() : platform::qt::programWindowUnderPointer();
            if (!own) desktop->injectEvent(event, platform::sim::EventTarget::otherApplication);
        });
    });
    return source;
}

}  // namespace Velmora
