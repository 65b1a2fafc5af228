#pragma once

#include "platform/graphics/Geometry.h"

#include <memory>

namespace kit {

class View;
class Window;

enum class TouchPhase { Began, Moved, Ended, Cancelled };

// One finger. Only one is ever down at a time: no screen uses multi-touch.
class Touch {
public:
    Touch(std::shared_ptr<View> view, graphics::Point locationInWindow, TouchPhase phase);

    std::shared_ptr<View> view() const { return m_view.lock(); }
    TouchPhase phase() const { return m_phase; }
    graphics::Point locationInWindow() const { return m_locationInWindow; }
    // In the coordinates of `view`; the window's when `view` is null.
    graphics::Point locationInView(const View* view) const;

private:
    std::weak_ptr<View> m_view;
    graphics::Point m_locationInWindow;
    TouchPhase m_phase;
};

} // namespace kit
