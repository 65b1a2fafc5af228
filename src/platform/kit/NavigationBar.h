#pragma once

#include "platform/graphics/Font.h"
#include "platform/graphics/Image.h"
#include "platform/kit/View.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace kit {

class Button;
class Label;
class NavigationItem;

// The phone toolkit's numbering: 2 is black translucent.
enum class BarStyle { Default = 0, Black = 1, BlackTranslucent = 2 };

// The bar across the top of a navigation stack, status bar included. Its
// look (background image, style, colours) belongs to the bar, not to the
// screen, so the last screen that set it wins. It shows the top item's
// title or title view and its bar button items.
class NavigationBar : public View {
public:
    static constexpr double statusBarHeight = 20;
    static constexpr double barHeight = 44;
    static constexpr double height = statusBarHeight + barHeight;
    // Distance of the outermost item from the edge before fixed spaces.
    static constexpr double edgeMargin = 16;

    NavigationBar();

    // For the default bar metrics, the only ones the screens use.
    const std::shared_ptr<const graphics::Image>& backgroundImage() const { return m_backgroundImage; }
    void setBackgroundImage(std::shared_ptr<const graphics::Image> image);
    BarStyle barStyle() const { return m_barStyle; }
    void setBarStyle(BarStyle style);
    std::optional<graphics::Color> barTintColor() const { return m_barTintColor; }
    void setBarTintColor(const std::optional<graphics::Color>& color);
    bool isTranslucent() const { return m_translucent; }
    void setTranslucent(bool translucent) { m_translucent = translucent; }
    // The title text attributes.
    std::optional<graphics::Color> titleTextColor() const { return m_titleTextColor; }
    void setTitleTextColor(const std::optional<graphics::Color>& color);
    std::optional<graphics::Font> titleFont() const { return m_titleFont; }
    void setTitleFont(const std::optional<graphics::Font>& font);

    const std::vector<std::shared_ptr<NavigationItem>>& items() const { return m_items; }
    std::shared_ptr<NavigationItem> topItem() const { return m_items.empty() ? nullptr : m_items.back(); }
    std::shared_ptr<NavigationItem> backItem() const;
    void setItems(std::vector<std::shared_ptr<NavigationItem>> items);
    // Pressed when the top item has no left items of its own.
    void setBackAction(std::function<void()> action) { m_backAction = std::move(action); }

    // The label showing the top item's title when it has no title view.
    std::shared_ptr<Label> titleLabel() const { return m_titleLabel; }
    // The default back button, while shown.
    std::shared_ptr<Button> backButton() const { return m_backButton; }

    void layoutSubviews() override;

private:
    void placeItems();

    std::shared_ptr<const graphics::Image> m_backgroundImage;
    BarStyle m_barStyle = BarStyle::Default;
    std::optional<graphics::Color> m_barTintColor;
    bool m_translucent = true;
    std::optional<graphics::Color> m_titleTextColor;
    std::optional<graphics::Font> m_titleFont;
    std::vector<std::shared_ptr<NavigationItem>> m_items;
    std::function<void()> m_backAction;
    std::vector<std::shared_ptr<View>> m_placed;
    std::shared_ptr<Label> m_titleLabel;
    std::shared_ptr<Button> m_backButton;
};

} // namespace kit
