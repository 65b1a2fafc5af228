#include "ui/ColorUtil.h"

#include <charconv>

namespace {

unsigned component(std::string_view hex, std::size_t index)
{
    if (hex.size() < index + 2)
        return 0;
    std::string_view pair = hex.substr(index, 2);
    unsigned value = 0;
    auto [end, error] = std::from_chars(pair.data(), pair.data() + pair.size(), value, 16);
    if (error != std::errc() || end != pair.data() + pair.size())
        return 0;
    return value;
}

} // namespace

graphics::Color ColorUtil::getUIColorByHex(std::string_view hex)
{
    return { component(hex, 0) / 255.0, component(hex, 2) / 255.0, component(hex, 4) / 255.0, 1.0 };
}

std::shared_ptr<const graphics::Image> ColorUtil::getUIImageByUIColor(const graphics::Color& color)
{
    return graphics::Image::fromColor(color, { 1, 1 });
}
