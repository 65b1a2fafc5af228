#pragma once

#include "platform/kit/View.h"

#include <memory>

// The controls keep their parts weakly: the control owns them as subviews,
// and a part taken out of the control is made again on its next use.
template<class Part, class Make>
std::shared_ptr<Part> lazySubview(kit::View& control, std::weak_ptr<Part>& slot, Make make)
{
    auto part = slot.lock();
    if (!part) {
        part = make();
        control.addSubview(part);
        slot = part;
    }
    return part;
}
