#include "cashier/PaidAfterLeaving.h"

#include "app/AppDelegate.h"
#include "cashier/MobilePayHandOff.h"
#include "cashier/PayResultViewController.h"
#include "platform/kit/NavigationController.h"

void PaidAfterLeaving::deliver(const foundation::Json& order) const
{
    auto app = AppDelegate::shared();
    auto navigation = app ? app->shownNavigation() : nullptr;
    if (!navigation)
        return;
    if (MobilePayHandOff::isPaidMemberPart(consumeType, order)
        && MobilePayHandOff::bindPaidRequestLate(*navigation, consumeType, request, order, wallet))
        return;
    PayResultViewController::push(*navigation, order, money, isRestartPay, isFromOrderDetailInto);
}
