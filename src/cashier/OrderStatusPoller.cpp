#include "cashier/OrderStatusPoller.h"

#include "api/JsonUtil.h"
#include "platform/foundation/Timer.h"

#include <set>
#include <vector>

namespace {

// The order of a reply that reads as the back end's answer.
std::optional<foundation::Json> answeredOrder(const std::optional<std::string>& reply)
{
    auto json = JsonUtil::getJSONObject(reply);
    if (!JsonUtil::isSuccess(json))
        return std::nullopt;
    const auto& order = JsonUtil::data(json);
    if (!order.is_object())
        return std::nullopt;
    return order;
}

// Paid ("1") or failed ("2").
bool isSettled(const foundation::Json& order)
{
    auto paystatus = foundation::optionalText(order, "paystatus");
    return paystatus == "1" || paystatus == "2";
}

bool isPaid(const foundation::Json& order)
{
    return foundation::optionalText(order, "paystatus") == "1";
}

// Orders followed after their screen went; each poller is here only while
// it polls one.
std::set<std::shared_ptr<OrderStatusPoller>>& leftBehind()
{
    static std::set<std::shared_ptr<OrderStatusPoller>> pollers;
    return pollers;
}

} // namespace

void OrderStatusPoller::start(
    NetUtilSign::Parameters parameters, SettledCallback onSettled, SettledCallback onPaidAfterStop)
{
    stop();
    // A screen follows again an order left behind (a re-payment of it): one
    // poller is enough, and only one may open its result.
    auto orderid = parameters.find("orderid");
    if (orderid != parameters.end()) {
        std::vector<std::shared_ptr<OrderStatusPoller>> same;
        for (const auto& poller : leftBehind()) {
            auto followed = poller->m_parameters.find("orderid");
            if (followed != poller->m_parameters.end() && followed->second == orderid->second)
                same.push_back(poller);
        }
        for (const auto& poller : same) {
            poller->m_following->settled = true;
            poller->stop();
        }
    }
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
    if (std::exchange(m_leftBehind, false)) {
        // The list may hold the last reference.
        auto keep = shared_from_this();
        leftBehind().erase(keep);
    }
}

void OrderStatusPoller::pollNow(OpenCallback onOpen)
{
    if (isPolling())
        poll(std::move(onOpen));
}

void OrderStatusPoller::continueAfterLeaving()
{
    if (!isPolling() || m_leftBehind)
        return;
    m_leftBehind = true;
    leftBehind().insert(shared_from_this());
}

bool OrderStatusPoller::takeBack()
{
    if (!m_leftBehind || !isPolling())
        return false;
    m_leftBehind = false;
    leftBehind().erase(shared_from_this());
    return true;
}

std::size_t OrderStatusPoller::followedAfterLeaving()
{
    return leftBehind().size();
}

void OrderStatusPoller::forgetFollowedAfterLeaving()
{
    auto pollers = std::move(leftBehind());
    leftBehind().clear();
    for (const auto& poller : pollers) {
        poller->m_leftBehind = false;
        poller->stop();
    }
}

void OrderStatusPoller::poll(OpenCallback onOpen)
{
    if (m_onPoll && !m_leftBehind)
        m_onPoll();
    std::weak_ptr<OrderStatusPoller> weak = weak_from_this();
    NetUtilSign::doPostForNotLoading(statusPath, NetUtilSign::receivableKeyFlag, m_parameters,
        [weak, generation = m_generation, following = m_following, onOpen = std::move(onOpen)](
            const std::optional<std::string>& reply) {
            auto poller = weak.lock();
            if (poller && generation == poller->m_generation && poller->m_timer)
                poller->handleReply(reply, onOpen);
            else
                handleReplyAfterStop(*following, reply);
        });
}

void OrderStatusPoller::handleReply(const std::optional<std::string>& reply, const OpenCallback& onOpen)
{
    auto keep = shared_from_this();
    auto order = answeredOrder(reply);
    if (order && isSettled(*order)) {
        m_following->settled = true;
        bool wasLeftBehind = m_leftBehind;
        // Copied out first: the callback may start polling again or drop us.
        auto onSettled = std::move(m_onSettled);
        m_onSettled = nullptr;
        auto onPaidAfterStop = std::move(m_following->onPaidAfterStop);
        m_following->onPaidAfterStop = nullptr;
        stop();
        if (!wasLeftBehind) {
            if (onSettled)
                onSettled(*order); // May delete the owner.
        } else if (isPaid(*order) && onPaidAfterStop) {
            // A failed order moved no money: it ended with its screen.
            onPaidAfterStop(*order);
        }
        return;
    }
    // Cancelled meanwhile (the order detail, another device): nothing can
    // pay it any more, so nobody needs to hear of it.
    if (m_leftBehind && order && foundation::optionalText(*order, "is_refund").value_or("0") != "0") {
        stop();
        return;
    }
    if (onOpen)
        onOpen(order);
}

void OrderStatusPoller::handleReplyAfterStop(Following& following, const std::optional<std::string>& reply)
{
    if (following.settled || !following.onPaidAfterStop)
        return;
    auto order = answeredOrder(reply);
    if (!order || !isPaid(*order))
        return;
    following.settled = true;
    auto onPaid = std::move(following.onPaidAfterStop);
    following.onPaidAfterStop = nullptr;
    onPaid(*order);
}
