#pragma once

#include "platform/kit/ViewController.h"

#include <memory>
#include <vector>

namespace kit {

class NavigationBar;

// A stack of screens with a bar on top. The stack and the views change
// inside push and pop; the appearance callbacks come on a later loop turn
// (covered or popped screen's will-disappear, new top's will-appear, then
// did-disappear and did-appear). Several changes in one turn give one
// transition, from the screen last shown to the top at that time.
class NavigationController : public ViewController {
public:
    NavigationController();
    explicit NavigationController(std::shared_ptr<ViewController> root);

    const std::vector<std::shared_ptr<ViewController>>& viewControllers();
    void setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers, bool animated = false);
    std::shared_ptr<ViewController> topViewController();
    std::shared_ptr<ViewController> visibleViewController() { return topViewController(); }

    // Pushing a screen that is already in the stack, or none, does nothing.
    void pushViewController(const std::shared_ptr<ViewController>& controller, bool animated);
    // The root never pops; the result is then null.
    std::shared_ptr<ViewController> popViewControllerAnimated(bool animated);
    // Pops everything above `controller`; nothing when it is not in the stack.
    std::vector<std::shared_ptr<ViewController>> popToViewController(
        const std::shared_ptr<ViewController>& controller, bool animated);
    std::vector<std::shared_ptr<ViewController>> popToRootViewControllerAnimated(bool animated);

    std::shared_ptr<NavigationBar> navigationBar();
    bool isNavigationBarHidden() const { return m_navigationBarHidden; }
    void setNavigationBarHidden(bool hidden, bool animated = false);

    void loadView() override;

protected:
    std::shared_ptr<ViewController> childForAppearance(bool appearing) override;

private:
    void adoptChildren();
    void stackDidChange(bool animated);
    void installTopView();
    void scheduleTransition(bool animated);
    void runTransition();

    std::vector<std::shared_ptr<ViewController>> m_stack;
    std::shared_ptr<NavigationBar> m_bar;
    bool m_navigationBarHidden = false;
    // The screen that last got its appearance callbacks.
    std::weak_ptr<ViewController> m_shown;
    // Screens popped since the last transition: they keep their container
    // until they have been told they disappeared.
    std::vector<std::shared_ptr<ViewController>> m_leaving;
    bool m_transitionPending = false;
    bool m_transitionAnimated = false;
};

} // namespace kit
