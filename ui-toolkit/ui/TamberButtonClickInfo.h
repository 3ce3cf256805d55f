#pragma once

#include <any>

#include "platform/system/Geometry.h"
#include "rx/Published.h"
#include "ui-toolkit/core/ReactiveViewModel.h"

namespace brindle_ui {

// What a tap on the toolkit's button hands its owner: where the title lies, and a way to switch
// the button's spinner on after a delay and off again. Main thread only.
class TamberButtonClickInfo : public brindle_core::ReactiveViewModel {
public:
    // Shows the spinner `after` seconds from now, unless a later request comes first.
    virtual void showProgress(double after);
    // Hides the spinner at the next turn of the main queue, cancelling a pending request.
    virtual void hideProgress();

    // The title's frame in its own coordinates and in its window's; both stay zero until the
    // title has been shown once.
    platform::Rect textFrame;
    platform::Rect buttonFrameOnScreen;
    // The pending request's timer.
    std::any anyObject;
    const rx::Published<bool> progressing{false};

private:
    void schedule(double after, bool show);
};

}  // namespace brindle_ui
