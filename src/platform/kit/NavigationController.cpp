#include "platform/kit/NavigationController.h"

#include "platform/foundation/RunLoop.h"
#include "platform/kit/NavigationBar.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/Screen.h"
#include "platform/kit/TabBarController.h"
#include "platform/kit/View.h"

#include <algorithm>

namespace kit {

NavigationController::NavigationController() = default;

NavigationController::NavigationController(std::shared_ptr<ViewController> root)
{
    if (root)
        m_stack.push_back(std::move(root));
}

void NavigationController::adoptChildren()
{
    // The constructor cannot hand out weak pointers to itself yet.
    auto self = weak_from_this().lock();
    if (!self)
        return;
    for (auto& child : m_stack) {
        if (child->parentViewController() != self)
            child->setParent(self);
    }
}

const std::vector<std::shared_ptr<ViewController>>& NavigationController::viewControllers()
{
    adoptChildren();
    return m_stack;
}

std::shared_ptr<ViewController> NavigationController::topViewController()
{
    adoptChildren();
    return m_stack.empty() ? nullptr : m_stack.back();
}

std::shared_ptr<NavigationBar> NavigationController::navigationBar()
{
    if (!m_bar) {
        m_bar = std::make_shared<NavigationBar>();
        std::weak_ptr<ViewController> weakSelf = weak_from_this();
        m_bar->setBackAction([weakSelf] {
            if (auto self = std::static_pointer_cast<NavigationController>(weakSelf.lock()))
                self->popViewControllerAnimated(true);
        });
    }
    return m_bar;
}

void NavigationController::loadView()
{
    adoptChildren();
    auto root = std::make_shared<View>(Screen::mainScreen().bounds());
    setView(root);
    auto bar = navigationBar();
    bar->setFrame({ 0, 0, root->bounds().width(), NavigationBar::height });
    bar->setHidden(m_navigationBarHidden);
    root->addSubview(bar);
    installTopView();
}

void NavigationController::setNavigationBarHidden(bool hidden, bool)
{
    m_navigationBarHidden = hidden;
    if (m_bar)
        m_bar->setHidden(hidden);
}

void NavigationController::installTopView()
{
    if (!isViewLoaded())
        return;
    auto container = view();
    auto top = m_stack.empty() ? nullptr : m_stack.back();
    for (auto& child : m_stack) {
        if (child != top && child->isViewLoaded() && child->view()->superview() == container)
            child->view()->removeFromSuperview();
    }
    for (auto& child : m_leaving) {
        if (child->isViewLoaded() && child->view()->superview() == container)
            child->view()->removeFromSuperview();
    }
    if (top) {
        auto topView = top->view();
        topView->setFrame(container->bounds());
        if (topView->superview() != container)
            container->insertSubviewBelow(topView, m_bar.get());
    }
    std::vector<std::shared_ptr<NavigationItem>> items;
    for (auto& child : m_stack)
        items.push_back(child->navigationItem());
    navigationBar()->setItems(std::move(items));
}

void NavigationController::stackDidChange(bool animated)
{
    adoptChildren();
    installTopView();
    if (auto tabs = tabBarController())
        tabs->updateTabBarVisibility();
    scheduleTransition(animated);
}

void NavigationController::scheduleTransition(bool animated)
{
    m_transitionAnimated = m_transitionAnimated || animated;
    if (m_transitionPending)
        return;
    m_transitionPending = true;
    std::weak_ptr<ViewController> weakSelf = weak_from_this();
    foundation::RunLoop::main().post([weakSelf] {
        if (auto self = std::static_pointer_cast<NavigationController>(weakSelf.lock()))
            self->runTransition();
    });
}

void NavigationController::runTransition()
{
    m_transitionPending = false;
    bool animated = std::exchange(m_transitionAnimated, false);
    auto leaving = std::move(m_leaving);
    m_leaving.clear();
    auto self = std::static_pointer_cast<NavigationController>(shared_from_this());
    auto from = m_shown.lock();
    auto to = topViewController();
    if (isAppearing() && from != to) {
        m_shown = to;
        swapAppearance(from, to, animated);
    }
    for (auto& gone : leaving) {
        if (std::find(m_stack.begin(), m_stack.end(), gone) == m_stack.end()
            && gone->parentViewController() == self)
            gone->clearParent();
    }
}

std::shared_ptr<ViewController> NavigationController::childForAppearance(bool appearing)
{
    if (appearing)
        m_shown = topViewController();
    return m_shown.lock();
}

void NavigationController::setViewControllers(
    std::vector<std::shared_ptr<ViewController>> controllers, bool animated)
{
    std::erase(controllers, nullptr);
    for (auto& old : m_stack) {
        if (std::find(controllers.begin(), controllers.end(), old) == controllers.end())
            m_leaving.push_back(old);
    }
    m_stack = std::move(controllers);
    stackDidChange(animated);
}

void NavigationController::pushViewController(
    const std::shared_ptr<ViewController>& controller, bool animated)
{
    if (!controller || std::find(m_stack.begin(), m_stack.end(), controller) != m_stack.end())
        return;
    m_stack.push_back(controller);
    stackDidChange(animated);
}

std::shared_ptr<ViewController> NavigationController::popViewControllerAnimated(bool animated)
{
    if (m_stack.size() < 2)
        return nullptr;
    auto popped = m_stack.back();
    m_stack.pop_back();
    m_leaving.push_back(popped);
    stackDidChange(animated);
    return popped;
}

std::vector<std::shared_ptr<ViewController>> NavigationController::popToViewController(
    const std::shared_ptr<ViewController>& controller, bool animated)
{
    auto it = std::find(m_stack.begin(), m_stack.end(), controller);
    if (it == m_stack.end() || it + 1 == m_stack.end())
        return {};
    std::vector<std::shared_ptr<ViewController>> popped(it + 1, m_stack.end());
    m_stack.erase(it + 1, m_stack.end());
    m_leaving.insert(m_leaving.end(), popped.begin(), popped.end());
    stackDidChange(animated);
    return popped;
}

std::vector<std::shared_ptr<ViewController>> NavigationController::popToRootViewControllerAnimated(
    bool animated)
{
    if (m_stack.empty())
        return {};
    return popToViewController(m_stack.front(), animated);
}

} // namespace kit
