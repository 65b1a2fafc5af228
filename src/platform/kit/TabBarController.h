#pragma once

#include "platform/kit/ViewController.h"

#include <memory>
#include <vector>

namespace kit {

class TabBar;

// Tabs of screens (usually navigation stacks) with the tab bar at the
// bottom. The bar hides while the selected stack shows a screen that asked
// for it when pushed. Selection changes the view at once; the appearance
// callbacks follow on a later loop turn.
class TabBarController : public ViewController {
public:
    TabBarController();

    const std::vector<std::shared_ptr<ViewController>>& viewControllers() const { return m_children; }
    void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers);
    std::size_t selectedIndex() const { return m_selectedIndex; }
    // Out-of-range indexes are ignored.
    void setSelectedIndex(std::size_t index);
    std::shared_ptr<ViewController> selectedViewController() const;

    std::shared_ptr<TabBar> tabBar();
    bool isTabBarHidden() const;
    // Re-reads the selected stack; navigation controllers call it when their
    // stack changes.
    void updateTabBarVisibility();

    void loadView() override;

protected:
    std::shared_ptr<ViewController> childForAppearance(bool appearing) override;

private:
    void adoptChildren();
    void installSelectedView();
    void runTransition();

    std::vector<std::shared_ptr<ViewController>> m_children;
    std::size_t m_selectedIndex = 0;
    std::shared_ptr<TabBar> m_tabBar;
    std::weak_ptr<ViewController> m_shown;
    bool m_transitionPending = false;
};

} // namespace kit
