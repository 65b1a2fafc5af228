#include "platform/kit/TabBarItem.h"

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
