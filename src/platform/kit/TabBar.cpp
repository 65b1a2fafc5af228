#include "platform/kit/TabBar.h"

#include "platform/kit/Button.h"
#include "platform/kit/Label.h"
#include "platform/kit/Screen.h"
#include "platform/kit/TabBarItem.h"

namespace kit {

namespace {

// The shared title colours are read here too, so an item changed after the
// start-up set them shows them.
void dress(Button& button, const TabBarItem& item)
{
    button.setTitle(item.title(), ControlState::Normal);
    auto normalColor = TabBarItem::appearanceTitleColor(ControlState::Normal);
    button.setTitleColor(normalColor.value_or(graphics::Color::gray()), ControlState::Normal);
    auto selectedColor = TabBarItem::appearanceTitleColor(ControlState::Selected);
    button.setTitleColor(selectedColor.value_or(normalColor.value_or(graphics::Color(0, 122.0 / 255, 1))),
        ControlState::Selected);
    button.setImage(item.image(), ControlState::Normal);
    button.setImage(item.selectedImage() ? item.selectedImage() : item.image(), ControlState::Selected);
}

} // namespace

TabBar::TabBar()
    : View(graphics::Rect(
        0, Screen::mainScreen().bounds().height() - height, Screen::mainScreen().bounds().width(), height))
{
    setBackgroundColor(graphics::Color::fromWhite(0.97));
}

void TabBar::setItems(std::vector<std::shared_ptr<TabBarItem>> items)
{
    std::erase(items, nullptr);
    for (auto& item : m_items)
        item->removeBar(this);
    m_items = std::move(items);
    if (auto self = std::static_pointer_cast<TabBar>(weak_from_this().lock())) {
        for (auto& item : m_items)
            item->addBar(self);
    }
    rebuild();
}

void TabBar::setSelectedIndex(std::size_t index)
{
    m_selectedIndex = index;
    for (std::size_t i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setSelected(i == index);
}

void TabBar::rebuild()
{
    for (auto& button : m_buttons)
        button->removeFromSuperview();
    m_buttons.clear();
    for (std::size_t i = 0; i < m_items.size(); ++i) {
        const auto& item = m_items[i];
        auto button = std::make_shared<Button>(ButtonType::Custom);
        button->titleLabel()->setFont(graphics::Font::systemFont(10));
        dress(*button, *item);
        // The bar owns the buttons, so the closure may refer to the bar
        // only weakly.
        std::weak_ptr<View> weakBar = weak_from_this();
        button->addAction(
            [weakBar, i](Control&) {
                auto bar = std::static_pointer_cast<TabBar>(weakBar.lock());
                if (bar && bar->m_onSelect)
                    bar->m_onSelect(i);
            },
            ControlEvent::TouchUpInside);
        addSubview(button);
        m_buttons.push_back(button);
    }
    setSelectedIndex(m_selectedIndex);
    setNeedsLayout();
}

void TabBar::itemDidChange(const TabBarItem& item)
{
    // The same item may stand in more than one tab.
    for (std::size_t i = 0; i < m_items.size() && i < m_buttons.size(); ++i) {
        if (m_items[i].get() == &item)
            dress(*m_buttons[i], item);
    }
}

void TabBar::layoutSubviews()
{
    if (m_buttons.empty())
        return;
    double width = bounds().width() / static_cast<double>(m_buttons.size());
    for (std::size_t i = 0; i < m_buttons.size(); ++i)
        m_buttons[i]->setFrame({ width * static_cast<double>(i), 0, width, height });
}

} // namespace kit
