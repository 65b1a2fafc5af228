#include "cashier/MobilePayHandOff.h"

#include "cashier/MobilePayCallbackReceiver.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/ViewController.h"

namespace {

// The first screen from the bottom of the stack that takes back paid
// requests of this kind.
std::shared_ptr<kit::ViewController> receiverIn(kit::NavigationController& navigation, int consumeType)
{
    for (const auto& screen : navigation.viewControllers()) {
        auto receiver = std::dynamic_pointer_cast<MobilePayCallbackReceiver>(screen);
        if (receiver && receiver->mobilePayConsumeType() == consumeType)
            return screen;
    }
    return nullptr;
}

// Puts what the cashier knows of the paid order into the member request.
void bindOrder(
    NetUtilSign::Parameters& request, const foundation::Json& order, const std::optional<std::string>& wallet)
{
    if (wallet)
        request["m_paytype"] = *wallet;
    // Set by key-value on the phone: no order number leaves the key absent.
    if (auto orderid = foundation::optionalText(order, "orderid"))
        request["m_orderid"] = *orderid;
    else
        request.erase("m_orderid");
}

} // namespace

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
    auto screen = request && navigation ? receiverIn(*navigation, consumeType) : nullptr;
    if (!screen)
        return false;
    bindOrder(*request, order, wallet);
    std::dynamic_pointer_cast<MobilePayCallbackReceiver>(screen)->setMobilePayCallbackParams(request);
    navigation->popToViewController(screen, true);
    return true;
}

bool MobilePayHandOff::bindPaidRequestLate(kit::NavigationController& navigation, int consumeType,
    const std::shared_ptr<NetUtilSign::Parameters>& request, const foundation::Json& order,
    const std::optional<std::string>& wallet)
{
    auto screen = request ? receiverIn(navigation, consumeType) : nullptr;
    if (!screen)
        return false;
    // A copy: the request the receiver holds is its own, and stays as it was
    // when the receiver turns this order down.
    NetUtilSign::Parameters paid = *request;
    bindOrder(paid, order, wallet);
    if (!std::dynamic_pointer_cast<MobilePayCallbackReceiver>(screen)->takeMobilePartPaidLate(paid))
        return false;
    if (navigation.topViewController() != screen)
        navigation.popToViewController(screen, true);
    return true;
}
