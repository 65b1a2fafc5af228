#pragma once

#include "ui/BaseViewController.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

class SubmitGuard;

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
// closes. OK stays blocked while the check or the refund is out.
class RefundViewController : public BaseViewController {
public:
    static constexpr std::string_view nibName = "RefundViewController";
    static constexpr std::string_view checkStaffPath = "/PayApi/OfflinePay/checkStaff/";
    static constexpr std::string_view refundPath = "/PayApi/OfflinePay/refund";

    RefundViewController();

    void loadView() override;
    void viewDidLoad() override;
    void viewWillDisappear(bool animated) override;
    void initViews() override;

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

    const std::shared_ptr<kit::TextField>& tvRefundMoney() const { return m_tvRefundMoney; }
    const std::shared_ptr<kit::Button>& btnOk() const { return m_btnOk; }

private:
    // The amount's checks, with their toasts; false when one refuses.
    bool checkAmount();
    bool isShopOwner() const;
    void showConfirmAlert();
    std::shared_ptr<RefundViewController> selfRefund()
    {
        return std::static_pointer_cast<RefundViewController>(shared_from_this());
    }

    std::string m_orderId;
    std::string m_paymoney;
    std::string m_pri_paymoney;
    std::string m_payTime;
    std::string m_ownerUsername;
    std::string m_ownerPassword;
    std::shared_ptr<kit::AlertView> m_validateShopownerAlertView;
    std::shared_ptr<kit::AlertView> m_confirmAlertView;
    // OK stays blocked while the owner check or the refund is out.
    std::shared_ptr<SubmitGuard> m_submitGuard;
    std::uint64_t m_generation = 0;

    std::shared_ptr<kit::TextField> m_tvRefundMoney;
    std::shared_ptr<kit::Label> m_labelMsg;
    std::shared_ptr<kit::Button> m_btnOk;
};
