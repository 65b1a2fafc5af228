#include "cashier/MobilePayHandOff.h"

#include "cashier/MobilePayCallbackReceiver.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/ViewController.h"

bool MobilePayHandOff::isPaidMemberPart(int consumeType, const foundation::Json& order)
{
    bool member = consumeType == MobilePayCallbackReceiver::consumeTypePurchase
        || consumeType == MobilePayCallbackReceiver::consumeTypeRecharge;
    return member && foundation::optionalText(order, "paystatus") == "1";
}

bool MobilePayHandOff::returnPaidRequest(kit::ViewController& payingScreen, int consumeType,
    const std::shared_ptr<NetUtilSign::Parameters>& request, const foundation::Json& order,
    const std::optional<std::string>& wallet)
{
    auto navigation = payingScreen.navigationController();
    if (!request || !navigation)
        return false;
    for (const auto& screen : navigation->viewControllers()) {
        auto receiver = std::dynamic_pointer_cast<MobilePayCallbackReceiver>(screen);
        if (!receiver || receiver->mobilePayConsumeType() != consumeType)
            continue;
        if (wallet)
            (*request)["m_paytype"] = *wallet;
        // Set by key-value on the phone: no order number leaves the key absent.
        if (auto orderid = foundation::optionalText(order, "orderid"))
            (*request)["m_orderid"] = *orderid;
        else
            request->erase("m_orderid");
        receiver->setMobilePayCallbackParams(request);
        navigation->popToViewController(screen, true);
        return true;
    }
    return false;
}
