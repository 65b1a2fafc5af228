#pragma once

#include "members/MemberConsumeResultViewController.h"

#include <string_view>

// The outcome of a recharge. Back leads to the member's detail after a
// success or to the recharge after a failure.
class MemberRechargeResultViewController : public MemberConsumeResultViewController {
public:
    static constexpr std::string_view nibName = "MemberRechargeResultViewController";

protected:
    const char* resultTitle() const override { return "充值结果"; }
    bool isRetryScreen(const kit::ViewController& screen) const override;
};
