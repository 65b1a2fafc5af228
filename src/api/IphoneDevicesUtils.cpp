#include "api/IphoneDevicesUtils.h"

#include "platform/kit/Screen.h"

bool IphoneDevicesUtils::isIphone4Or4s()
{
    const kit::Screen& screen = kit::Screen::mainScreen();
    return isIphone4Or4s(screen.bounds().size.height, screen.scale());
}

bool IphoneDevicesUtils::isIphone4Or4s(double heightPoints, double scale)
{
    // Single precision, so that a product rounding leaves a hair above 960 still counts as 960.
    return static_cast<float>(heightPoints * scale) <= 960.0f;
}
