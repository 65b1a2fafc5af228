#pragma once

#include "api/NetUtilSign.h"
#include "platform/foundation/Json.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace foundation {
class Timer;
}

// Follows one order on its screen until the back end reports it paid
// ("paystatus" "1"), failed ("2") or cancelled ("is_refund" "1" while
// unpaid): a poll at once, then one every two seconds, each through the
// signed client's quiet variant. Any other reply waits for the next tick.
//
// A reply is heard as the screen's while the poller polls the order it
// asks about; one that comes after polling ended (the screen went) and
// reports the order's end goes to the start's `onLateAnswer`, which must
// not need the screen: the customer paid as the staff left, and that money
// moved. The ledger counts each order's end once, however many polls tell
// it (TillLedger::paid). An order its screen leaves unsettled is followed
// by the app's OrderFollower meanwhile.
//
// Main thread only. The owner keeps the poller; its timer holds it weakly.
class OrderStatusPoller : public std::enable_shared_from_this<OrderStatusPoller> {
public:
    enum class End { None, Paid, Failed, Cancelled };
    using SettledCallback = std::function<void(const foundation::Json& order)>;
    // The order as the back end reported it, or nothing when the reply did
    // not read as an answer.
    using OpenCallback = std::function<void(const std::optional<foundation::Json>& order)>;

    static constexpr double pollInterval = 2.0;
    static constexpr std::string_view statusPath = "/PayApi/OfflinePay/getOrderStatus/";

    // The order of a reply that reads as the back end's answer.
    static std::optional<foundation::Json> answeredOrder(const std::optional<std::string>& reply);
    // How the order stands: ended one way, or not yet.
    static End endOf(const foundation::Json& order);

    static std::shared_ptr<OrderStatusPoller> create() { return std::make_shared<OrderStatusPoller>(); }

    // Ends any earlier polling, then polls with these parameters.
    // `onSettled` runs once polling has stopped on the order's end (it may
    // delete the caller); `onLateAnswer` as above.
    void start(NetUtilSign::Parameters parameters, SettledCallback onSettled,
        SettledCallback onLateAnswer = nullptr);
    void stop();
    bool isPolling() const { return m_timer != nullptr; }
    // Runs before each poll goes out (the pay-way screen shows its overlay).
    void setOnPoll(std::function<void()> onPoll) { m_onPoll = std::move(onPoll); }
    const NetUtilSign::Parameters& parameters() const { return m_parameters; }
    std::string orderid() const;

    // One poll now, besides the timer's. When its answer ends the order the
    // callbacks above run; otherwise, if polling still goes on, `onOpen`
    // hears it. Nothing goes out when polling has stopped.
    void pollNow(OpenCallback onOpen);

private:
    void poll(OpenCallback onOpen = nullptr);
    void handleReply(const std::optional<foundation::Json>& order, const OpenCallback& onOpen);

    std::shared_ptr<foundation::Timer> m_timer;
    NetUtilSign::Parameters m_parameters;
    SettledCallback m_onSettled;
    std::shared_ptr<SettledCallback> m_onLateAnswer;
    std::function<void()> m_onPoll;
};
