#pragma once

#include "api/NetUtilSign.h"
#include "cashier/MobilePayCallbackReceiver.h"
#include "members/ChooseCouponWayDelegate.h"
#include "members/InputDescriptionDelegate.h"
#include "members/InputPayMoneyDelegate.h"
#include "members/VipConsumeAttempt.h"
#include "members/VipConsumePricing.h"
#include "members/VipEntityReceiver.h"
#include "platform/foundation/Subscription.h"
#include "ui/BaseViewController.h"
#include "ui/SubmitGate.h"

#include <cstdint>
#include <memory>
#include <optional>
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
class CouponDiscountPriceEntity;
class MemberCardView;
class MemberDiscountPriceEntity;
class PreferentialWayEntity;
class VipDetailEntity;

// One member's purchase: the total, the discount way (card or one coupon),
// the split over cash, stored balance and mobile wallet, a remark; then the
// payment password when the balance pays, the mobile part through the
// cashier, and the purchase itself.
class VipConsumeViewController : public BaseViewController,
                                 public VipEntityReceiver,
                                 public ChooseCouponWayDelegate,
                                 public InputPayMoneyDelegate,
                                 public InputDescriptionDelegate,
                                 public MobilePayCallbackReceiver {
public:
    static constexpr std::string_view nibName = "VipConsumeViewController";
    static constexpr double barHeight = 56;

    void viewDidLoad() override;
    void viewWillAppear(bool animated) override;
    void viewWillDisappear(bool animated) override;
    void initViews() override;

    bool textFieldShouldChangeCharactersInRange(
        kit::TextField& textField, kit::TextRange range, const std::string& replacement) override;
    void textFieldDidChange(kit::Control& sender);
    bool textFieldShouldEndEditing(kit::TextField& textField) override;
    void textFieldDidBeginEditing(kit::TextField& textField) override;
    void inputDescriptionCallback(const std::string& description) override;
    void toChoosePreferentialWay();
    void chooseCouponWayCallback(const std::shared_ptr<PreferentialWayEntity>& way) override;
    void toInputPayMoneyUI(kit::Control& sender);
    void inputPayMoneyCallback(int type, double money) override;
    void getPayPriceAfterDiscount();
    void makePayPriceLabel();
    void setOkBtnStyle(bool enabled);
    void touchesEnded(const kit::Touch& touch) override;

    void btnOkClick();
    void alertViewClickedButtonAtIndex(kit::AlertView& alertView, int buttonIndex) override;
    void requestConsume();
    void finishResume(const std::shared_ptr<NetUtilSign::Parameters>& params);

    int mobilePayConsumeType() const override { return consumeTypePurchase; }
    void setMobilePayCallbackParams(std::shared_ptr<NetUtilSign::Parameters> params) override
    {
        m_mobilePayCallbackParams = std::move(params);
    }
    void setVipEntity(std::shared_ptr<VipDetailEntity> vipEntity) override
    {
        m_vipEntity = std::move(vipEntity);
    }

    const std::shared_ptr<VipDetailEntity>& vipEntity() const { return m_vipEntity; }
    double totalMoney() const { return m_totalMoney; }
    VipConsumePricing::Parts parts() const { return { m_cashPayMoney, m_memberMoney, m_mobilePayMoney }; }
    const std::shared_ptr<PreferentialWayEntity>& preferentialWayEntity() const
    {
        return m_preferentialWayEntity;
    }
    // The price the parts must cover now, when the purchase has been priced.
    std::optional<double> pricedAmount() const;
    const std::shared_ptr<NetUtilSign::Parameters>& requestPayParams() const { return m_requestPayParams; }
    const std::shared_ptr<kit::AlertView>& inputPayPwdAlertView() const { return m_inputPayPwdAlertView; }
    const VipConsumeAttempt& attempt() const { return m_attempt; }

private:
    std::shared_ptr<VipConsumeViewController> selfConsume()
    {
        return std::static_pointer_cast<VipConsumeViewController>(shared_from_this());
    }
    bool isCardWay() const;
    void estimatePrice();
    std::shared_ptr<kit::Button> addPartRow(const char* buttonName, const char* title, const char* labelName,
        std::shared_ptr<kit::Label>& label, double y);
    void handlePrice(std::uint64_t generation, bool cardWay, const std::optional<std::string>& reply);
    void handlePassword(const std::optional<std::string>& reply);
    void handlePurchase(const std::optional<std::string>& reply);
    void keyboardWillShow(double keyboardHeight);
    void keyboardWillHide();

    std::shared_ptr<VipDetailEntity> m_vipEntity;
    double m_totalMoney = 0;
    double m_cashPayMoney = 0;
    double m_memberMoney = 0;
    double m_mobilePayMoney = 0;
    std::shared_ptr<PreferentialWayEntity> m_preferentialWayEntity;
    std::shared_ptr<MemberDiscountPriceEntity> m_memberDiscountEntity;
    std::shared_ptr<CouponDiscountPriceEntity> m_couponDiscountEntity;
    std::shared_ptr<NetUtilSign::Parameters> m_requestPayParams;
    std::shared_ptr<NetUtilSign::Parameters> m_mobilePayCallbackParams;
    // A request whose answer was lost, and a paid mobile part, kept for the
    // retry so that the member is charged once.
    VipConsumeAttempt m_attempt;
    std::shared_ptr<kit::AlertView> m_inputPayPwdAlertView;

    std::shared_ptr<MemberCardView> m_card;
    std::shared_ptr<kit::ScrollView> m_scrollView;
    std::shared_ptr<kit::TextField> m_tvPayMoney;
    std::shared_ptr<kit::TextField> m_tvDescription;
    std::shared_ptr<kit::Button> m_btnPreferentialWay;
    std::shared_ptr<kit::Button> m_btnCashPay;
    std::shared_ptr<kit::Button> m_btnVipMoneyPay;
    std::shared_ptr<kit::Button> m_btnMobilePay;
    std::shared_ptr<kit::Label> m_labelPreferentialWay;
    std::shared_ptr<kit::Label> m_labelCashMoney;
    std::shared_ptr<kit::Label> m_labelMemberMoney;
    std::shared_ptr<kit::Label> m_labelMobileMoney;
    std::shared_ptr<kit::View> m_viewTotalMoney;
    std::shared_ptr<kit::Label> m_labelPrice;
    std::shared_ptr<kit::Button> m_btnOk;
    foundation::Subscription m_keyboardWillShow;
    foundation::Subscription m_keyboardWillHide;

    // Bumped by every change of the total or the way: a price reply for an
    // earlier one is dropped.
    std::uint64_t m_priceGeneration = 0;
    SubmitGate m_submitGate;
};
