#pragma once

#include "api/NetUtilSign.h"
#include "platform/foundation/Json.h"
#include "till/TillLedger.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kit {
class NavigationController;
class ViewController;
} // namespace kit

// Where a paid order goes: to the member sale whose mobile part it pays, or
// to a result of its own. The ledger decides (TillLedger::paid); this puts
// its verdict on the screens.
//
// On its paying screen a member's part goes back to the sale's form
// (MobilePayCallbackReceiver), which is popped to and sends its request.
// Heard of anywhere else (a poll answering after the screen went, the
// follower's), a part bound to its sale shows on the form, which comes to
// the top only when nothing but its own idle paying screens lies over it;
// a payment of its own opens its result over whatever the staff see, and
// that result's back returns there.
//
// Main thread only.
class PaidOrderDelivery {
public:
    // Whether the order is paid and the payment is a member purchase or
    // recharge part, whose request goes back rather than to a result screen.
    static bool isPaidMemberPart(int consumeType, const foundation::Json& order);
    // The part paid on `payingScreen`, which the ledger bound to `sale`:
    // puts `wallet` (when given) under "m_paytype" and the order's "orderid"
    // under "m_orderid" of the form's request, gives it to the form of the
    // sale and pops to it, animated. False, and the stack untouched, when
    // the sale's form is not in the paying screen's stack.
    static bool handBack(kit::ViewController& payingScreen, TillLedger::Id sale,
        const std::shared_ptr<NetUtilSign::Parameters>& request, const foundation::Json& order,
        const std::optional<std::string>& wallet);
    // The result of the order followed on its paying screen came: the ledger
    // hears it, and a paid part the ledger binds to `sale` goes back to its
    // form through `handBack` (the screen's memberConsume or memberRecharge,
    // false when the form is gone, and the part is then a payment of its
    // own). True when the paying screen is to show the order's result.
    static bool settleOnPayingScreen(const foundation::Json& order, const std::string& orderid,
        const TillLedger::Order& record, TillLedger::Id sale, const std::function<bool()>& handBack);
    // A paid order heard of away from its paying screen; `known` stands in
    // for an order the ledger has no record of.
    static void deliverLate(const foundation::Json& order, const TillLedger::Order& known);
    // The end of an order heard away from its paying screen: paid, it goes
    // where the ledger says (deliverLate); failed or cancelled, it took
    // nothing.
    static void endedAway(const foundation::Json& answer, const std::string& orderid, const TillLedger::Order& known);
    // Opens the result of every payment of its own still due (a sale's form
    // gone with its part, a restart).
    static void showDue();
    // The ledger bound a part to `sale` away from its paying screen: the
    // sale's form shows it (and comes to the top when nothing but its own
    // idle paying screens lies over it).
    static void bindLate(TillLedger::Id sale);
    // The same without opening any result: false when the sale's form is
    // gone, and the part with it is a payment of its own whose result is
    // due (the caller shows it, then TillLedger::resultShown).
    static bool showOnForm(TillLedger::Id sale);

private:
    static bool showLateResult(const foundation::Json& order, const std::string& money);
};
