#pragma once

#include "api/NetUtilSign.h"
#include "cashier/MobilePayCallbackReceiver.h"
#include "members/ChooseRechargeRuleDelegate.h"
#include "members/InputPayMoneyDelegate.h"
#include "members/VipEntityReceiver.h"
#include "platform/foundation/Subscription.h"
#include "ui/BaseViewController.h"
#include "ui/SubmitGate.h"

#include <memory>
#include <string>
#include <string_view>

namespace kit {
class Button;
class Control;
class Label;
class ScrollView;
class TextField;
class View;
} // namespace kit
class MemberCardView;
class MemberPayBar;
class RechargeRuleEntity;
class VipDetailEntity;

// Topping up a member's stored balance: the amount, a recharge rule that may
// add a gift, the split over cash and mobile wallet; the mobile part goes
// through the cashier first, then the recharge itself.
class VipRechargeViewController : public BaseViewController,
                                  public VipEntityReceiver,
                                  public ChooseRechargeRuleDelegate,
                                  public InputPayMoneyDelegate,
                                  public MobilePayCallbackReceiver {
public:
    static constexpr std::string_view nibName = "VipRechargeViewController";

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void initViews() override;

    bool textFieldShouldChangeCharactersInRange(
        kit::TextField& textField, kit::TextRange range, const std::string& replacement) override;
    void textFieldDidChange(kit::Control& sender);
    bool textFieldShouldEndEditing(kit::TextField& textField) override;
    void toChooseRechargeRule();
    void chooseRechargeRuleCallback(const std::shared_ptr<RechargeRuleEntity>& rule) override;
    void toInputPayMoneyUI(kit::Control& sender);
    void inputPayMoneyCallback(int type, double money) override;
    void makePayPriceLabel();
    void touchesEnded(const kit::Touch& touch) override;
    void btnOkClick();
    void finishRecharge(const std::shared_ptr<NetUtilSign::Parameters>& params);

    int mobilePayConsumeType() const override { return consumeTypeRecharge; }
    void setMobilePayCallbackParams(std::shared_ptr<NetUtilSign::Parameters> params) override
    {
        m_mobilePayCallbackParams = std::move(params);
    }
    void setVipEntity(std::shared_ptr<VipDetailEntity> vipEntity) override
    {
        m_vipEntity = std::move(vipEntity);
    }

    double totalMoney() const { return m_totalMoney; }
    double cashPayMoney() const { return m_cashPayMoney; }
    double mobilePayMoney() const { return m_mobilePayMoney; }
    const std::shared_ptr<RechargeRuleEntity>& rechargeRuleEntity() const { return m_rechargeRuleEntity; }
    const std::shared_ptr<NetUtilSign::Parameters>& requestPayParams() const { return m_requestPayParams; }

private:
    std::shared_ptr<VipRechargeViewController> selfRecharge()
    {
        return std::static_pointer_cast<VipRechargeViewController>(shared_from_this());
    }
    void handleRecharge(
        const std::shared_ptr<NetUtilSign::Parameters>& params, const std::optional<std::string>& reply);
    void keyboardWillShow(double keyboardHeight);
    void keyboardWillHide();

    std::shared_ptr<VipDetailEntity> m_vipEntity;
    std::shared_ptr<RechargeRuleEntity> m_defaultRuleEntity;
    std::shared_ptr<RechargeRuleEntity> m_rechargeRuleEntity;
    double m_totalMoney = 0;
    double m_cashPayMoney = 0;
    double m_mobilePayMoney = 0;
    std::shared_ptr<NetUtilSign::Parameters> m_requestPayParams;
    std::shared_ptr<NetUtilSign::Parameters> m_mobilePayCallbackParams;
    // A recharge whose mobile part the customer has paid, kept until the
    // server settles it: a retry sends it again instead of collecting twice.
    std::shared_ptr<NetUtilSign::Parameters> m_paidRequest;

    std::shared_ptr<MemberCardView> m_card;
    std::shared_ptr<kit::ScrollView> m_scrollView;
    std::shared_ptr<kit::TextField> m_tvPayMoney;
    std::shared_ptr<kit::Button> m_btnRechargeRule;
    std::shared_ptr<kit::Button> m_btnCashPay;
    std::shared_ptr<kit::Button> m_btnMobilePay;
    std::shared_ptr<kit::Label> m_labelRechargeTitle;
    std::shared_ptr<kit::Label> m_labelCashMoney;
    std::shared_ptr<kit::Label> m_labelMobileMoney;
    std::shared_ptr<MemberPayBar> m_viewTotalMoney;
    foundation::Subscription m_keyboardWillShow;
    foundation::Subscription m_keyboardWillHide;
    SubmitGate m_submitGate;
};
