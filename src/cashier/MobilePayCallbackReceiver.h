#pragma once

#include "api/NetUtilSign.h"

#include <memory>

// A member screen whose request has a part paid by mobile wallet. It hands
// the prepared request to the pay-way screen; once that part is paid, the
// cashier puts the order number into the same request (under "m_orderid",
// and "m_paytype" for a QR payment) and gives it back here, then pops to
// this screen, which submits it when it appears again.
//
// The cashier knows member screens only through this interface, so the
// member library may depend on the cashier and never the other way round.
class MobilePayCallbackReceiver {
public:
    // What the pay-way screen collects (its consumeType).
    static constexpr int consumeTypeCollection = 0;
    static constexpr int consumeTypePurchase = 1;
    static constexpr int consumeTypeRecharge = 2;

    virtual ~MobilePayCallbackReceiver() = default;

    // consumeTypePurchase or consumeTypeRecharge: the payments this screen
    // takes back. The first screen of that type from the bottom of the
    // navigation stack receives the paid request.
    virtual int mobilePayConsumeType() const = 0;
    // The very dictionary the screen handed over, now with the order number.
    virtual void setMobilePayCallbackParams(std::shared_ptr<NetUtilSign::Parameters> params) = 0;
};
