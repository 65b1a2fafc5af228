#include "cashier/CashierScreens.h"

#include "app/AppDelegate.h"
#include "cashier/BillTableViewCell.h"
#include "cashier/BillViewController.h"
#include "cashier/ChoosePayWayViewController.h"
#include "cashier/Order404ViewController.h"
#include "cashier/OrderDetailViewController.h"
#include "cashier/OrderFollower.h"
#include "cashier/OrderSearchViewController.h"
#include "cashier/PayResultViewController.h"
#include "cashier/QRCodePayViewController.h"
#include "cashier/RePayViewController.h"
#include "cashier/ReceivableViewController.h"
#include "cashier/RefundViewController.h"
#include "cashier/ScanViewController.h"
#include "platform/kit/Registry.h"
#include "ui/BaseViewController.h"

#include <string>

namespace {

template<class Screen> void registerScreen(kit::Registry& registry)
{
    registry.registerController(std::string(Screen::nibName), [] { return std::make_shared<Screen>(); });
}

} // namespace

void CashierScreens::registerScreens()
{
    auto& registry = kit::Registry::shared();
    registry.registerController(
        "ReceivableViewController", [] { return std::make_shared<ReceivableViewController>(); });
    registerScreen<ChoosePayWayViewController>(registry);
    registerScreen<ScanViewController>(registry);
    registerScreen<QRCodePayViewController>(registry);
    registerScreen<RePayViewController>(registry);
    registerScreen<PayResultViewController>(registry);
    registerScreen<OrderDetailViewController>(registry);
    registerScreen<RefundViewController>(registry);
    registerScreen<BillViewController>(registry);
    registerScreen<OrderSearchViewController>(registry);
    registerScreen<Order404ViewController>(registry);
    registry.registerView(
        std::string(BillTableViewCell::nibName), [] { return std::make_shared<BillTableViewCell>(); });
    // The app's till follows the orders no screen follows.
    AppDelegate::setTillWatcherFactory([](const std::shared_ptr<TillLedger>& ledger) {
        return std::static_pointer_cast<TillWatcher>(std::make_shared<OrderFollower>(ledger));
    });
    BaseViewController::setScannerFactory([](std::weak_ptr<ScanViewControllerDelegate> delegate) {
        auto scanner = kit::Registry::shared().instantiate<ScanViewController>(
            std::string(ScanViewController::nibName));
        if (scanner)
            scanner->setScanControllerDelegate(std::move(delegate));
        return std::static_pointer_cast<kit::ViewController>(scanner);
    });
}
