#include "Velmora/taskbar/TimeManager.h"

#include <cmath>
#include <cstdlib>

#include "platform/base/Date.h"
#include "platform/base/MainQueue.h"

namespace Velmora {

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

TimeManager::Zone TimeManager::currentZone() {
    Zone zone;
    if (const char* variable = std::getenv("TZ")) zone.variable = variable;
    // Without TZ the zone comes from the system's file, which a change of zone replaces.
    if (!zone.variable) zone.file = zoneFile_.identity();
    return zone;
}

void TimeManager::update() {
    // One reading for both texts, so a tick at midnight cannot pair the new date with 23:59.
    const auto now = platform::Date::now();
    const double seconds = now.timeIntervalSince1970();
    auto zone = currentZone();
    // Zone changes and summer time both fall on whole minutes, so the texts hold for the minute.
    if (zone_ == zone && seconds >= minuteStart_ && seconds < minuteStart_ + 60) return;
    zone_ = std::move(zone);
    const auto second = Brindle::Calendar::current().components(now).second;
    minuteStart_ = std::floor(seconds) - static_cast<double>(second);
    const auto time = timeFormatter_.string(now);
    const auto date = dateFormatter_.string(now);
    if (dateString.value() != date) dateString.set(date);
    if (timeString.value() != time) timeString.set(time);
}

}  // namespace Velmora
