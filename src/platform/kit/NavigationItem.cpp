#include "platform/kit/NavigationItem.h"

#include "platform/kit/BarButtonItem.h"
#include "platform/kit/View.h"

namespace kit {

NavigationItem::NavigationItem(std::string title)
    : m_title(std::move(title))
{
}

void NavigationItem::changed()
{
    if (m_changed)
        m_changed();
}

void NavigationItem::setTitle(std::string title)
{
    m_title = std::move(title);
    changed();
}

void NavigationItem::setTitleView(std::shared_ptr<View> view)
{
    m_titleView = std::move(view);
    changed();
}

void NavigationItem::setLeftBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items)
{
    std::erase(items, nullptr);
    m_left = std::move(items);
    changed();
}

void NavigationItem::setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item)
{
    setLeftBarButtonItems(
        item ? std::vector { std::move(item) } : std::vector<std::shared_ptr<BarButtonItem>> {});
}

void NavigationItem::setRightBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items)
{
    std::erase(items, nullptr);
    m_right = std::move(items);
    changed();
}

void NavigationItem::setRightBarButtonItem(std::shared_ptr<BarButtonItem> item)
{
    setRightBarButtonItems(
        item ? std::vector { std::move(item) } : std::vector<std::shared_ptr<BarButtonItem>> {});
}

void NavigationItem::setHidesBackButton(bool hides)
{
    m_hidesBackButton = hides;
    changed();
}

} // namespace kit
