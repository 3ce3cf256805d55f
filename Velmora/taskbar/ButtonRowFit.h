#pragma once

namespace Velmora {

// How wide the bar's untitled buttons are and how much room lies between neighbours.
struct ButtonRowFit {
    int buttonWidth = 0;
    int spacing = 0;
    friend bool operator==(const ButtonRowFit&, const ButtonRowFit&) = default;
};

// The sizes for `buttons` buttons with `gaps` spacings between them in `space` points: `full` while
// all of them fit; otherwise buttons and spacing narrow alike, in the same proportion, rounded down
// so that the row never takes more than `space`. A button keeps at least one point to be clicked
// on, so only with more buttons than points does the row pass `space`.
ButtonRowFit fitButtonRow(int space, int buttons, int gaps, ButtonRowFit full);

}  // namespace Velmora
