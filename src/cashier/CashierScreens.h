#pragma once

// The cashier's entries in the storyboard (the collect tab and every
// collection screen), plus the scanner hand-off of every screen.
// Called once at start, before the home tabs are built, so the collect tab
// is the real one and not a placeholder.
class CashierScreens {
public:
    static void registerScreens();
};
