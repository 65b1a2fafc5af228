#include "cashier/OrderStatusPoller.h"

#include "api/JsonUtil.h"
#include "platform/foundation/Timer.h"

void OrderStatusPoller::start(NetUtilSign::Parameters parameters, SettledCallback onSettled)
{
    stop();
    m_parameters = std::move(parameters);
    m_onSettled = std::move(onSettled);
    m_timer = foundation::Timer::scheduledWeak(
        pollInterval, true, weak_from_this(), [](OrderStatusPoller& poller) { poller.poll(); });
    m_timer->fire();
}

void OrderStatusPoller::stop()
{
    ++m_generation;
    if (m_timer) {
        m_timer->invalidate();
        m_timer = nullptr;
    }
}

void OrderStatusPoller::poll()
{
    if (m_onPoll)
        m_onPoll();
    std::weak_ptr<OrderStatusPoller> weak = weak_from_this();
    std::uint64_t generation = m_generation;
    NetUtilSign::doPostForNotLoading(statusPath, NetUtilSign::receivableKeyFlag, m_parameters,
        [weak, generation](const std::optional<std::string>& reply) {
            if (auto poller = weak.lock())
                poller->handleReply(generation, reply);
        });
}

void OrderStatusPoller::handleReply(std::uint64_t generation, const std::optional<std::string>& reply)
{
    if (generation != m_generation || !m_timer)
        return;
    auto json = JsonUtil::getJSONObject(reply);
    if (!JsonUtil::isSuccess(json))
        return;
    const auto& order = JsonUtil::data(json);
    auto paystatus = foundation::optionalText(order, "paystatus");
    if (paystatus != "1" && paystatus != "2")
        return;
    stop();
    // Copied out first: the callback may start polling again or drop us.
    auto onSettled = std::move(m_onSettled);
    m_onSettled = nullptr;
    foundation::Json settled = order;
    if (onSettled)
        onSettled(settled); // May delete this.
}
