#pragma once

#include "api/URLConfig.h"
#include "platform/foundation/Json.h"
#include "platform/kit/AlertViewDelegate.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class OrderStatusPoller;
class SubmitGuard;

namespace kit {
class AlertView;
}

// The ways off a screen that follows an unpaid order (a barcode payment
// waiting for the customer, a QR code, a re-payment). Stopping the polling
// does not close the order: the customer could still pay it after the sale
// was collected another way, and that payment would have no result. So the
// staff are asked first (alert "订单尚未支付"):
//
//   0 "撤销订单"  cancels the order ("/PayApi/OfflinePay/cancel"), then
//                 leaves; polling goes on while the cancel is out.
//   1 "继续等待"  stays, polling.
//   2 "仍要离开"  offered on back only after a cancel failed (refused, lost,
//                 not sent), so the staff can always get out: the order is
//                 then followed without its screen (OrderStatusPoller::
//                 continueAfterLeaving) and a later payment opens its result.
//
// A refused cancel polls the order once: paid or failed, the poller opens
// its result as usual; already cancelled, the screen leaves; otherwise the
// refusal is told and polling goes on. A lost one leaves polling to tell.
// The cancel goes into the till's ledger like any request that moves money.
//
// Main thread only. The screen owns it and gives it the poller it follows
// the order with, and the guard of its controls (blocked while the cancel
// is out).
class UnpaidOrderExit : public kit::AlertViewDelegate, public std::enable_shared_from_this<UnpaidOrderExit> {
public:
    static constexpr std::string_view cancelPath = URLConfig::CANCEL;
    static constexpr std::string_view alertTitle = "订单尚未支付";
    static constexpr std::string_view alertMessage = "顾客仍可支付该订单,请先撤销订单再离开,以免重复收款。";
    static constexpr std::string_view failedMessage
        = "订单未能撤销,顾客仍可支付。仍要离开时,订单将在后台继续查询,付款后会显示支付结果。";
    static constexpr std::string_view cancelledText = "撤销订单成功！";
    static constexpr std::string_view cancellingText = "正在撤销订单,请稍候...";
    static constexpr std::string_view cancelLostText = "撤销订单结果未知,正在继续查询订单状态...";
    static constexpr std::string_view cancelRefusedText = "撤销订单失败,请重试！";
    static constexpr std::string_view leftBehindText = "订单将在后台继续查询,付款后会显示支付结果！";
    // A poll found the order cancelled (here, on its detail, elsewhere).
    static constexpr std::string_view cancelledOrderText = "该订单已撤销";
    static constexpr int buttonCancelOrder = 0;
    static constexpr int buttonKeepWaiting = 1;
    static constexpr int buttonLeaveAnyway = 2;

    static std::shared_ptr<UnpaidOrderExit> create(
        std::shared_ptr<OrderStatusPoller> poller, std::shared_ptr<SubmitGuard> guard);
    UnpaidOrderExit(std::shared_ptr<OrderStatusPoller> poller, std::shared_ptr<SubmitGuard> guard);
    ~UnpaidOrderExit() override;

    // Takes the way out `leave` at once when no order is followed;
    // otherwise asks, and takes it once the order is cancelled or, when
    // `mayLeaveAnyway`, the staff leave anyway. `wallet` is the order's,
    // sent with the cancel. `leave` runs later too: it must check that its
    // screen is still up.
    void leave(std::string wallet, std::function<void()> leave, bool mayLeaveAnyway);
    bool isCancelling() const { return m_cancelling; }
    // Another order is followed: failed cancels of the last one no longer count.
    void orderChanged();
    // The order settled: a question about it goes unanswered.
    void orderEnded();
    // A poll found the order cancelled: says so, and takes the way out the
    // staff asked for, if any.
    void orderCancelled();

    void alertViewClickedButtonAtIndex(kit::AlertView& alertView, int buttonIndex) override;

private:
    bool isOrderOpen() const;
    void cancel();
    void cancelAnswered(const std::optional<foundation::Json>& reply);
    void cancelRefused(std::string refusal, const std::optional<foundation::Json>& order);
    void takeTheWayOut();

    std::shared_ptr<OrderStatusPoller> m_poller;
    std::shared_ptr<SubmitGuard> m_guard;
    std::shared_ptr<kit::AlertView> m_alert;
    std::function<void()> m_leave;
    std::string m_wallet;
    bool m_cancelling = false;
    bool m_cancelFailed = false;
};
