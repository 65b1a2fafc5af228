#include "cashier/PaidOrderDelivery.h"

#include "app/AppDelegate.h"
#include "app/HomeViewController.h"
#include "cashier/ChoosePayWayViewController.h"
#include "cashier/MobilePayCallbackReceiver.h"
#include "cashier/OrderStatusPoller.h"
#include "cashier/PayResultViewController.h"
#include "cashier/QrCodePollingViewController.h"
#include "cashier/Till.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/ViewController.h"
#include "ui/PromptUtil.h"

#include <algorithm>

namespace {

// The form of the sale in this stack.
std::shared_ptr<kit::ViewController> formIn(kit::NavigationController& navigation, TillLedger::Id sale)
{
    for (const auto& screen : navigation.viewControllers()) {
        auto receiver = std::dynamic_pointer_cast<MobilePayCallbackReceiver>(screen);
        if (receiver && sale != 0 && receiver->tillSale() == sale)
            return screen;
    }
    return nullptr;
}

// The form's own paying screens, left with nothing followed or out: what
// may go when the form comes back. Anything else is another sale's.
bool onlyIdlePayingScreensAbove(kit::NavigationController& navigation, const kit::ViewController& form)
{
    const auto& stack = navigation.viewControllers();
    auto at
        = std::find_if(stack.begin(), stack.end(), [&](const auto& screen) { return screen.get() == &form; });
    if (at == stack.end())
        return false;
    return std::all_of(at + 1, stack.end(), [](const auto& screen) {
        if (auto payWay = std::dynamic_pointer_cast<ChoosePayWayViewController>(screen))
            return payWay->isIdle();
        if (auto qrCode = std::dynamic_pointer_cast<QrCodePollingViewController>(screen))
            return qrCode->isIdle();
        return false;
    });
}

std::vector<std::shared_ptr<kit::NavigationController>> allStacks()
{
    std::vector<std::shared_ptr<kit::NavigationController>> stacks;
    auto app = AppDelegate::shared();
    if (!app)
        return stacks;
    if (auto shown = app->shownNavigation())
        stacks.push_back(shown);
    if (auto home = app->homeViewController()) {
        for (const auto& tab : home->viewControllers()) {
            auto navigation = std::dynamic_pointer_cast<kit::NavigationController>(tab);
            if (navigation && std::find(stacks.begin(), stacks.end(), navigation) == stacks.end())
                stacks.push_back(navigation);
        }
    }
    return stacks;
}

} // namespace

bool PaidOrderDelivery::isPaidMemberPart(int consumeType, const foundation::Json& order)
{
    bool member = consumeType == MobilePayCallbackReceiver::consumeTypePurchase
        || consumeType == MobilePayCallbackReceiver::consumeTypeRecharge;
    return member && foundation::optionalText(order, "paystatus") == "1";
}

bool PaidOrderDelivery::settleOnPayingScreen(const foundation::Json& order, const std::string& orderid,
    const TillLedger::Order& record, TillLedger::Id sale, const std::function<bool()>& handBack)
{
    auto& ledger = Till::ledger();
    if (foundation::optionalText(order, "paystatus") != "1") {
        if (!orderid.empty())
            ledger.ended(orderid);
        return true;
    }
    switch (ledger.paid(orderid, record)) {
    case TillLedger::PaidVerdict::Known:
        return false;
    case TillLedger::PaidVerdict::BoundToSale:
        if (handBack())
            return false;
        // With no member screen to take it, the result at least shows that
        // the money was taken, rather than the way to take it again.
        ledger.unbindPaidPart(sale);
        break;
    case TillLedger::PaidVerdict::ShowResult:
        break;
    }
    ledger.resultShown(orderid);
    return true;
}

bool PaidOrderDelivery::handBack(kit::ViewController& payingScreen, TillLedger::Id sale,
    const std::shared_ptr<NetUtilSign::Parameters>& request, const foundation::Json& order,
    const std::optional<std::string>& wallet)
{
    auto navigation = payingScreen.navigationController();
    auto form = request && navigation ? formIn(*navigation, sale) : nullptr;
    if (!form)
        return false;
    if (wallet)
        (*request)["m_paytype"] = *wallet;
    // Set by key-value on the phone: no order number leaves the key absent.
    if (auto orderid = foundation::optionalText(order, "orderid"))
        (*request)["m_orderid"] = *orderid;
    else
        request->erase("m_orderid");
    std::dynamic_pointer_cast<MobilePayCallbackReceiver>(form)->setMobilePayCallbackParams(request);
    // A late result over the paying screen stays: the form sends when it shows.
    PayResultViewController::popToKeepingLateResults(*navigation, form);
    return true;
}

void PaidOrderDelivery::endedAway(
    const foundation::Json& answer, const std::string& orderid, const TillLedger::Order& known)
{
    if (OrderStatusPoller::endOf(answer) == OrderStatusPoller::End::Paid)
        deliverLate(answer, known);
    else
        Till::ledger().ended(orderid);
}

void PaidOrderDelivery::deliverLate(const foundation::Json& order, const TillLedger::Order& known)
{
    // A copy: `known` may be the ledger's own record, which paid() changes.
    TillLedger::Order record = known;
    auto orderid = foundation::optionalText(order, "orderid").value_or(record.orderid);
    auto& ledger = Till::ledger();
    if (const auto* recorded = ledger.order(orderid))
        record = *recorded;
    record.paytime = foundation::optionalText(order, "paytime").value_or(record.paytime);
    switch (ledger.paid(orderid, record)) {
    case TillLedger::PaidVerdict::Known:
        return;
    case TillLedger::PaidVerdict::BoundToSale:
        bindLate(record.sale);
        return;
    case TillLedger::PaidVerdict::ShowResult:
        break;
    }
    if (showLateResult(order, record.money))
        ledger.resultShown(orderid);
}

void PaidOrderDelivery::bindLate(TillLedger::Id sale)
{
    if (!showOnForm(sale))
        showDue();
}

bool PaidOrderDelivery::showOnForm(TillLedger::Id sale)
{
    auto& ledger = Till::ledger();
    const auto* bound = ledger.sale(sale);
    for (const auto& navigation : allStacks()) {
        auto form = formIn(*navigation, sale);
        if (!form)
            continue;
        std::dynamic_pointer_cast<MobilePayCallbackReceiver>(form)->mobilePartBoundLate();
        auto app = AppDelegate::shared();
        if (app && navigation == app->shownNavigation() && navigation->topViewController() != form
            && onlyIdlePayingScreensAbove(*navigation, *form))
            navigation->popToViewController(form, true);
        return true;
    }
    // Its form is gone after all: the money is a payment of its own.
    if (bound)
        ledger.unbindPaidPart(sale);
    return false;
}

bool PaidOrderDelivery::showLateResult(const foundation::Json& order, const std::string& money)
{
    auto app = AppDelegate::shared();
    auto navigation = app ? app->shownNavigation() : nullptr;
    if (!navigation)
        return false;
    PayResultViewController::pushLate(*navigation, order, money);
    return true;
}

void PaidOrderDelivery::showDue()
{
    auto& ledger = Till::ledger();
    for (const auto& due : ledger.ordersIn(TillLedger::OrderState::Paid)) {
        foundation::Json order { { "orderid", due.orderid }, { "paystatus", "1" } };
        if (!due.paytime.empty())
            order["paytime"] = due.paytime;
        if (!showLateResult(order, due.money))
            return;
        ledger.resultShown(due.orderid);
    }
}
