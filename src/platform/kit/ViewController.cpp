#include "platform/kit/ViewController.h"

#include "platform/kit/NavigationController.h"
#include "platform/kit/NavigationItem.h"
#include "platform/kit/Screen.h"
#include "platform/kit/TabBarController.h"
#include "platform/kit/TabBarItem.h"
#include "platform/kit/View.h"

namespace kit {

ViewController::ViewController() = default;

ViewController::~ViewController() = default;

std::shared_ptr<View> ViewController::view()
{
    if (m_view)
        return m_view;
    if (m_loading) {
        // A loadView override that reads the view before setting one gets
        // the default view rather than endless recursion.
        ViewController::loadView();
        return m_view;
    }
    auto keep = weak_from_this().lock();
    m_loading = true;
    loadView();
    if (!m_view)
        ViewController::loadView();
    m_loading = false;
    viewDidLoad();
    return m_view;
}

void ViewController::setView(const std::shared_ptr<View>& view)
{
    if (m_view)
        m_view->setViewController({});
    m_view = view;
    if (m_view)
        m_view->setViewController(weak_from_this());
}

void ViewController::loadView()
{
    setView(std::make_shared<View>(Screen::mainScreen().bounds()));
}

void ViewController::setTitle(const std::string& title)
{
    m_title = title;
    if (m_navigationItem)
        m_navigationItem->setTitle(title);
    if (m_tabBarItem)
        m_tabBarItem->setTitle(title);
}

std::shared_ptr<NavigationItem> ViewController::navigationItem()
{
    if (!m_navigationItem)
        m_navigationItem = std::make_shared<NavigationItem>(m_title);
    return m_navigationItem;
}

std::shared_ptr<TabBarItem> ViewController::tabBarItem()
{
    if (!m_tabBarItem)
        m_tabBarItem = std::make_shared<TabBarItem>(m_title, nullptr, nullptr);
    return m_tabBarItem;
}

void ViewController::setTabBarItem(const std::shared_ptr<TabBarItem>& item)
{
    m_tabBarItem = item;
}

std::shared_ptr<NavigationController> ViewController::navigationController() const
{
    for (auto parent = m_parent.lock(); parent; parent = parent->m_parent.lock()) {
        if (auto nav = std::dynamic_pointer_cast<NavigationController>(parent))
            return nav;
    }
    return nullptr;
}

std::shared_ptr<TabBarController> ViewController::tabBarController() const
{
    for (auto parent = m_parent.lock(); parent; parent = parent->m_parent.lock()) {
        if (auto tab = std::dynamic_pointer_cast<TabBarController>(parent))
            return tab;
    }
    return nullptr;
}

void ViewController::beginAppearanceTransition(bool appearing, bool animated)
{
    auto keep = weak_from_this().lock();
    if (appearing) {
        if (m_appearance == Appearance::Appearing || m_appearance == Appearance::Shown)
            return;
        m_appearance = Appearance::Appearing;
        view();
        m_animatedTransition = animated;
        viewWillAppear(animated);
    } else {
        if (m_appearance == Appearance::Hidden || m_appearance == Appearance::Disappearing)
            return;
        m_appearance = Appearance::Disappearing;
        m_animatedTransition = animated;
        viewWillDisappear(animated);
    }
    auto child = childForAppearance(appearing);
    m_appearanceChild = child;
    if (child)
        child->beginAppearanceTransition(appearing, animated);
}

void ViewController::swapAppearance(
    const std::shared_ptr<ViewController>& from, const std::shared_ptr<ViewController>& to, bool animated)
{
    if (from)
        from->beginAppearanceTransition(false, animated);
    if (to)
        to->beginAppearanceTransition(true, animated);
    if (from)
        from->endAppearanceTransition();
    if (to)
        to->endAppearanceTransition();
}

void ViewController::endAppearanceTransition()
{
    auto keep = weak_from_this().lock();
    if (m_appearance == Appearance::Appearing) {
        m_appearance = Appearance::Shown;
        viewDidAppear(m_animatedTransition);
    } else if (m_appearance == Appearance::Disappearing) {
        m_appearance = Appearance::Hidden;
        viewDidDisappear(m_animatedTransition);
    } else {
        return;
    }
    if (auto child = m_appearanceChild.lock())
        child->endAppearanceTransition();
    m_appearanceChild.reset();
}

Responder* ViewController::nextResponder() const
{
    if (m_view) {
        if (auto parent = m_view->superview())
            return parent.get();
    }
    return nullptr;
}

} // namespace kit
