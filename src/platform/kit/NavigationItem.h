#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kit {

class BarButtonItem;
class View;

// What a screen shows in the navigation bar while it is on top: a title
// or a title view, and bar button items on either side (first item
// outermost).
class NavigationItem {
public:
    explicit NavigationItem(std::string title = {});

    const std::string& title() const { return m_title; }
    void setTitle(std::string title);
    const std::shared_ptr<View>& titleView() const { return m_titleView; }
    void setTitleView(std::shared_ptr<View> view);

    const std::vector<std::shared_ptr<BarButtonItem>>& leftBarButtonItems() const { return m_left; }
    void setLeftBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items);
    std::shared_ptr<BarButtonItem> leftBarButtonItem() const
    {
        return m_left.empty() ? nullptr : m_left.front();
    }
    void setLeftBarButtonItem(std::shared_ptr<BarButtonItem> item);
    const std::vector<std::shared_ptr<BarButtonItem>>& rightBarButtonItems() const { return m_right; }
    void setRightBarButtonItems(std::vector<std::shared_ptr<BarButtonItem>> items);
    std::shared_ptr<BarButtonItem> rightBarButtonItem() const
    {
        return m_right.empty() ? nullptr : m_right.front();
    }
    void setRightBarButtonItem(std::shared_ptr<BarButtonItem> item);

    bool hidesBackButton() const { return m_hidesBackButton; }
    void setHidesBackButton(bool hides);

    // The bar showing this item re-lays itself out on any change.
    void setChangeHandler(std::function<void()> handler) { m_changed = std::move(handler); }

private:
    void changed();

    std::string m_title;
    std::shared_ptr<View> m_titleView;
    std::vector<std::shared_ptr<BarButtonItem>> m_left;
    std::vector<std::shared_ptr<BarButtonItem>> m_right;
    bool m_hidesBackButton = false;
    std::function<void()> m_changed;
};

} // namespace kit
