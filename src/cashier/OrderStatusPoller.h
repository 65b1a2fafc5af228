#pragma once

#include "api/NetUtilSign.h"
#include "platform/foundation/Json.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace foundation {
class Timer;
}

// Follows one order until the back end reports it paid ("paystatus" "1")
// or failed ("2"): a poll at once, then one every two seconds, each through
// the signed client's quiet variant. Any other reply waits for the next
// tick; there is no limit on the number of polls.
//
// Each start or stop opens a new generation, and a reply is heard only in
// the generation that asked for it, so a poll still on its way when polling
// ended, or that asked about an earlier order, never settles anything, with
// one exception: such a reply that says the order was paid, while nothing
// else has settled it, goes to the start's `onPaidAfterStop`. The customer
// paid as the staff left the screen; that money moved, and its result must
// not be lost with the screen (which may be gone by then, so the callback
// must not need it).
//
// An order its screen leaves unpaid and not cancelled (the staff chose to
// leave anyway, or the app put another screen over it) is not dropped:
// continueAfterLeaving() keeps it polled without the screen, in the same
// generation, until it is paid (then `onPaidAfterStop` runs), fails, or is
// seen cancelled; takeBack() returns it to its screen when that shows again.
//
// Main thread only. The owner keeps the poller; its timer holds it weakly,
// and while it follows an order left behind, a list of such pollers does.
class OrderStatusPoller : public std::enable_shared_from_this<OrderStatusPoller> {
public:
    using SettledCallback = std::function<void(const foundation::Json& order)>;
    // The order as the back end reported it, or nothing when the reply did
    // not read as an answer.
    using OpenCallback = std::function<void(const std::optional<foundation::Json>& order)>;

    static constexpr double pollInterval = 2.0;
    static constexpr std::string_view statusPath = "/PayApi/OfflinePay/getOrderStatus/";

    static std::shared_ptr<OrderStatusPoller> create() { return std::make_shared<OrderStatusPoller>(); }

    // Ends any earlier polling, then polls with these parameters. One of the
    // callbacks runs, at most once: `onSettled` after polling has stopped
    // (it may delete the caller), or `onPaidAfterStop` as above.
    void start(NetUtilSign::Parameters parameters, SettledCallback onSettled,
        SettledCallback onPaidAfterStop = nullptr);
    void stop();
    bool isPolling() const { return m_timer != nullptr; }
    // Runs before each poll goes out (the pay-way screen shows its overlay),
    // but not while the order is followed without its screen.
    void setOnPoll(std::function<void()> onPoll) { m_onPoll = std::move(onPoll); }
    const NetUtilSign::Parameters& parameters() const { return m_parameters; }

    // One poll now, besides the timer's. When its answer settles the order
    // the callbacks above run; otherwise, if polling still goes on, `onOpen`
    // hears it. Nothing goes out when polling has stopped.
    void pollNow(OpenCallback onOpen);

    // Keeps polling after the owner has gone; `onSettled` no longer runs.
    // Nothing when polling has stopped.
    void continueAfterLeaving();
    bool isFollowingAfterLeaving() const { return m_leftBehind; }
    // The owner is back: polling that went on without it is its own again.
    // False when it has ended meanwhile or never went on without it.
    bool takeBack();
    // How many orders are followed without their screen.
    static std::size_t followedAfterLeaving();
    // A fresh start of the app follows no order left behind.
    static void forgetFollowedAfterLeaving();

private:
    // One order followed from a start: shared with the polls it sent, which
    // may outlive the poller.
    struct Following {
        SettledCallback onPaidAfterStop;
        bool settled = false;
    };

    void poll(OpenCallback onOpen = nullptr);
    void handleReply(const std::optional<std::string>& reply, const OpenCallback& onOpen);
    static void handleReplyAfterStop(Following& following, const std::optional<std::string>& reply);

    std::shared_ptr<foundation::Timer> m_timer;
    std::shared_ptr<Following> m_following;
    NetUtilSign::Parameters m_parameters;
    SettledCallback m_onSettled;
    std::function<void()> m_onPoll;
    std::uint64_t m_generation = 0;
    bool m_leftBehind = false;
};
