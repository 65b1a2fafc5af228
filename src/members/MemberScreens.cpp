#include "members/MemberScreens.h"

#include "members/ChooseCreditReasonViewController.h"
#include "members/ChoosePreferentialWayViewController.h"
#include "members/ChooseRechargeRuleViewController.h"
#include "members/GiveCreditViewController.h"
#include "members/InputDescriptionViewController.h"
#include "members/InputPayMoneyViewController.h"
#include "members/MemberConsumeResultViewController.h"
#include "members/MemberRechargeResultViewController.h"
#include "members/VipConsumeViewController.h"
#include "members/VipDetailViewController.h"
#include "members/VipRechargeViewController.h"
#include "members/VipSearchViewController.h"
#include "members/VipViewController.h"
#include "platform/kit/Registry.h"

#include <string>

namespace {

template<class Screen> void add(kit::Registry& registry)
{
    registry.registerController(std::string(Screen::nibName), [] { return std::make_shared<Screen>(); });
}

} // namespace

void MemberScreens::registerScreens()
{
    auto& registry = kit::Registry::shared();
    add<VipViewController>(registry);
    add<VipSearchViewController>(registry);
    add<VipDetailViewController>(registry);
    add<VipConsumeViewController>(registry);
    add<ChoosePreferentialWayViewController>(registry);
    add<InputPayMoneyViewController>(registry);
    add<InputDescriptionViewController>(registry);
    add<MemberConsumeResultViewController>(registry);
    add<GiveCreditViewController>(registry);
    add<ChooseCreditReasonViewController>(registry);
    add<VipRechargeViewController>(registry);
    add<ChooseRechargeRuleViewController>(registry);
    add<MemberRechargeResultViewController>(registry);
}
