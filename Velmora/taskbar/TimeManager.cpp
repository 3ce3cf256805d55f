#include "Velmora/taskbar/TimeManager.h"

#include "Brindle/DateFormatter.h"
#include "platform/base/Date.h"
#include "platform/base/MainQueue.h"

namespace Velmora {
namespace {
constexpr const char* timeFormat = "HH:mm";
constexpr const char* dateFormat = "yyyy-MM-dd";
}  // namespace

void TimeManager::postInit() {
    Brindle::Object::postInit();
    // Not kept: the loop holds the timer until it invalidates itself.
    platform::MainQueue::scheduledTimer(refreshInterval, true,
                                        [weak = weakAs<TimeManager>()](platform::Timer& timer) {
                                            if (auto self = weak.lock())
                                                self->update();
                                            else
                                                timer.invalidate();
                                        });
    update();
}

void TimeManager::update() {
    // One reading for both texts, so a tick at midnight cannot pair the new date with 23:59.
    const auto now = platform::Date::now();
    const auto time = Brindle::DateFormatter::make(timeFormat).string(now);
    const auto date = Brindle::DateFormatter::make(dateFormat).string(now);
    if (dateString.value() != date) dateString.set(date);
    if (timeString.value() != time) timeString.set(time);
}

}  // namespace Velmora
