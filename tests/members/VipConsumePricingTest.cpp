#include "members/VipConsumePricing.h"

#include "model/CouponDiscountPriceEntity.h"
#include "model/MemberDiscountPriceEntity.h"
#include "model/PreferentialWayEntity.h"
#include "model/VipDetailEntity.h"
#include "platform/foundation/Strings.h"
#include "ui/ColorUtil.h"

#include <gtest/gtest.h>

namespace {

using Parts = VipConsumePricing::Parts;

// The text of the run that starts right after `word`, or "" when none does.
std::string colouredAfter(const PaySummary& line, const std::string& word, graphics::Color* color = nullptr)
{
    auto at = foundation::utf16IndexOf(line.text(), word);
    if (!at)
        return "";
    std::size_t start = *at + foundation::utf16Length(word);
    for (const auto& run : line.runs()) {
        if (run.location == start) {
            if (color)
                *color = run.color;
            return foundation::utf16Substring(line.text(), run.location, run.length);
        }
    }
    return "";
}

VipDetailEntity memberWithRate(const std::string& rate)
{
    VipDetailEntity member;
    member.setId("7");
    member.setCardname("金卡");
    member.setCardid("2");
    member.setDiscountrate(rate);
    return member;
}

PreferentialWayEntity cashOffCoupon(const std::string& condition, const std::string& off)
{
    PreferentialWayEntity way;
    way.setId("31");
    way.setType("0");
    way.setTitle("满减券");
    way.setConditionprice(condition);
    way.setDiscountmoney(off);
    return way;
}

TEST(VipConsumePricing, card_rate_of_8_5_on_100_leaves_85_to_pay_and_confirm_off)
{
    double price = VipConsumePricing::estimateForCard(memberWithRate("8.5"), "100")->actualprice();
    EXPECT_DOUBLE_EQ(price, 85.0);
    auto line = VipConsumePricing::summary(100, price, false, {});
    EXPECT_EQ(line.text(), "总计100.00元,折后85.00元; 还需支付85.00元;");
    graphics::Color color;
    EXPECT_EQ(colouredAfter(line, "总计"), "100.00");
    EXPECT_EQ(colouredAfter(line, "折后"), "85.00");
    EXPECT_EQ(colouredAfter(line, "还需支付", &color), "85.00");
    EXPECT_EQ(color, ColorUtil::getUIColorByHex(PaySummary::amountHex));
    EXPECT_FALSE(VipConsumePricing::canConfirm(100, price, {}));
}

TEST(VipConsumePricing, cash_50_and_balance_35_cover_85_exactly)
{
    Parts parts { 50, 35, 0 };
    auto line = VipConsumePricing::summary(100, 85.0, false, parts);
    EXPECT_EQ(line.text(), "总计100.00元,折后85.00元; 现金支付50.00元, 会员余额支付35.00元,");
    EXPECT_EQ(colouredAfter(line, "现金支付"), "50.00");
    EXPECT_EQ(colouredAfter(line, "会员余额支付"), "35.00");
    EXPECT_TRUE(VipConsumePricing::canConfirm(100, 85.0, parts));
    // Sums that are off only in binary still settle to the cent.
    EXPECT_TRUE(VipConsumePricing::canConfirm(0.3, 0.3, { 0.1, 0.2, 0 }));
}

TEST(VipConsumePricing, parts_over_the_price_show_the_excess_in_red_and_keep_confirm_off)
{
    Parts parts { 50, 20, 20 };
    auto line = VipConsumePricing::summary(100, 85.0, false, parts);
    EXPECT_NE(line.text().find("移动支付20.00元, 已超过支付金额5.00元;"), std::string::npos) << line.text();
    graphics::Color color;
    EXPECT_EQ(colouredAfter(line, "已超过支付金额", &color), "5.00");
    EXPECT_EQ(color, graphics::Color::redColor());
    EXPECT_FALSE(VipConsumePricing::canConfirm(100, 85.0, parts));
}

TEST(VipConsumePricing, cash_off_coupon_applies_only_from_its_threshold)
{
    auto coupon = cashOffCoupon("100", "20");
    EXPECT_DOUBLE_EQ(VipConsumePricing::estimateForCoupon(coupon, "99.99")->actualprice(), 99.99);
    auto priced = VipConsumePricing::estimateForCoupon(coupon, "100");
    EXPECT_DOUBLE_EQ(priced->actualprice(), 80.0);
    auto line = VipConsumePricing::summary(100, priced->actualprice(), true, {});
    EXPECT_EQ(colouredAfter(line, "抵用"), "80.00");
    EXPECT_EQ(VipConsumePricing::wayLabel(coupon, VipDetailEntity()), "满减券（抵20元）");
}

TEST(VipConsumePricing, cash_off_coupon_larger_than_the_total_takes_nothing_off)
{
    EXPECT_DOUBLE_EQ(
        VipConsumePricing::estimateForCoupon(cashOffCoupon("0", "50"), "30")->actualprice(), 30.0);
    EXPECT_DOUBLE_EQ(
        VipConsumePricing::estimateForCoupon(cashOffCoupon("0", "50"), "50")->actualprice(), 0.0);
}

TEST(VipConsumePricing, rate_coupon_below_its_threshold_leaves_the_total)
{
    PreferentialWayEntity coupon;
    coupon.setType("1");
    coupon.setConditionprice("50");
    coupon.setDiscountrate("9");
    EXPECT_DOUBLE_EQ(VipConsumePricing::estimateForCoupon(coupon, "40")->actualprice(), 40.0);
    EXPECT_DOUBLE_EQ(VipConsumePricing::estimateForCoupon(coupon, "50")->actualprice(), 45.0);
}

TEST(VipConsumePricing, before_any_total_the_line_reads_zero_and_confirm_is_off)
{
    auto line = VipConsumePricing::summary(0, std::nullopt, false, {});
    EXPECT_EQ(line.text(), "总计0.00元,折后0.00元;");
    EXPECT_FALSE(VipConsumePricing::canConfirm(0, std::nullopt, {}));
    EXPECT_FALSE(VipConsumePricing::canConfirm(0, 0.0, {}));
}

TEST(VipConsumePricing, part_editor_proposes_the_open_amount_or_the_part_already_set)
{
    double payable = VipConsumePricing::payable(85.0, 100);
    EXPECT_DOUBLE_EQ(VipConsumePricing::proposedPart(0, payable, 50, 0, 0), 35.0);
    EXPECT_DOUBLE_EQ(VipConsumePricing::proposedPart(50, payable, 50, 0, 0), 50.0);
    // A zero price (a coupon worth the whole total) falls back to the total.
    EXPECT_DOUBLE_EQ(VipConsumePricing::payable(0.0, 100), 100.0);
}

} // namespace
