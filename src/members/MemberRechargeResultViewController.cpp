#include "members/MemberRechargeResultViewController.h"

#include "members/VipRechargeViewController.h"

bool MemberRechargeResultViewController::isRetryScreen(const kit::ViewController& screen) const
{
    return dynamic_cast<const VipRechargeViewController*>(&screen) != nullptr;
}
