#pragma once

#include "api/NetUtilSign.h"
#include "platform/foundation/Json.h"

#include <memory>
#include <optional>
#include <string>

namespace kit {
class NavigationController;
class ViewController;
} // namespace kit

// Returns a paid member request to the member screen that asked for it
// (see MobilePayCallbackReceiver). Shared by the barcode and QR payments.
class MobilePayHandOff {
public:
    // Whether the order is paid and the payment is a member purchase or
    // recharge, whose request goes back rather than to a result screen.
    static bool isPaidMemberPart(int consumeType, const foundation::Json& order);
    // Puts `wallet` (when given) under "m_paytype" and the order's "orderid"
    // (when it has one) under "m_orderid", then gives the request to the
    // first receiver of `consumeType` from the bottom of the paying screen's
    // stack and pops to it, animated. False, and the stack untouched, when
    // no such screen is in the stack or the request is missing.
    static bool returnPaidRequest(kit::ViewController& payingScreen, int consumeType,
        const std::shared_ptr<NetUtilSign::Parameters>& request, const foundation::Json& order,
        const std::optional<std::string>& wallet);
    // The same for a part paid after its paying screen had gone, on the
    // stack the staff see now: the receiver takes the order as the sale's
    // paid part (MobilePayCallbackReceiver::takeMobilePartPaidLate) and is
    // popped to. False, and the stack untouched, when no receiver of the
    // kind is in it or it cannot take the order.
    static bool bindPaidRequestLate(kit::NavigationController& navigation, int consumeType,
        const std::shared_ptr<NetUtilSign::Parameters>& request, const foundation::Json& order,
        const std::optional<std::string>& wallet);
};
