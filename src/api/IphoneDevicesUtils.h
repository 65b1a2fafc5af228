#pragma once

// Whether the display is the short 3.5-inch kind, for layouts that must fit it.
class IphoneDevicesUtils {
public:
    // Asks the main screen.
    static bool isIphone4Or4s();
    // At most 960 pixels high.
    static bool isIphone4Or4s(double heightPoints, double scale);
};
