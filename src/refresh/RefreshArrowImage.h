#pragma once

#include "platform/graphics/Image.h"

#include <memory>

// The arrow of the normal headers and footers, from the assets' refresh
// bundle; null when the artwork is missing (the arrow then has no size and
// the controls work with their texts and spinner).
std::shared_ptr<const graphics::Image> refreshArrowImage();
