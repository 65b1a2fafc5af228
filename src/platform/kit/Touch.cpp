#include "platform/kit/Touch.h"

#include "platform/kit/View.h"

namespace kit {

Touch::Touch(std::shared_ptr<View> view, graphics::Point locationInWindow, TouchPhase phase)
    : m_view(view)
    , m_locationInWindow(locationInWindow)
    , m_phase(phase)
{
}

graphics::Point Touch::locationInView(const View* view) const
{
    if (!view)
        return m_locationInWindow;
    return view->convertPointFromView(m_locationInWindow, nullptr);
}

} // namespace kit
