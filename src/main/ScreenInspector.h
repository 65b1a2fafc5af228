#pragma once

#include <memory>
#include <string>

namespace kit {
class View;
class ViewController;
class Window;
} // namespace kit

// Reads the window the way a person looking at it would: which screen is on
// top and what it shows. Main thread only.
class ScreenInspector {
public:
    // The screen the user sees: the root, then down through the selected tab
    // and the top of each navigation stack.
    static std::shared_ptr<kit::ViewController> topViewController(const kit::Window& window);
    // The class name as the program spells it: app screens are bare names,
    // platform containers keep their "kit::".
    static std::string className(const kit::ViewController& controller);
    // The top screen's class, then one line for each shown label, field,
    // button, check box and table row with its text, in tree order.
    static std::string describe(const kit::Window& window);
};
