#pragma once

#include "api/NetUtilSign.h"
#include "till/TillLedger.h"

#include <memory>

// A member screen whose request has a part paid by mobile wallet: the form
// of one member sale of the till (TillLedger). It hands the prepared request
// to the pay-way screen with its sale; once that part is paid there and the
// ledger has bound it to the sale, the cashier puts the order number into
// the same request (under "m_orderid", and "m_paytype" for a QR payment),
// gives it back here and pops to this screen, which submits it when it
// appears again.
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

    // consumeTypePurchase or consumeTypeRecharge: the payments this screen takes back.
    virtual int mobilePayConsumeType() const = 0;
    // The ledger's sale this screen is the form of.
    virtual TillLedger::Id tillSale() const = 0;
    // The very dictionary the screen handed over, now with the order number.
    virtual void setMobilePayCallbackParams(std::shared_ptr<NetUtilSign::Parameters> params) = 0;
    // A part paid after the staff had left its paying screen (a poll's
    // answer on its way as they went back, or the app following the order)
    // is now bound to this screen's sale: the form shows it, and nothing
    // goes out until the staff confirm.
    virtual void mobilePartBoundLate() = 0;
};
