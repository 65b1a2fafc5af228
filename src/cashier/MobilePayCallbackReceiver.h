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
    // The same, for a part whose payment was heard of only after the staff
    // had left the pay-way screen (a poll's answer on its way as they went
    // back): the screen may have been edited or confirmed again since, so
    // the paid order binds to the sale as its mobile part, shown on the
    // form, and nothing is sent until the staff confirm. False, and nothing
    // bound, when the sale cannot take it (a request of its own is out or
    // held, or another paid order is bound).
    virtual bool takeMobilePartPaidLate(const NetUtilSign::Parameters& paidRequest) = 0;
};
