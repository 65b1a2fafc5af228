#pragma once

#include <cstdint>
#include <span>

namespace graphics {

// An RGBA colour with float components in 0..1, not premultiplied.
// Components are clamped on construction so a bad value from a server colour
// text or a computation can never reach the painter as NaN or out of range.
class Color {
public:
    constexpr Color() = default;
    Color(double red, double green, double blue, double alpha = 1.0);

    static Color fromWhite(double white, double alpha = 1.0) { return { white, white, white, alpha }; }
    // 0xRRGGBB, alpha 1: the form the screens' hexadecimal colour texts take.
    static Color fromRgb24(std::uint32_t rgb);

    static Color clear() { return { 0, 0, 0, 0 }; }
    static Color white() { return { 1, 1, 1, 1 }; }
    static Color black() { return { 0, 0, 0, 1 }; }
    // The three primaries carry the platform's own names because red(),
    // green() and blue() read the components.
    static Color redColor() { return { 1, 0, 0, 1 }; }
    static Color greenColor() { return { 0, 1, 0, 1 }; }
    static Color blueColor() { return { 0, 0, 1, 1 }; }
    static Color brown() { return { 0.6, 0.4, 0.2, 1 }; }
    static Color darkGray() { return fromWhite(1.0 / 3.0); }
    static Color gray() { return fromWhite(0.5); }
    static Color lightGray() { return fromWhite(2.0 / 3.0); }

    double red() const { return m_red; }
    double green() const { return m_green; }
    double blue() const { return m_blue; }
    double alpha() const { return m_alpha; }

    Color withAlpha(double alpha) const { return { m_red, m_green, m_blue, alpha }; }
    bool isClear() const { return m_alpha <= 0; }

    // Premultiplied 0xAARRGGBB, the pixel layout of the image buffers.
    std::uint32_t premultipliedArgb() const;
    // The inverse of premultipliedArgb, for reading pixels back.
    static Color fromPremultipliedArgb(std::uint32_t argb);

    friend bool operator==(const Color&, const Color&) = default;

private:
    double m_red = 0;
    double m_green = 0;
    double m_blue = 0;
    double m_alpha = 0;
};

// Straight 0xAARRGGBB words, as the decoders read them, premultiplied in
// place.
void premultiplyArgb(std::span<std::uint32_t> pixels);
// Whether every word has full alpha.
bool allOpaque(std::span<const std::uint32_t> pixels);

} // namespace graphics
