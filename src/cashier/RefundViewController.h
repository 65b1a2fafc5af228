#pragma once

#include "ui/BaseViewController.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class SubmitGuard;
class TillHoldAlert;

namespace kit {
class AlertView;
class Button;
class Label;
class TextField;
} // namespace kit

// Refunds all or part of a paid order. The amount is checked in cents
// against what was received; a shop owner's rights are confirmed (at once
// for a signed-in shop owner, otherwise by a shop owner's login checked by
// the server), then a last confirmation sends the refund and the screen
// closes. OK stays blocked while the check or the refund is out, and back
// while the refund is.
//
// A refund whose reply was lost may have been paid: the till's ledger holds
// every refund of the order (OK refuses here and on any other refund screen
// or order detail of it) until the order has been fetched again and shows
// what the back end now holds as refundable; a fetch that fails is offered
// again. While the till's record is damaged (it may have lost such a
// refund), OK first asks the staff to check the takings (TillHoldAlert).
class RefundViewController : public BaseViewController {
public:
    static constexpr std::string_view nibName = "RefundViewController";
    static constexpr std::string_view checkStaffPath = "/PayApi/OfflinePay/checkStaff/";
    static constexpr std::string_view refundPath = "/PayApi/OfflinePay/refund";
    static constexpr std::string_view orderPath = "/PayApi/OfflinePay/getOrderDetails";
    static constexpr std::string_view refundingText = "正在退款,请稍候...";
    static constexpr std::string_view outcomeUnknownText = "退款结果未知,请先获取订单最新状态！";
    static constexpr std::string_view fetchingText = "正在获取订单最新状态...";

    RefundViewController();

    void loadView() override;
    void viewDidLoad() override;
    void viewWillDisappear(bool animated) override;
    void initViews() override;
    // Refused while the refund is out.
    void back() override;

    void btnClick();
    void alertViewClickedButtonAtIndex(kit::AlertView& alertView, int buttonIndex) override;
    void checkIsShopOwner();
    void refundRequest();
    bool textFieldShouldChangeCharactersInRange(
        kit::TextField& textField, kit::TextRange range, const std::string& replacement) override;
    void touchesEnded(const kit::Touch& touch) override;

    const std::string& orderId() const { return m_orderId; }
    void setOrderId(std::string orderId) { m_orderId = std::move(orderId); }
    const std::string& paymoney() const { return m_paymoney; }
    void setPaymoney(std::string paymoney) { m_paymoney = std::move(paymoney); }
    const std::string& pri_paymoney() const { return m_pri_paymoney; }
    void setPri_paymoney(std::string priPaymoney) { m_pri_paymoney = std::move(priPaymoney); }
    const std::string& payTime() const { return m_payTime; }
    void setPayTime(std::string payTime) { m_payTime = std::move(payTime); }
    // The order's wallet, sent when the order is fetched again.
    const std::string& payment() const { return m_payment; }
    void setPayment(std::string payment) { m_payment = std::move(payment); }
    // A refund of the order was sent and whether it was paid is not known yet.
    bool isOutcomeUnknown() const;

    const std::shared_ptr<kit::TextField>& tvRefundMoney() const { return m_tvRefundMoney; }
    const std::shared_ptr<kit::Button>& btnOk() const { return m_btnOk; }

private:
    // The amount's checks, with their toasts; false when one refuses.
    bool checkAmount();
    // While a refund of the order is out or of unknown outcome: says so,
    // offers to fetch the order again (unknown), and answers true.
    bool refusedWhileUnknown();
    bool isRefundOut() const;
    bool isShopOwner() const;
    void showConfirmAlert();
    void showAmounts();
    void fetchOrder();
    void showFetchAgainAlert();
    std::shared_ptr<RefundViewController> selfRefund()
    {
        return std::static_pointer_cast<RefundViewController>(shared_from_this());
    }

    std::string m_orderId;
    std::string m_paymoney;
    std::string m_pri_paymoney;
    std::string m_payTime;
    std::string m_payment;
    std::string m_ownerUsername;
    std::string m_ownerPassword;
    std::shared_ptr<kit::AlertView> m_validateShopownerAlertView;
    std::shared_ptr<kit::AlertView> m_confirmAlertView;
    std::shared_ptr<kit::AlertView> m_fetchAgainAlertView;
    std::shared_ptr<TillHoldAlert> m_hold;
    // OK stays blocked while the owner check, the refund or the order's
    // fetch is out.
    std::shared_ptr<SubmitGuard> m_submitGuard;
    std::uint64_t m_generation = 0;

    std::shared_ptr<kit::TextField> m_tvRefundMoney;
    std::shared_ptr<kit::Label> m_labelMsg;
    std::shared_ptr<kit::Button> m_btnOk;
};
