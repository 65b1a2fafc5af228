#pragma once

#include <memory>

namespace kit {
class ScrollView;
}

class RefreshHeader;
class RefreshFooter;

// The one header and one footer slot of a scroll view. The slots do not own
// the controls: the scroll view does, as their superview, so a control
// removed from its list empties the slot once it is gone.
//
// Putting a different control in a slot takes the old one out of the scroll
// view and adds the new one; putting the same one again does nothing.
void setHeader(kit::ScrollView& scrollView, const std::shared_ptr<RefreshHeader>& header);
std::shared_ptr<RefreshHeader> header(const kit::ScrollView& scrollView);
void setFooter(kit::ScrollView& scrollView, const std::shared_ptr<RefreshFooter>& footer);
std::shared_ptr<RefreshFooter> footer(const kit::ScrollView& scrollView);
