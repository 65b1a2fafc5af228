#include "api/IphoneDevicesUtils.h"

bool IphoneDevicesUtils::isIphone4Or4s(double heightPoints, double scale)
{
    // Single precision, so that a product rounding leaves a hair above 960 still counts as 960.
    return static_cast<float>(heightPoints * scale) <= 960.0f;
}
