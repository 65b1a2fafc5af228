#pragma once

#include "platform/foundation/Subscription.h"
#include "till/TillLedger.h"
#include "till/TillWatcher.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>

namespace foundation {
class Timer;
}

// Follows the orders the ledger holds as left waiting (their screen went,
// or the app restarted), without any screen: a poll once
// TillLedger::followingDelay has passed, then again each time it has,
// backing off. A paid order goes where the ledger says (PaidOrderDelivery);
// a failed or cancelled one ends; one still waiting when the delay says to
// stop becomes unknown, which holds the till until the staff checked it.
// An order the staff checked unpaid (Cancelling) is cancelled, with the
// cancel the QR screen sends: the customer could still pay it after their
// word. A cancel that does not go through asks the order's state once: paid,
// its result is due as any late payment's; failed or cancelled, it ends;
// otherwise, or with no answer, the order may still be paid and holds the
// till again. At start it also opens the results still due.
//
// The app owns it (AppDelegate::tillWatcher); main thread only.
class OrderFollower : public TillWatcher, public std::enable_shared_from_this<OrderFollower> {
public:
    static constexpr std::string_view givenUpText = "订单未能确认支付结果,请在账单中核实！";

    explicit OrderFollower(std::shared_ptr<TillLedger> ledger);
    ~OrderFollower() override;

    void start() override;

private:
    struct Followed {
        std::shared_ptr<foundation::Timer> timer;
    };

    // Follows what the ledger holds as left waiting, and no other.
    void sync();
    void schedule(const std::string& orderid, double delay);
    void poll(const std::string& orderid);
    void heard(const std::string& orderid, const std::optional<std::string>& reply);
    void scheduleNext(const TillLedger::Order& order);
    void cancel(const TillLedger::Order& order);
    void cancelNotDone(const std::string& orderid);
    void askAfterCancel(const std::string& orderid);

    std::shared_ptr<TillLedger> m_ledger;
    foundation::Subscription m_watch;
    std::map<std::string, Followed> m_followed;
    // Orders whose cancel (or the ask after it) is out.
    std::set<std::string> m_cancelling;
    bool m_started = false;
    bool m_syncing = false;
};
