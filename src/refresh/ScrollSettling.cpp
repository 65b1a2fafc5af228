#include "refresh/ScrollSettling.h"

#include "platform/kit/ScrollView.h"

#include <algorithm>

void settleIntoRestingRange(kit::ScrollView& scrollView)
{
    if (scrollView.isDragging())
        return;
    graphics::Point offset = scrollView.contentOffset();
    double y = std::clamp(offset.y, scrollView.minimumOffsetY(), scrollView.maximumOffsetY());
    if (y != offset.y)
        scrollView.setContentOffset({ offset.x, y });
}
