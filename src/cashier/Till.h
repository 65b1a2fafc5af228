#pragma once

#include "till/TillLedger.h"

// The till's ledger as the screens reach it: the running app's (AppDelegate
// owns it), or, for a screen shown without the app, one kept for that.
class Till {
public:
    static TillLedger& ledger();
    // Wall seconds of the installed clock, as the ledger keeps times.
    static double now();
};
