#pragma once

#include "members/ChooseRechargeRuleDelegate.h"
#include "members/MemberPaymentViewController.h"

#include <memory>
#include <string>
#include <string_view>

namespace kit {
class Button;
class Control;
class Label;
class TextField;
} // namespace kit
class RechargeRuleEntity;

// Topping up a member's stored balance: the amount, a recharge rule that may
// add a gift, the split over cash and mobile wallet; the mobile part goes
// through the cashier first, then the recharge itself.
class VipRechargeViewController : public MemberPaymentViewController, public ChooseRechargeRuleDelegate {
public:
    static constexpr std::string_view nibName = "VipRechargeViewController";

    void initViews() override;

    void textFieldDidChange(kit::Control& sender) override;
    bool textFieldShouldEndEditing(kit::TextField& textField) override;
    void toChooseRechargeRule();
    void chooseRechargeRuleCallback(const std::shared_ptr<RechargeRuleEntity>& rule) override;
    void toInputPayMoneyUI(kit::Control& sender);
    void inputPayMoneyCallback(int type, double money) override;
    void makePayPriceLabel();
    void finishRecharge(const std::shared_ptr<NetUtilSign::Parameters>& params);

    int mobilePayConsumeType() const override { return consumeTypeRecharge; }

    double totalMoney() const { return m_totalMoney; }
    double cashPayMoney() const { return m_cashPayMoney; }
    double mobilePayMoney() const { return m_mobilePayMoney; }
    const std::shared_ptr<RechargeRuleEntity>& rechargeRuleEntity() const { return m_rechargeRuleEntity; }

protected:
    void confirm() override;
    void showRequest(const NetUtilSign::Parameters& request, const foundation::Json& choice) override;
    void showPart(int type, double money) override;
    foundation::Json formChoice() const override;
    std::string_view paymentPath() const override;
    std::shared_ptr<MemberConsumeResultViewController> makeResultScreen(
        const NetUtilSign::Parameters& request) const override;

private:
    std::shared_ptr<VipRechargeViewController> selfRecharge()
    {
        return std::static_pointer_cast<VipRechargeViewController>(shared_from_this());
    }

    std::shared_ptr<RechargeRuleEntity> m_defaultRuleEntity;
    std::shared_ptr<RechargeRuleEntity> m_rechargeRuleEntity;
    double m_totalMoney = 0;
    double m_cashPayMoney = 0;
    double m_mobilePayMoney = 0;

    std::shared_ptr<kit::Button> m_btnRechargeRule;
    std::shared_ptr<kit::Button> m_btnCashPay;
    std::shared_ptr<kit::Button> m_btnMobilePay;
    std::shared_ptr<kit::Label> m_labelRechargeTitle;
    std::shared_ptr<kit::Label> m_labelCashMoney;
    std::shared_ptr<kit::Label> m_labelMobileMoney;
};
