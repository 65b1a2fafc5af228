#include "members/VipRechargePricing.h"

#include "model/RechargeRuleEntity.h"

#include <gtest/gtest.h>

namespace {

RechargeRuleEntity rule(const char* require, const char* freemoney)
{
    RechargeRuleEntity entity;
    entity.setRequire(require);
    entity.setFreemoney(freemoney);
    return entity;
}

TEST(VipRechargePricing, gift_only_from_the_rules_least_amount_on)
{
    EXPECT_DOUBLE_EQ(VipRechargePricing::gift(100, rule("100", "20")), 20);
    EXPECT_DOUBLE_EQ(VipRechargePricing::gift(99.99, rule("100", "20")), 0);
    EXPECT_DOUBLE_EQ(VipRechargePricing::gift(0, rule("0", "0")), 0);
}

TEST(VipRechargePricing, summary_says_what_is_still_due_or_overpaid_and_confirms_only_when_settled)
{
    EXPECT_EQ(VipRechargePricing::summary(100, 20, 0, 0).text(),
        "本次充值100.00元,赠送20.00元;  还需支付100.00元;");
    EXPECT_EQ(VipRechargePricing::summary(0, 0, 0, 0).text(), "本次充值0.00元,赠送0.00元; ");
    EXPECT_FALSE(VipRechargePricing::canConfirm(0, 0, 0));

    EXPECT_EQ(VipRechargePricing::summary(100, 0, 60, 0).text(),
        "本次充值100.00元,赠送0.00元;  现金支付60.00元, 还需支付40.00元;");
    EXPECT_FALSE(VipRechargePricing::canConfirm(100, 60, 0));
    EXPECT_TRUE(VipRechargePricing::canConfirm(100, 60, 40));
    EXPECT_TRUE(VipRechargePricing::canConfirm(0.3, 0.1, 0.2))
        << "settled to the cent despite binary fractions";

    auto over = VipRechargePricing::summary(100, 0, 120, 0);
    EXPECT_EQ(over.text(), "本次充值100.00元,赠送0.00元;  现金支付120.00元, 已超过支付金额20.00元;");
    ASSERT_FALSE(over.runs().empty());
    EXPECT_EQ(over.runs().back().color, graphics::Color::redColor());
    EXPECT_FALSE(VipRechargePricing::canConfirm(100, 120, 0));
}

} // namespace
