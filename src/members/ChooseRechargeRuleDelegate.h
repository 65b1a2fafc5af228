#pragma once

#include <memory>

class RechargeRuleEntity;

// Told the recharge rule chosen in the rule chooser.
class ChooseRechargeRuleDelegate {
public:
    virtual ~ChooseRechargeRuleDelegate() = default;
    virtual void chooseRechargeRuleCallback(const std::shared_ptr<RechargeRuleEntity>& rule) = 0;
};
