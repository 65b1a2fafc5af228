#include "members/VipRechargePricing.h"

#include "model/RechargeRuleEntity.h"
#include "platform/foundation/Strings.h"

double VipRechargePricing::gift(double total, const RechargeRuleEntity& rule)
{
    return total >= foundation::doubleValue(rule.require()) ? foundation::doubleValue(rule.freemoney()) : 0;
}

PaySummary VipRechargePricing::summary(double total, double gift, double cash, double mobile)
{
    PaySummary line("本次充值" + foundation::formatFixed(total, 2) + "元,赠送"
        + foundation::formatFixed(gift, 2) + "元; ");
    line.colourAfter("本次充值", total);
    line.colourAfter("赠送", gift);
    line.appendPart("现金支付", cash);
    line.appendPart("移动支付", mobile);
    line.appendRemainder(total - cash - mobile);
    return line;
}

bool VipRechargePricing::canConfirm(double total, double cash, double mobile)
{
    return PaySummary::settles(total - cash - mobile, total);
}
