#include "cashier/Till.h"

#include "app/AppDelegate.h"
#include "platform/foundation/Clock.h"
#include "platform/foundation/NeverDestroyed.h"

TillLedger& Till::ledger()
{
    if (auto app = AppDelegate::shared(); app && app->tillLedger())
        return *app->tillLedger();
    static foundation::NeverDestroyed<TillLedger> alone;
    return *alone;
}

double Till::now()
{
    return foundation::Clock::current()->now();
}
