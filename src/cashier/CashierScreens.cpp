#include "cashier/CashierScreens.h"

#include "cashier/ChoosePayWayViewController.h"
#include "cashier/ReceivableViewController.h"
#include "cashier/ScanViewController.h"
#include "platform/kit/Registry.h"
#include "ui/BaseViewController.h"

#include <string>

void CashierScreens::registerScreens()
{
    auto& registry = kit::Registry::shared();
    registry.registerController(
        "ReceivableViewController", [] { return std::make_shared<ReceivableViewController>(); });
    registry.registerController(std::string(ChoosePayWayViewController::nibName),
        [] { return std::make_shared<ChoosePayWayViewController>(); });
    registry.registerController(
        std::string(ScanViewController::nibName), [] { return std::make_shared<ScanViewController>(); });
    BaseViewController::setScannerFactory([](std::weak_ptr<ScanViewControllerDelegate> delegate) {
        auto scanner = kit::Registry::shared().instantiate<ScanViewController>(
            std::string(ScanViewController::nibName));
        if (scanner)
            scanner->setScanControllerDelegate(std::move(delegate));
        return std::static_pointer_cast<kit::ViewController>(scanner);
    });
}
