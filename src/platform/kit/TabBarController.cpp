#include "platform/kit/TabBarController.h"

#include "platform/foundation/RunLoop.h"
#include "platform/kit/NavigationController.h"
#include "platform/kit/Screen.h"
#include "platform/kit/TabBar.h"
#include "platform/kit/TabBarItem.h"
#include "platform/kit/View.h"

namespace kit {

TabBarController::TabBarController() = default;

std::shared_ptr<TabBar> TabBarController::tabBar()
{
    if (!m_tabBar) {
        m_tabBar = std::make_shared<TabBar>();
        std::weak_ptr<ViewController> weakSelf = weak_from_this();
        m_tabBar->setSelectionHandler([weakSelf](std::size_t index) {
            if (auto self = std::static_pointer_cast<TabBarController>(weakSelf.lock()))
                self->setSelectedIndex(index);
        });
    }
    return m_tabBar;
}

void TabBarController::setViewControllers(std::vector<std::shared_ptr<ViewController>> controllers)
{
    std::erase(controllers, nullptr);
    for (auto& old : m_children) {
        if (old->isViewLoaded())
            old->view()->removeFromSuperview();
        old->clearParent();
    }
    m_children = std::move(controllers);
    adoptChildren();
    std::vector<std::shared_ptr<TabBarItem>> items;
    for (auto& child : m_children)
        items.push_back(child->tabBarItem());
    if (m_selectedIndex >= m_children.size())
        m_selectedIndex = 0;
    tabBar()->setItems(std::move(items));
    tabBar()->setSelectedIndex(m_selectedIndex);
    installSelectedView();
}

std::shared_ptr<ViewController> TabBarController::selectedViewController() const
{
    return m_selectedIndex < m_children.size() ? m_children[m_selectedIndex] : nullptr;
}

void TabBarController::setSelectedIndex(std::size_t index)
{
    if (index >= m_children.size() || index == m_selectedIndex)
        return;
    m_selectedIndex = index;
    tabBar()->setSelectedIndex(index);
    installSelectedView();
    if (m_transitionPending)
        return;
    m_transitionPending = true;
    std::weak_ptr<ViewController> weakSelf = weak_from_this();
    foundation::RunLoop::main().post([weakSelf] {
        if (auto self = std::static_pointer_cast<TabBarController>(weakSelf.lock()))
            self->runTransition();
    });
}

void TabBarController::runTransition()
{
    m_transitionPending = false;
    auto keep = shared_from_this();
    auto from = m_shown.lock();
    auto to = selectedViewController();
    if (!isAppearing() || from == to)
        return;
    m_shown = to;
    swapAppearance(from, to, false);
}

std::shared_ptr<ViewController> TabBarController::childForAppearance(bool appearing)
{
    if (appearing)
        m_shown = selectedViewController();
    return m_shown.lock();
}

void TabBarController::adoptChildren()
{
    // A subclass may set its tabs in its constructor, before it can hand
    // out weak pointers to itself.
    auto self = weak_from_this().lock();
    if (!self)
        return;
    for (auto& child : m_children) {
        if (child->parentViewController() != self)
            child->setParent(self);
    }
}

void TabBarController::loadView()
{
    adoptChildren();
    auto root = std::make_shared<View>(Screen::mainScreen().bounds());
    setView(root);
    auto bar = tabBar();
    bar->setFrame({ 0, root->bounds().height() - TabBar::height, root->bounds().width(), TabBar::height });
    root->addSubview(bar);
    installSelectedView();
}

void TabBarController::installSelectedView()
{
    if (!isViewLoaded())
        return;
    auto container = view();
    auto selected = selectedViewController();
    for (auto& child : m_children) {
        if (child != selected && child->isViewLoaded() && child->view()->superview() == container)
            child->view()->removeFromSuperview();
    }
    if (selected) {
        auto childView = selected->view();
        childView->setFrame(container->bounds());
        if (childView->superview() != container)
            container->insertSubviewBelow(childView, m_tabBar.get());
    }
    updateTabBarVisibility();
}

bool TabBarController::isTabBarHidden() const
{
    auto nav = std::dynamic_pointer_cast<NavigationController>(selectedViewController());
    if (!nav)
        return false;
    // Once a screen that hides the bar is pushed, the screens above it keep
    // it hidden; the stack's root never hides it.
    const auto& stack = nav->viewControllers();
    for (std::size_t i = 1; i < stack.size(); ++i) {
        if (stack[i]->hidesBottomBarWhenPushed())
            return true;
    }
    return false;
}

void TabBarController::updateTabBarVisibility()
{
    if (m_tabBar)
        m_tabBar->setHidden(isTabBarHidden());
}

} // namespace kit
