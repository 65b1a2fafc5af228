#pragma once

#include "platform/graphics/Geometry.h"

namespace kit {

// The display the app runs on. Screens size themselves from it, and some
// logic asks whether it is the short 3.5-inch kind (height x scale <= 960),
// so both values can be set by the shell and by tests.
class Screen {
public:
    static constexpr graphics::Size defaultSize { 320, 568 };
    static constexpr double defaultScale = 2;

    static Screen& mainScreen();

    graphics::Rect bounds() const { return { 0, 0, m_size.width, m_size.height }; }
    double scale() const { return m_scale; }
    // Sizes that are not finite and positive fall back to the defaults.
    void configure(graphics::Size size, double scale);
    void reset() { configure(defaultSize, defaultScale); }

private:
    graphics::Size m_size = defaultSize;
    double m_scale = defaultScale;
};

} // namespace kit
