#pragma once

#include "platform/kit/Application.h"

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

// Starts the app into the home tabs (or the first-launch guide, once) and
// carries the little state the screens share: the screen that appeared
// last, and whether a payment just ended in success.
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

private:
    void applyTabBarItems();

    std::shared_ptr<kit::Window> m_window;
    std::shared_ptr<HomeViewController> m_homeViewController;
    bool m_isPaySuccessBack = false;
    foundation::UserDefaults* m_userDefaults = nullptr;
    std::shared_ptr<BaseViewController> m_currentController;
};
