#pragma once

#include <functional>
#include <memory>
#include <string>

namespace kit {

class Button;
class View;

// An entry of a navigation bar: a fixed space (negative widths pull the
// neighbours towards the edge), a custom view, or a plain titled button.
class BarButtonItem {
public:
    static std::shared_ptr<BarButtonItem> fixedSpace(double width);
    explicit BarButtonItem(std::shared_ptr<View> customView);
    // `action` runs on touch-up-inside of the button the bar makes for it.
    BarButtonItem(std::string title, std::function<void()> action);

    bool isFixedSpace() const { return m_fixedSpace; }
    double width() const { return m_width; }
    void setWidth(double width) { m_width = width; }
    const std::shared_ptr<View>& customView() const { return m_customView; }
    const std::string& title() const { return m_title; }
    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);

    // What the bar shows: the custom view, or a button made on first use;
    // null for a fixed space.
    std::shared_ptr<View> view();

private:
    struct FixedSpaceTag { };

public:
    BarButtonItem(FixedSpaceTag, double width);

private:
    bool m_fixedSpace = false;
    double m_width = 0;
    std::shared_ptr<View> m_customView;
    std::string m_title;
    std::function<void()> m_action;
    bool m_enabled = true;
    std::shared_ptr<Button> m_button;
};

} // namespace kit
