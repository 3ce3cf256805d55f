#include "ui-toolkit/ui/TamberButtonClickInfo.h"

#include "Brindle/MainQueue.h"
#include "platform/base/DispatchTime.h"

namespace brindle_ui {

void TamberButtonClickInfo::showProgress(double after) { schedule(after, true); }

void TamberButtonClickInfo::hideProgress() { schedule(0, false); }

void TamberButtonClickInfo::schedule(double after, bool show) {
    auto deadline = platform::DispatchTime::now() + after;
    // The timer holds the object weakly: a released click ends its request silently.
    anyObject = Brindle::scheduleTimer(deadline, anyObject, [weak = weakAs<TamberButtonClickInfo>(), show] {
        if (auto self = weak.lock()) self->progressing.set(show);
    });
}

}  // namespace brindle_ui
