#include "platform/kit/TabBarItem.h"

#include "platform/kit/TabBar.h"

#include <map>

namespace kit {

namespace {

std::map<ControlState, graphics::Color>& appearanceColors()
{
    static std::map<ControlState, graphics::Color> colors;
    return colors;
}

} // namespace

TabBarItem::TabBarItem(std::string title, ImagePtr image, ImagePtr selectedImage)
    : m_title(std::move(title))
    , m_image(std::move(image))
    , m_selectedImage(std::move(selectedImage))
{
}

void TabBarItem::setTitle(std::string title)
{
    m_title = std::move(title);
    notifyBars();
}

void TabBarItem::setImage(ImagePtr image)
{
    m_image = std::move(image);
    notifyBars();
}

void TabBarItem::setSelectedImage(ImagePtr image)
{
    m_selectedImage = std::move(image);
    notifyBars();
}

void TabBarItem::addBar(const std::shared_ptr<TabBar>& bar)
{
    std::erase_if(m_bars, [](const std::weak_ptr<TabBar>& weak) { return weak.expired(); });
    for (const auto& weak : m_bars) {
        if (weak.lock() == bar)
            return;
    }
    m_bars.push_back(bar);
}

void TabBarItem::removeBar(const TabBar* bar)
{
    std::erase_if(m_bars, [bar](const std::weak_ptr<TabBar>& weak) {
        auto strong = weak.lock();
        return !strong || strong.get() == bar;
    });
}

void TabBarItem::notifyBars()
{
    std::erase_if(m_bars, [](const std::weak_ptr<TabBar>& weak) { return weak.expired(); });
    // A copy: a refresh that hands a bar new items edits this list.
    for (const auto& weak : std::vector(m_bars)) {
        if (auto bar = weak.lock())
            bar->itemDidChange(*this);
    }
}

void TabBarItem::setAppearanceTitleColor(const std::optional<graphics::Color>& color, ControlState state)
{
    if (color)
        appearanceColors()[state] = *color;
    else
        appearanceColors().erase(state);
}

std::optional<graphics::Color> TabBarItem::appearanceTitleColor(ControlState state)
{
    auto& colors = appearanceColors();
    if (auto it = colors.find(state); it != colors.end())
        return it->second;
    return std::nullopt;
}

} // namespace kit
