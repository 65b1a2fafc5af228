#pragma once

#include "api/NetUtilSign.h"
#include "platform/foundation/Json.h"

#include <cstdint>
#include <functional>
#include <memory>

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
// ended, or that asked about an earlier order, never settles anything.
//
// Main thread only. The owner keeps the poller; its timer holds it weakly.
class OrderStatusPoller : public std::enable_shared_from_this<OrderStatusPoller> {
public:
    using SettledCallback = std::function<void(const foundation::Json& order)>;

    static constexpr double pollInterval = 2.0;
    static constexpr std::string_view statusPath = "/PayApi/OfflinePay/getOrderStatus/";

    static std::shared_ptr<OrderStatusPoller> create() { return std::make_shared<OrderStatusPoller>(); }

    // Ends any earlier polling, then polls with these parameters. The
    // callback runs once, after polling has stopped. May delete the caller.
    void start(NetUtilSign::Parameters parameters, SettledCallback onSettled);
    void stop();
    bool isPolling() const { return m_timer != nullptr; }
    // Runs before each poll goes out (the pay-way screen shows its overlay).
    void setOnPoll(std::function<void()> onPoll) { m_onPoll = std::move(onPoll); }

private:
    void poll();
    void handleReply(std::uint64_t generation, const std::optional<std::string>& reply);

    std::shared_ptr<foundation::Timer> m_timer;
    NetUtilSign::Parameters m_parameters;
    SettledCallback m_onSettled;
    std::function<void()> m_onPoll;
    std::uint64_t m_generation = 0;
};
