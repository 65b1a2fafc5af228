#include "cashier/UnpaidOrderExit.h"

#include "api/JsonUtil.h"
#include "api/NetUtilSign.h"
#include "cashier/OrderStatusPoller.h"
#include "cashier/RequestOutcome.h"
#include "cashier/SubmitGuard.h"
#include "cashier/Till.h"
#include "platform/kit/AlertView.h"
#include "ui/PromptUtil.h"

#include <utility>

std::shared_ptr<UnpaidOrderExit> UnpaidOrderExit::create(
    std::shared_ptr<OrderStatusPoller> poller, std::shared_ptr<SubmitGuard> guard)
{
    return std::make_shared<UnpaidOrderExit>(std::move(poller), std::move(guard));
}

UnpaidOrderExit::UnpaidOrderExit(
    std::shared_ptr<OrderStatusPoller> poller, std::shared_ptr<SubmitGuard> guard)
    : m_poller(std::move(poller))
    , m_guard(std::move(guard))
{
}

UnpaidOrderExit::~UnpaidOrderExit()
{
    // The queue keeps alerts alive: a question left up would answer nobody.
    if (m_alert)
        m_alert->dismissWithClickedButtonIndex(-1, false);
}

bool UnpaidOrderExit::isOrderOpen() const
{
    return m_poller->isPolling();
}

void UnpaidOrderExit::leave(std::string wallet, std::function<void()> leave, bool mayLeaveAnyway)
{
    if (!isOrderOpen()) {
        leave();
        return;
    }
    if (m_cancelling) {
        PromptUtil::toast(std::string(cancellingText));
        return;
    }
    if (m_alert && (m_alert->isVisible() || m_alert->isWaiting()))
        return;
    m_wallet = std::move(wallet);
    m_leave = std::move(leave);
    bool offerLeaving = mayLeaveAnyway && m_cancelFailed;
    std::vector<std::string> buttons { "撤销订单", "继续等待" };
    if (offerLeaving)
        buttons.emplace_back("仍要离开");
    m_alert = kit::AlertView::create(std::string(alertTitle),
        std::string(offerLeaving ? failedMessage : alertMessage), weak_from_this(), std::nullopt,
        std::move(buttons));
    m_alert->show();
}

void UnpaidOrderExit::orderChanged()
{
    m_cancelFailed = false;
    orderEnded();
}

void UnpaidOrderExit::orderEnded()
{
    m_leave = nullptr;
    if (m_alert)
        m_alert->dismissWithClickedButtonIndex(-1, false);
    m_alert = nullptr;
}

void UnpaidOrderExit::orderCancelled()
{
    auto leave = std::exchange(m_leave, nullptr);
    orderEnded();
    PromptUtil::toast(std::string(cancelledOrderText));
    if (leave)
        leave();
}

void UnpaidOrderExit::alertViewClickedButtonAtIndex(kit::AlertView& alertView, int buttonIndex)
{
    if (&alertView != m_alert.get())
        return;
    m_alert = nullptr;
    // The order may have settled while the question was up.
    if (!isOrderOpen()) {
        m_leave = nullptr;
        return;
    }
    if (buttonIndex == buttonCancelOrder) {
        cancel();
    } else if (buttonIndex == buttonLeaveAnyway && alertView.numberOfButtons() > buttonLeaveAnyway) {
        PromptUtil::toast(std::string(leftBehindText));
        takeTheWayOut();
    } else {
        m_leave = nullptr;
    }
}

void UnpaidOrderExit::takeTheWayOut()
{
    if (auto leave = std::exchange(m_leave, nullptr))
        leave();
}

void UnpaidOrderExit::cancel()
{
    if (m_cancelling)
        return;
    NetUtilSign::Parameters parameters;
    auto orderid = m_poller->parameters().find("orderid");
    parameters["orderid"] = orderid != m_poller->parameters().end() ? orderid->second : std::string();
    parameters["m_paytype"] = m_wallet;
    m_cancelling = true;
    TillLedger::Request sent;
    sent.kind = TillLedger::RequestKind::Cancel;
    sent.orderid = parameters["orderid"];
    sent.wallet = m_wallet;
    auto id = Till::ledger().sent(sent);
    std::weak_ptr<UnpaidOrderExit> weak = weak_from_this();
    RequestOutcome::post(
        cancelPath, std::nullopt, parameters, NetUtilSign::receivableKeyFlag,
        [weak, token = m_guard->block()](const std::optional<foundation::Json>& reply) {
            if (!RequestOutcome::readsAsAnswer(reply))
                return false;
            if (auto exit = weak.lock())
                exit->cancelAnswered(reply);
            return true;
        },
        [weak, id](RequestOutcome::Kind kind) {
            RequestOutcome::tell(Till::ledger(), id, kind);
            auto exit = weak.lock();
            if (!exit)
                return;
            exit->m_cancelling = false;
            if (kind == RequestOutcome::Kind::Answered)
                return;
            // Nothing sent (the client said why) or no answer: the order may
            // still be open, so the staff may now leave without cancelling it.
            exit->m_cancelFailed = true;
            exit->m_leave = nullptr;
            if (kind == RequestOutcome::Kind::Lost && exit->isOrderOpen())
                PromptUtil::toast(std::string(cancelLostText));
        });
}

void UnpaidOrderExit::cancelAnswered(const std::optional<foundation::Json>& reply)
{
    // A poll found the order paid or failed meanwhile and opened its result.
    if (!m_poller->isPolling()) {
        m_leave = nullptr;
        return;
    }
    if (JsonUtil::isSuccess(reply)) {
        // Cancelled: nothing can pay it any more, so it is no longer followed.
        Till::ledger().ended(m_poller->orderid());
        m_poller->stop();
        PromptUtil::toast(std::string(cancelledText));
        takeTheWayOut();
        return;
    }
    // Refused: most likely the customer has just paid. The order's state
    // tells; a paid or failed one goes to its result through the poller.
    std::string refusal = JsonUtil::info(reply).value_or("");
    if (refusal.empty())
        refusal = std::string(cancelRefusedText);
    std::weak_ptr<UnpaidOrderExit> weak = weak_from_this();
    m_poller->pollNow([weak, refusal](const std::optional<foundation::Json>& order) {
        if (auto exit = weak.lock())
            exit->cancelRefused(refusal, order);
    });
}

void UnpaidOrderExit::cancelRefused(std::string refusal, const std::optional<foundation::Json>&)
{
    // A cancelled order ends the polling (orderCancelled); a paid or failed
    // one opens its result. Still open: the customer can still pay it.
    if (!isOrderOpen())
        return;
    PromptUtil::toast(refusal);
    m_cancelFailed = true;
    m_leave = nullptr;
}
