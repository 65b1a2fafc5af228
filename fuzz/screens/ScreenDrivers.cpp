#include "ScreenDrivers.h"

// Add one entry per screen that sends requests; keep the order (a corpus entry's
// first byte names its driver).
const std::vector<ScreenDriver>& screenDrivers()
{
    static const std::vector<ScreenDriver> drivers {
        // LoginViewController: the staff check, then the shop information.
        { "sign-in", false,
            { "tap btnOne", "type tvUserName boss", "type tvPassword 123456", "tap btnLogin", "idle",
                "show" } },
        // ChoosePayWayViewController: reached with an amount; its payment steps follow here.
        { "collect by barcode", true, { "tap btnOne", "tap btnTwo", "tap btnOK", "idle", "show" } },
    };
    return drivers;
}
