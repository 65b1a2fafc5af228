#include "cashier/OrderStatusPoller.h"

#include "api/JsonUtil.h"
#include "platform/foundation/Timer.h"

namespace {

// The order of a reply that says it was paid ("1") or failed ("2").
std::optional<foundation::Json> settledOrder(const std::optional<std::string>& reply)
{
    auto json = JsonUtil::getJSONObject(reply);
    if (!JsonUtil::isSuccess(json))
        return std::nullopt;
    const auto& order = JsonUtil::data(json);
    auto paystatus = foundation::optionalText(order, "paystatus");
    if (paystatus != "1" && paystatus != "2")
        return std::nullopt;
    return order;
}

} // namespace

void OrderStatusPoller::start(
    NetUtilSign::Parameters parameters, SettledCallback onSettled, SettledCallback onPaidAfterStop)
{
    stop();
    m_parameters = std::move(parameters);
    m_onSettled = std::move(onSettled);
    m_following = std::make_shared<Following>();
    m_following->onPaidAfterStop = std::move(onPaidAfterStop);
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
    NetUtilSign::doPostForNotLoading(statusPath, NetUtilSign::receivableKeyFlag, m_parameters,
        [weak, generation = m_generation, following = m_following](const std::optional<std::string>& reply) {
            auto poller = weak.lock();
            if (poller && generation == poller->m_generation && poller->m_timer)
                poller->handleReply(reply);
            else
                handleReplyAfterStop(*following, reply);
        });
}

void OrderStatusPoller::handleReply(const std::optional<std::string>& reply)
{
    auto order = settledOrder(reply);
    if (!order)
        return;
    m_following->settled = true;
    stop();
    // Copied out first: the callback may start polling again or drop us.
    auto onSettled = std::move(m_onSettled);
    m_onSettled = nullptr;
    if (onSettled)
        onSettled(*order); // May delete this.
}

void OrderStatusPoller::handleReplyAfterStop(Following& following, const std::optional<std::string>& reply)
{
    if (following.settled || !following.onPaidAfterStop)
        return;
    // A failed order moved no money: it ended with its screen.
    auto order = settledOrder(reply);
    if (!order || foundation::optionalText(*order, "paystatus") != "1")
        return;
    following.settled = true;
    auto onPaid = std::move(following.onPaidAfterStop);
    following.onPaidAfterStop = nullptr;
    onPaid(*order);
}
