#include "platform/graphics/Color.h"

#include <algorithm>
#include <cmath>

namespace graphics {

namespace {

double unit(double v)
{
    if (!std::isfinite(v))
        return v > 0 ? 1.0 : 0.0;
    return std::clamp(v, 0.0, 1.0);
}

std::uint32_t byte(double v)
{
    return static_cast<std::uint32_t>(std::lround(unit(v) * 255.0));
}

} // namespace

Color::Color(double red, double green, double blue, double alpha)
    : m_red(unit(red))
    , m_green(unit(green))
    , m_blue(unit(blue))
    , m_alpha(unit(alpha))
{
}

Color Color::fromRgb24(std::uint32_t rgb)
{
    return { ((rgb >> 16) & 0xff) / 255.0, ((rgb >> 8) & 0xff) / 255.0, (rgb & 0xff) / 255.0, 1.0 };
}

std::uint32_t Color::premultipliedArgb() const
{
    return byte(m_alpha) << 24 | byte(m_red * m_alpha) << 16 | byte(m_green * m_alpha) << 8
        | byte(m_blue * m_alpha);
}

Color Color::fromPremultipliedArgb(std::uint32_t argb)
{
    double a = ((argb >> 24) & 0xff) / 255.0;
    if (a == 0)
        return clear();
    return { ((argb >> 16) & 0xff) / 255.0 / a, ((argb >> 8) & 0xff) / 255.0 / a, (argb & 0xff) / 255.0 / a,
        a };
}

void premultiplyArgb(std::span<std::uint32_t> pixels)
{
    for (std::uint32_t& p : pixels) {
        std::uint32_t const a = p >> 24;
        if (a == 255)
            continue;
        auto mul = [a](std::uint32_t c) { return (c * a + 127) / 255; };
        p = a << 24 | mul((p >> 16) & 0xff) << 16 | mul((p >> 8) & 0xff) << 8 | mul(p & 0xff);
    }
}

bool allOpaque(std::span<const std::uint32_t> pixels)
{
    return std::all_of(pixels.begin(), pixels.end(), [](std::uint32_t p) { return p >> 24 == 0xff; });
}

} // namespace graphics
