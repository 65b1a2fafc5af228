#pragma once

// What works the till's ledger for the app while no screen does: it follows
// the orders left waiting and shows the payments heard of away from their
// screens. The cashier makes it; the app owns it beside the ledger and
// starts it once its home is up.
class TillWatcher {
public:
    virtual ~TillWatcher() = default;
    virtual void start() = 0;
};
