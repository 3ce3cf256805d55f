#include "Velmora/DisplayInput.h"

#include "platform/base/MainQueue.h"
#include "platform/qt/QtDesktopBridge.h"

namespace Velmora {

platform::Point DisplayInput::mouseLocation() {
    std::lock_guard lock(mutex_);
    if (platform::MainQueue::isMainThread()) mouseLocation_ = platform::qt::QtDesktopBridge::mouseLocation();
    return mouseLocation_;
}

std::uint64_t DisplayInput::modifierFlags() {
    std::lock_guard lock(mutex_);
    if (platform::MainQueue::isMainThread()) modifierFlags_ = platform::qt::QtDesktopBridge::modifierFlags();
    return modifierFlags_;
}

}  // namespace Velmora
