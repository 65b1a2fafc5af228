#pragma once

#include "platform/graphics/Geometry.h"

#include <memory>
#include <string>

namespace kit {
class TextField;
class Window;
} // namespace kit

// What a mouse and a keyboard do to the app in a desktop window: the mouse
// is the finger, typed text goes to the input that has the keyboard. Alerts
// are painted, not views, so while one is up the keyboard works it instead:
// text goes to its selected field, Tab selects the next field, Return
// presses its first button and Escape its last. Main thread only.
class WindowInput {
public:
    // Positions are in window points.
    void pointerDown(kit::Window& window, graphics::Point point);
    void pointerMove(kit::Window& window, graphics::Point point);
    void pointerUp(kit::Window& window, graphics::Point point);

    void text(kit::Window& window, const std::string& utf8);
    void backspace(kit::Window& window);
    void enter(kit::Window& window);
    void escape();
    void tab();

private:
    std::shared_ptr<kit::TextField> alertField() const;

    bool m_pointerDown = false;
    int m_alertField = 0;
};
