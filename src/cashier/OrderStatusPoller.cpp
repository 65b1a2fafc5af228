#include "cashier/OrderStatusPoller.h"

#include "api/JsonUtil.h"
#include "platform/foundation/Timer.h"

std::optional<foundation::Json> OrderStatusPoller::answeredOrder(const std::optional<std::string>& reply)
{
    auto json = JsonUtil::getJSONObject(reply);
    if (!JsonUtil::isSuccess(json))
        return std::nullopt;
    const auto& order = JsonUtil::data(json);
    if (!order.is_object())
        return std::nullopt;
    return order;
}

OrderStatusPoller::End OrderStatusPoller::endOf(const foundation::Json& order)
{
    auto paystatus = foundation::optionalText(order, "paystatus");
    if (paystatus == "1")
        return End::Paid;
    if (paystatus == "2")
        return End::Failed;
    // Cancelled meanwhile (its detail, another device): nothing can pay it any more.
    if (foundation::optionalText(order, "is_refund").value_or("0") != "0")
        return End::Cancelled;
    return End::None;
}

std::string OrderStatusPoller::orderid() const
{
    auto found = m_parameters.find("orderid");
    return found != m_parameters.end() ? found->second : std::string();
}

void OrderStatusPoller::start(
    NetUtilSign::Parameters parameters, SettledCallback onSettled, SettledCallback onLateAnswer)
{
    stop();
    m_parameters = std::move(parameters);
    m_onSettled = std::move(onSettled);
    m_onLateAnswer = onLateAnswer ? std::make_shared<SettledCallback>(std::move(onLateAnswer)) : nullptr;
    m_timer = foundation::Timer::scheduledWeak(
        pollInterval, true, weak_from_this(), [](OrderStatusPoller& poller) { poller.poll(); });
    m_timer->fire();
}

void OrderStatusPoller::stop()
{
    if (m_timer) {
        m_timer->invalidate();
        m_timer = nullptr;
    }
}

void OrderStatusPoller::pollNow(OpenCallback onOpen)
{
    if (isPolling())
        poll(std::move(onOpen));
}

void OrderStatusPoller::poll(OpenCallback onOpen)
{
    if (m_onPoll)
        m_onPoll();
    std::weak_ptr<OrderStatusPoller> weak = weak_from_this();
    NetUtilSign::doPostForNotLoading(statusPath, NetUtilSign::receivableKeyFlag, m_parameters,
        [weak, asked = orderid(), late = m_onLateAnswer, onOpen = std::move(onOpen)](
            const std::optional<std::string>& reply) {
            auto order = answeredOrder(reply);
            auto poller = weak.lock();
            // About the order polled now: the screen's, whenever it comes.
            if (poller && poller->isPolling() && poller->orderid() == asked) {
                poller->handleReply(order, onOpen);
                return;
            }
            if (order && late && *late && endOf(*order) != End::None)
                (*late)(*order);
        });
}

void OrderStatusPoller::handleReply(const std::optional<foundation::Json>& order, const OpenCallback& onOpen)
{
    auto keep = shared_from_this();
    if (order && endOf(*order) != End::None) {
        // Copied out first: the callback may start polling again or drop us.
        auto onSettled = std::exchange(m_onSettled, nullptr);
        stop();
        if (onSettled)
            onSettled(*order); // May delete the owner.
        return;
    }
    if (onOpen)
        onOpen(order);
}
