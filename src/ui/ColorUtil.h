#pragma once

#include "platform/graphics/Color.h"
#include "platform/graphics/Image.h"

#include <memory>
#include <string_view>

// Colours from the six-digit hexadecimal texts the screens use ("3AAA24").
class ColorUtil {
public:
    // Red, green and blue from digits 1-2, 3-4 and 5-6; alpha 1. A pair
    // that is missing or not hexadecimal reads as 0.
    static graphics::Color getUIColorByHex(std::string_view hex);
    // A 1 x 1 point image of the colour, for stretchable backgrounds.
    static std::shared_ptr<const graphics::Image> getUIImageByUIColor(const graphics::Color& color);
};
