#pragma once

#include "api/NetUtilSign.h"
#include "cashier/MobilePayCallbackReceiver.h"
#include "platform/foundation/Json.h"

#include <memory>
#include <optional>
#include <string>

// What a screen that follows an order keeps for a poll's answer that comes
// after the staff left it (OrderStatusPoller's onPaidAfterStop): the
// customer paid as they went back. That money moved, so the answer is never
// dropped. On the stack the staff see now, a member's mobile part binds to
// its member screen (MobilePayHandOff::bindPaidRequestLate), which comes to
// the top; anything else, or a part no member screen there can take, opens
// the payment's result there. Held by value in the poller's callback, as
// the screen may be gone.
struct PaidAfterLeaving {
    std::string money; // the amount as the result shows it
    int consumeType = MobilePayCallbackReceiver::consumeTypeCollection;
    std::shared_ptr<NetUtilSign::Parameters> request; // the member request, if any
    std::optional<std::string> wallet; // a QR payment's, for that request
    bool isRestartPay = false;
    bool isFromOrderDetailInto = false;

    void deliver(const foundation::Json& order) const;
};
