#include "platform/kit/Screen.h"

#include <cmath>

namespace kit {

Screen& Screen::mainScreen()
{
    static Screen screen;
    return screen;
}

void Screen::configure(graphics::Size size, double scale)
{
    bool sizeOk
        = std::isfinite(size.width) && std::isfinite(size.height) && size.width > 0 && size.height > 0;
    m_size = sizeOk ? size : defaultSize;
    m_scale = std::isfinite(scale) && scale > 0 ? scale : defaultScale;
}

} // namespace kit
