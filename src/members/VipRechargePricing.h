#pragma once

#include "members/PaySummary.h"

class RechargeRuleEntity;

// The rules of a recharge, apart from the screen: the gift a rule adds, the
// summary line and when the parts allow confirming.
class VipRechargePricing {
public:
    // The rule's "freemoney" when the amount reaches its "require", else 0.
    static double gift(double total, const RechargeRuleEntity& rule);
    // "本次充值…元,赠送…元; " with the cash and mobile parts and what they
    // leave open.
    static PaySummary summary(double total, double gift, double cash, double mobile);
    static bool canConfirm(double total, double cash, double mobile);
};
