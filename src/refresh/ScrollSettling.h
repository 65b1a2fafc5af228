#pragma once

namespace kit {
class ScrollView;
}

// Moves a list that is not being dragged back inside its resting range after
// a control shrank its inset, as the phone's scroll view does by itself, so
// an ended refresh does not leave an empty gap where the control was.
void settleIntoRestingRange(kit::ScrollView& scrollView);
