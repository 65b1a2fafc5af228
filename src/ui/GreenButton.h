#pragma once

namespace kit {
class Button;
}

// The green of the buttons that confirm ("2ca612", "2b861b" while pressed),
// as one-pixel background images that stretch to the button's size.
class GreenButton {
public:
    static void style(kit::Button& button);
};
