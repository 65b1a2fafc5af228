#include "cashier/OrderFollower.h"

#include "api/Constants.h"
#include "api/JsonUtil.h"
#include "api/NetUtilSign.h"
#include "cashier/OrderStatusPoller.h"
#include "cashier/PaidOrderDelivery.h"
#include "cashier/RequestOutcome.h"
#include "cashier/RequestSettledToken.h"
#include "cashier/Till.h"
#include "cashier/UnpaidOrderExit.h"
#include "platform/foundation/DispatchQueue.h"
#include "platform/foundation/Timer.h"
#include "ui/PromptUtil.h"

#include <utility>
#include <vector>

OrderFollower::OrderFollower(std::shared_ptr<TillLedger> ledger)
    : m_ledger(std::move(ledger))
{
}

OrderFollower::~OrderFollower()
{
    for (auto& [orderid, followed] : m_followed) {
        if (followed.timer)
            followed.timer->invalidate();
    }
}

void OrderFollower::start()
{
    if (m_started)
        return;
    m_started = true;
    std::weak_ptr<OrderFollower> weak = weak_from_this();
    // Every change may leave an order waiting or a result due; both are
    // taken up after the change has run its course.
    m_watch = m_ledger->observe([weak] {
        foundation::DispatchQueue::main()->async([weak] {
            if (auto follower = weak.lock())
                follower->sync();
        });
    });
    sync();
}

void OrderFollower::sync()
{
    if (m_syncing)
        return;
    m_syncing = true;
    auto left = m_ledger->ordersIn(TillLedger::OrderState::LeftWaiting);
    std::vector<std::string> gone;
    for (const auto& followed : m_followed) {
        const auto& orderid = followed.first;
        bool still = std::any_of(
            left.begin(), left.end(), [&](const auto& order) { return order.orderid == orderid; });
        if (!still)
            gone.push_back(orderid);
    }
    for (const auto& orderid : gone) {
        if (auto& timer = m_followed[orderid].timer)
            timer->invalidate();
        m_followed.erase(orderid);
    }
    // Each order is asked about at least once, also one left longer ago than
    // its following lasts (the app was not running meanwhile).
    for (const auto& order : left) {
        if (!m_followed.contains(order.orderid))
            schedule(order.orderid, TillLedger::followingDelay(Till::now() - order.leftAt).value_or(0));
    }
    for (const auto& order : m_ledger->ordersIn(TillLedger::OrderState::Cancelling)) {
        if (!m_cancelling.contains(order.orderid))
            cancel(order);
    }
    m_syncing = false;
    PaidOrderDelivery::showDue();
}

void OrderFollower::scheduleNext(const TillLedger::Order& order)
{
    auto delay = TillLedger::followingDelay(Till::now() - order.leftAt);
    if (!delay) {
        m_followed.erase(order.orderid);
        m_ledger->followingEnded(order.orderid);
        PromptUtil::toast(std::string(givenUpText));
        return;
    }
    schedule(order.orderid, *delay);
}

void OrderFollower::schedule(const std::string& orderid, double delay)
{
    auto& followed = m_followed[orderid];
    if (followed.timer)
        followed.timer->invalidate();
    std::weak_ptr<OrderFollower> weak = weak_from_this();
    followed.timer = foundation::Timer::scheduledTimer(delay, false, [weak, orderid] {
        if (auto follower = weak.lock())
            follower->poll(orderid);
    });
}

void OrderFollower::poll(const std::string& orderid)
{
    const auto* order = m_ledger->order(orderid);
    if (!order || order->state != TillLedger::OrderState::LeftWaiting) {
        m_followed.erase(orderid);
        return;
    }
    NetUtilSign::Parameters parameters;
    parameters["orderid"] = orderid;
    // A re-payment names its wallet, as its own screen polls it.
    if (order->purpose == TillLedger::Purpose::Repay)
        parameters["m_paytype"] = order->wallet;
    // The next poll is due whatever becomes of this one: without network the
    // client sends nothing and never answers.
    scheduleNext(*order);
    std::weak_ptr<OrderFollower> weak = weak_from_this();
    NetUtilSign::doPostForNotLoading(OrderStatusPoller::statusPath, NetUtilSign::receivableKeyFlag,
        parameters, [weak, orderid](const std::optional<std::string>& reply) {
            if (auto follower = weak.lock())
                follower->heard(orderid, reply);
        });
}

