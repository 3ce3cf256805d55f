#pragma once

#include <string>

#include "Brindle/Object.h"
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
    // date first.
    virtual void update();
};

}  // namespace Velmora
