#pragma once

#include "members/PaySummary.h"

#include <memory>
#include <optional>
#include <string>

class CouponDiscountPriceEntity;
class MemberDiscountPriceEntity;
class PreferentialWayEntity;
class VipDetailEntity;

// The price rules of a member purchase, apart from any screen: the local
// estimate at each keystroke, the amount the parts must cover, what a part
// editor proposes, and the summary line with the confirm rule.
class VipConsumePricing {
public:
    static constexpr const char* cardDiscountType = "-1";
    static constexpr const char* cashOffType = "0";

    static bool isCardDiscount(const PreferentialWayEntity& way);
    static bool isCashOff(const std::optional<std::string>& type);

    // Under the member's card: the total times the rate out of 10.
    static std::shared_ptr<MemberDiscountPriceEntity> estimateForCard(
        const VipDetailEntity& member, const std::string& totalText);
    // Under a coupon; one that does not apply leaves the total as it is.
    static std::shared_ptr<CouponDiscountPriceEntity> estimateForCoupon(
        const PreferentialWayEntity& way, const std::string& totalText);
    static double couponPrice(const std::optional<std::string>& type, double total,
        const std::optional<std::string>& conditionprice, const std::optional<std::string>& discountmoney,
        const std::optional<std::string>& discountrate);

    // What the three parts must add up to: the priced amount when it is
    // above 0, else the total typed.
    static double payable(std::optional<double> actualprice, double total);
    // What a part editor shows first: the part itself when set, else the
    // amount still open.
    static double proposedPart(double part, double payable, double cash, double balance, double mobile);

    struct Parts {
        double cash = 0;
        double balance = 0;
        double mobile = 0;
    };
    // "总计…元,折后…元;" (or "抵用" for a cash-off coupon) with the parts and
    // the remainder. Without a priced purchase the line reads for 0.00.
    static PaySummary summary(
        double total, std::optional<double> actualprice, bool cashOffCoupon, Parts parts);
    static double remainder(std::optional<double> actualprice, Parts parts);
    static bool canConfirm(double total, std::optional<double> actualprice, Parts parts);

    // What the way's label shows: the card's name, "title（抵N元）" for a
    // cash-off coupon, else the coupon's title.
    static std::string wayLabel(const PreferentialWayEntity& way, const VipDetailEntity& member);
};
