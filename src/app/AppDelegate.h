#pragma once

#include "platform/foundation/Subscription.h"
#include "platform/kit/Application.h"

#include <functional>
#include <memory>

namespace foundation {
class UserDefaults;
}
namespace kit {
class NavigationController;
class Window;
} // namespace kit
class BaseViewController;
class HomeViewController;
class TillLedger;
class TillLedgerFile;
class TillWatcher;

// Starts the app into the home tabs (or the first-launch guide, once) and
// carries the little state the screens share: the screen that appeared
// last, whether a payment just ended in success, and the till's money.
//
// The till's ledger (TillLedger) is the app's, not any screen's: read from
// the home at launch as a restart finds it, written back after every change
// (TillLedgerFile), and worked by the watcher the cashier registers, which
// follows orders left waiting and shows payments heard of late.
class AppDelegate : public kit::ApplicationDelegate, public std::enable_shared_from_this<AppDelegate> {
public:
    // The running application's delegate, or null when it is not this class.
    static std::shared_ptr<AppDelegate> shared();

    ~AppDelegate() override;

    bool applicationDidFinishLaunchingWithOptions(
        kit::Application& application, const LaunchOptions& options) override;
    unsigned applicationSupportedInterfaceOrientationsForWindow(kit::Application&, kit::Window*) override
    {
        return portraitMask;
    }

    static constexpr unsigned portraitMask = 2;

    const std::shared_ptr<kit::Window>& window() const { return m_window; }
    void setWindow(std::shared_ptr<kit::Window> window) { m_window = std::move(window); }
    const std::shared_ptr<HomeViewController>& homeViewController() const { return m_homeViewController; }
    void setHomeViewController(std::shared_ptr<HomeViewController> home)
    {
        m_homeViewController = std::move(home);
    }
    bool isPaySuccessBack() const { return m_isPaySuccessBack; }
    void setIsPaySuccessBack(bool back) { m_isPaySuccessBack = back; }
    foundation::UserDefaults* userDefaults() const { return m_userDefaults; }
    const std::shared_ptr<BaseViewController>& currentController() const { return m_currentController; }
    void setCurrentController(std::shared_ptr<BaseViewController> controller)
    {
        m_currentController = std::move(controller);
    }
    // The screen the person is on: the top of the selected tab's stack, or
    // the nearest screen under it when the top is not one of the app's own
    // (the code scanner). Null when none is shown (the guide).
    std::shared_ptr<BaseViewController> shownScreen() const;
    // The stack the person sees: the selected tab's. Null when none is shown.
    std::shared_ptr<kit::NavigationController> shownNavigation() const;

    const std::shared_ptr<TillLedger>& tillLedger() const { return m_tillLedger; }
    using TillWatcherFactory
        = std::function<std::shared_ptr<TillWatcher>(const std::shared_ptr<TillLedger>&)>;
    // Set by the cashier before launch; each launch makes its watcher with it.
    static void setTillWatcherFactory(TillWatcherFactory factory);
    // Said at launch when the ledger in the home could not be read.
    static constexpr const char* tillDamagedText = "收款记录已损坏,已另存备查,收款前请先在账单中核实！";

private:
    void applyTabBarItems();
    void openTill();

    std::shared_ptr<kit::Window> m_window;
    std::shared_ptr<HomeViewController> m_homeViewController;
    bool m_isPaySuccessBack = false;
    foundation::UserDefaults* m_userDefaults = nullptr;
    std::shared_ptr<BaseViewController> m_currentController;
    std::shared_ptr<TillLedger> m_tillLedger;
    std::shared_ptr<TillLedgerFile> m_tillFile;
    std::shared_ptr<TillWatcher> m_tillWatcher;
    foundation::Subscription m_tillSaving;
};
