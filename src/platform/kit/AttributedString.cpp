#include "platform/kit/AttributedString.h"

#include "platform/foundation/Strings.h"

#include <algorithm>

namespace kit {

AttributedString::AttributedString(std::string text, std::optional<graphics::Font> font)
    : m_text(std::move(text))
    , m_font(std::move(font))
{
}

std::size_t AttributedString::length() const
{
    return foundation::utf16Length(m_text);
}

void AttributedString::addColor(const graphics::Color& color, std::size_t location, std::size_t length)
{
    std::size_t total = this->length();
    if (location >= total || length == 0)
        return;
    m_runs.push_back({ location, std::min(length, total - location), color });
}

graphics::Color AttributedString::colorAt(std::size_t location, const graphics::Color& base) const
{
    graphics::Color result = base;
    for (const auto& run : m_runs) {
        if (location >= run.location && location < run.location + run.length)
            result = run.color;
    }
    return result;
}

} // namespace kit
