#pragma once

#include "platform/kit/View.h"

#include <functional>
#include <memory>
#include <vector>

namespace kit {

class Button;
class TabBarItem;

// The strip of tabs at the bottom. Each item is shown by a button so a
// touch on it selects the tab; the button follows later changes to its item.
class TabBar : public View {
public:
    static constexpr double height = 49;

    TabBar();

    const std::vector<std::shared_ptr<TabBarItem>>& items() const { return m_items; }
    void setItems(std::vector<std::shared_ptr<TabBarItem>> items);
    std::size_t selectedIndex() const { return m_selectedIndex; }
    void setSelectedIndex(std::size_t index);
    // Called with the index of a tab the user touched.
    void setSelectionHandler(std::function<void(std::size_t)> handler) { m_onSelect = std::move(handler); }
    const std::vector<std::shared_ptr<Button>>& itemButtons() const { return m_buttons; }

    void layoutSubviews() override;

private:
    friend class TabBarItem;
    void rebuild();
    void itemDidChange(const TabBarItem& item);

    std::vector<std::shared_ptr<TabBarItem>> m_items;
    std::vector<std::shared_ptr<Button>> m_buttons;
    std::size_t m_selectedIndex = 0;
    std::function<void(std::size_t)> m_onSelect;
};

} // namespace kit
