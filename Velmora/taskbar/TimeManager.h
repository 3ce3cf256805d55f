#pragma once

#include <optional>
#include <string>

#include "Brindle/DateFormatter.h"
#include "Brindle/Object.h"
#include "Velmora/taskbar/ZoneFile.h"
#include "rx/Published.h"

namespace Velmora {

// The two texts of a bar's clock, refreshed once a second. A text is assigned only when it
// changes, so observers hear of the clock at most once a minute. Main thread only; make it with
// Brindle::make, which starts the clock.
class TimeManager : public Brindle::Object {
public:
    static constexpr double refreshInterval = 1.0;

    // "HH:mm", hours 00 to 23.
    const rx::Published<std::string> timeString{std::string()};
    // "yyyy-MM-dd".
    const rx::Published<std::string> dateString{std::string()};

    // Starts the repeating timer (which holds this object weakly and ends itself once the object is
    // gone) and fills both texts.
    void postInit() override;

    // Formats the current moment in the current time zone and assigns each text that changed, the
    // date first. Within the minute last formatted and with the same time zone, nothing is formatted.
    virtual void update();

private:
    // What identifies the time zone in force: TZ, and the zone file when TZ names none.
    struct Zone {
        std::optional<std::string> variable;
        ZoneFile::Identity file;
        bool operator==(const Zone&) const = default;
    };
    Zone currentZone();

    ZoneFile zoneFile_;
    Brindle::DateFormatter timeFormatter_{"HH:mm", Brindle::Calendar::current()};
    Brindle::DateFormatter dateFormatter_{"yyyy-MM-dd", Brindle::Calendar::current()};
    std::optional<Zone> zone_;
    // The minute the texts show, in seconds since 1970: [minuteStart_, minuteStart_ + 60).
    double minuteStart_ = 0;
};

}  // namespace Velmora
