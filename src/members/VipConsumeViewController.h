#pragma once

#include "members/ChooseCouponWayDelegate.h"
#include "members/InputDescriptionDelegate.h"
#include "members/MemberPaymentViewController.h"
#include "members/VipConsumePricing.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kit {
class Button;
class Control;
class Label;
class TextField;
} // namespace kit
class CouponDiscountPriceEntity;
class MemberDiscountPriceEntity;
class PreferentialWayEntity;
class VipDetailEntity;

// One member's purchase: the total, the discount way (card or one coupon),
// the split over cash, stored balance and mobile wallet, a remark; then the
// payment password when the balance pays, the mobile part through the
// cashier, and the purchase itself.
class VipConsumeViewController : public MemberPaymentViewController,
                                 public ChooseCouponWayDelegate,
                                 public InputDescriptionDelegate {
public:
    static constexpr std::string_view nibName = "VipConsumeViewController";

    void initViews() override;

    void textFieldDidChange(kit::Control& sender) override;
    bool textFieldShouldEndEditing(kit::TextField& textField) override;
    void textFieldDidBeginEditing(kit::TextField& textField) override;
    void inputDescriptionCallback(const std::string& description) override;
    void toChoosePreferentialWay();
    void chooseCouponWayCallback(const std::shared_ptr<PreferentialWayEntity>& way) override;
    void toInputPayMoneyUI(kit::Control& sender);
    void inputPayMoneyCallback(int type, double money) override;
    void getPayPriceAfterDiscount();
    void makePayPriceLabel();
    void touchesEnded(const kit::Touch& touch) override;

    void alertViewClickedButtonAtIndex(kit::AlertView& alertView, int buttonIndex) override;
    void requestConsume();
    void finishResume(const std::shared_ptr<NetUtilSign::Parameters>& params);

    int mobilePayConsumeType() const override { return consumeTypePurchase; }

    double totalMoney() const { return m_totalMoney; }
    VipConsumePricing::Parts parts() const { return { m_cashPayMoney, m_memberMoney, m_mobilePayMoney }; }
    const std::shared_ptr<PreferentialWayEntity>& preferentialWayEntity() const
    {
        return m_preferentialWayEntity;
    }
    // The price the parts must cover now, when the purchase has been priced.
    std::optional<double> pricedAmount() const;
    const std::shared_ptr<kit::AlertView>& inputPayPwdAlertView() const { return m_inputPayPwdAlertView; }

protected:
    void confirm() override;
    void showRequest(const NetUtilSign::Parameters& request, const foundation::Json& choice) override;
    void showPart(int type, double money) override;
    foundation::Json formChoice() const override;
    std::string_view paymentPath() const override;
    std::shared_ptr<MemberConsumeResultViewController> makeResultScreen(
        const NetUtilSign::Parameters& request) const override;

private:
    std::shared_ptr<VipConsumeViewController> selfConsume()
    {
        return std::static_pointer_cast<VipConsumeViewController>(shared_from_this());
    }
    bool isCardWay() const;
    void estimatePrice();
    void handlePrice(std::uint64_t generation, bool cardWay, const std::optional<std::string>& reply);
    void handlePassword(const std::optional<std::string>& reply);
    // The request of the sale as it stands now: the held one, or one built
    // from the form with a paid part bound in. Null without a member or way.
    std::shared_ptr<NetUtilSign::Parameters> saleRequest();

    double m_totalMoney = 0;
    double m_cashPayMoney = 0;
    double m_memberMoney = 0;
    double m_mobilePayMoney = 0;
    std::shared_ptr<PreferentialWayEntity> m_preferentialWayEntity;
    std::shared_ptr<MemberDiscountPriceEntity> m_memberDiscountEntity;
    std::shared_ptr<CouponDiscountPriceEntity> m_couponDiscountEntity;
    std::shared_ptr<kit::AlertView> m_inputPayPwdAlertView;

    std::shared_ptr<kit::TextField> m_tvDescription;
    std::shared_ptr<kit::Button> m_btnPreferentialWay;
    std::shared_ptr<kit::Button> m_btnCashPay;
    std::shared_ptr<kit::Button> m_btnVipMoneyPay;
    std::shared_ptr<kit::Button> m_btnMobilePay;
    std::shared_ptr<kit::Label> m_labelPreferentialWay;
    std::shared_ptr<kit::Label> m_labelCashMoney;
    std::shared_ptr<kit::Label> m_labelMemberMoney;
    std::shared_ptr<kit::Label> m_labelMobileMoney;

    // Bumped by every change of the total or the way: a price reply for an
    // earlier one is dropped.
    std::uint64_t m_priceGeneration = 0;
};