void OrderFollower::heard(const std::string& orderid, const std::optional<std::string>& reply)
{
    auto answer = OrderStatusPoller::answeredOrder(reply);
    auto end = answer ? OrderStatusPoller::endOf(*answer) : OrderStatusPoller::End::None;
    if (end == OrderStatusPoller::End::None)
        return;
    const auto* recorded = m_ledger->order(orderid);
    // Its screen took it back meanwhile: the screen hears its end itself.
    if (recorded && recorded->state == TillLedger::OrderState::Followed)
        return;
    TillLedger::Order known = recorded ? *recorded : TillLedger::Order {};
    if (auto followed = m_followed.find(orderid); followed != m_followed.end()) {
        if (followed->second.timer)
            followed->second.timer->invalidate();
        m_followed.erase(followed);
    }
    // Whoever asked, money that moved goes where the ledger says, even after
    // the following gave up on the order.
    if (end == OrderStatusPoller::End::Paid) {
        PaidOrderDelivery::deliverLate(*answer, known);
        return;
    }
    // Failed or cancelled: it took nothing.
    if (recorded)
        m_ledger->ended(orderid);
}

void OrderFollower::cancel(const TillLedger::Order& order)
{
    auto orderid = order.orderid;
    m_cancelling.insert(orderid);
    NetUtilSign::Parameters parameters;
    parameters["orderid"] = orderid;
    parameters["m_paytype"] = order.wallet;
    TillLedger::Request sent;
    sent.kind = TillLedger::RequestKind::Cancel;
    sent.orderid = orderid;
    sent.wallet = order.wallet;
    auto id = m_ledger->sent(sent);
    auto cancelled = std::make_shared<bool>(false);
    std::weak_ptr<OrderFollower> weak = weak_from_this();
    RequestOutcome::post(
        UnpaidOrderExit::cancelPath, std::nullopt, parameters, NetUtilSign::receivableKeyFlag,
        [cancelled](const std::optional<foundation::Json>& reply) {
            if (!RequestOutcome::readsAsAnswer(reply))
                return false;
            *cancelled = JsonUtil::isSuccess(reply);
            return true;
        },
        [weak, ledger = m_ledger, id, orderid, cancelled](RequestOutcome::Kind kind) {
            RequestOutcome::tell(*ledger, id, kind);
            auto follower = weak.lock();
            if (!follower)
                return;
            if (*cancelled) {
                follower->m_cancelling.erase(orderid);
                ledger->ended(orderid);
            } else if (kind == RequestOutcome::Kind::NotSent) {
                // Nothing went out: the order is as open as it was.
                follower->cancelNotDone(orderid);
            } else {
                // Refused (most likely paid just now) or lost: the order's
                // state tells.
                follower->askAfterCancel(orderid);
            }
        });
}

void OrderFollower::askAfterCancel(const std::string& orderid)
{
    NetUtilSign::Parameters parameters;
    parameters["orderid"] = orderid;
    if (const auto* order = m_ledger->order(orderid); order && order->purpose == TillLedger::Purpose::Repay)
        parameters["m_paytype"] = order->wallet;
    auto settled = std::make_shared<bool>(false);
    std::weak_ptr<OrderFollower> weak = weak_from_this();
    // The client drops the reply block unheard without network or on a
    // server error: the order then holds the till again.
    auto over = RequestSettledToken::create([weak, orderid, settled] {
        auto follower = weak.lock();
        if (follower && !*settled)
            follower->cancelNotDone(orderid);
    });
    NetUtilSign::doPostForNotLoading(OrderStatusPoller::statusPath, NetUtilSign::receivableKeyFlag,
        parameters, [weak, orderid, settled, over](const std::optional<std::string>& reply) {
            auto follower = weak.lock();
            auto answer = OrderStatusPoller::answeredOrder(reply);
            auto end = answer ? OrderStatusPoller::endOf(*answer) : OrderStatusPoller::End::None;
            if (!follower || end == OrderStatusPoller::End::None)
                return;
            *settled = true;
            follower->m_cancelling.erase(orderid);
            const auto* recorded = follower->m_ledger->order(orderid);
            PaidOrderDelivery::endedAway(*answer, orderid, recorded ? *recorded : TillLedger::Order {});
        });
}

void OrderFollower::cancelNotDone(const std::string& orderid)
{
    m_cancelling.erase(orderid);
    // The customer may still pay it: the till is held again, as it was
    // before the staff's word.
    m_ledger->cancelNotDone(orderid);
    PromptUtil::toast(std::string(givenUpText));
}
