#include "cashier/TillHoldAlert.h"

#include "cashier/BillViewController.h"
#include "cashier/Till.h"
#include "platform/kit/AlertView.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/Registry.h"
#include "ui/BaseViewController.h"

#include <utility>

std::shared_ptr<TillHoldAlert> TillHoldAlert::create(
    BaseViewController& screen, TillLedger::MoneyAction action)
{
    return std::make_shared<TillHoldAlert>(screen, action);
}

TillHoldAlert::TillHoldAlert(BaseViewController& screen, TillLedger::MoneyAction action)
    : m_screen(std::static_pointer_cast<BaseViewController>(screen.shared_from_this()))
    , m_action(action)
{
}

TillHoldAlert::~TillHoldAlert()
{
    if (m_alert)
        m_alert->dismissWithClickedButtonIndex(-1, false);
}

void TillHoldAlert::whenFree(std::function<void()> go)
{
    auto held = Till::ledger().heldItems(m_action);
    if (held.empty()) {
        go();
        return;
    }
    if (m_alert && (m_alert->isVisible() || m_alert->isWaiting()))
        return;
    m_go = std::move(go);
    m_shown = held;
    std::string text(message);
    for (const auto& item : held) {
        if (item.reason == TillLedger::HeldReason::DamagedRecord)
            text += "\n收款记录已损坏,未完成的收款不明";
        else if (!item.orderid.empty())
            text += "\n订单" + item.orderid + " " + item.money + "元";
        else
            text += "\n付款码收款 " + item.money + "元";
    }
    m_alert = kit::AlertView::create(std::string(title), text, weak_from_this(), std::nullopt,
        { std::string(checkedButton), std::string(takingsButton), "取消" });
    m_alert->show();
}

void TillHoldAlert::alertViewClickedButtonAtIndex(kit::AlertView& alertView, int buttonIndex)
{
    if (&alertView != m_alert.get())
        return;
    m_alert = nullptr;
    auto go = std::exchange(m_go, nullptr);
    auto checked = std::exchange(m_shown, {});
    if (buttonIndex == 0) {
        Till::ledger().heldChecked(checked);
        if (go)
            whenFree(std::move(go));
    } else if (buttonIndex == 1) {
        openTakings();
    }
}

void TillHoldAlert::openTakings()
{
    auto screen = m_screen.lock();
    auto navigation = screen ? screen->navigationController() : nullptr;
    auto bill = screen && screen->mainStoryboard()
        ? screen->mainStoryboard()->instantiate<BillViewController>(std::string(BillViewController::nibName))
        : nullptr;
    if (!bill || !navigation)
        return;
    // The takings of the wallet that holds the till.
    for (const auto& item : Till::ledger().heldItems()) {
        if (!item.wallet.empty()) {
            bill->setPayType(item.wallet);
            break;
        }
    }
    bill->setHidesBottomBarWhenPushed(true);
    navigation->pushViewController(bill, true);
}
