#include "platform/system/Alert.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

namespace platform {
namespace {

std::mutex presenterMutex;

Alert::Presenter& installedPresenter() {
    static auto* presenter = new Alert::Presenter();
    return *presenter;
}

}  // namespace

ModalResponse Alert::addButton(std::string title) {
    buttons_.push_back(std::move(title));
    return alertFirstButtonReturn + static_cast<ModalResponse>(buttons_.size() - 1);
}

ModalResponse Alert::runModal() const {
    Presenter presenter;
    {
        std::lock_guard lock(presenterMutex);
        presenter = installedPresenter();
    }
    if (!presenter) {
        std::fprintf(stderr, "Fatal error: no alert presenter is installed (alert \"%s\")\n",
                     messageText.c_str());
        std::abort();
    }
    return presenter(*this);
}

Alert::Presenter Alert::setPresenter(Presenter presenter) {
    std::lock_guard lock(presenterMutex);
    std::swap(installedPresenter(), presenter);
    return presenter;
}

Alert::ScopedResponder::ScopedResponder(Presenter responder)
    : previous_(setPresenter(std::move(responder))) {}

Alert::ScopedResponder::~ScopedResponder() { setPresenter(std::move(previous_)); }

}  // namespace platform
