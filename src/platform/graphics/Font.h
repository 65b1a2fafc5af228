#pragma once

#include <string>

namespace graphics {

// A font value: family, size in points and weight. The screens only ask for
// the system font and its bold face; both map to one family that has the
// Chinese glyphs, so measuring and painting agree on every text.
class Font {
public:
    static constexpr const char* SystemFamily = "WenQuanYi Micro Hei";

    Font() = default;
    Font(std::string family, double size, bool bold = false);

    static Font systemFont(double size) { return Font(SystemFamily, size, false); }
    static Font boldSystemFont(double size) { return Font(SystemFamily, size, true); }

    const std::string& family() const { return m_family; }
    double pointSize() const { return m_pointSize; }
    bool isBold() const { return m_bold; }

    friend bool operator==(const Font&, const Font&) = default;

private:
    std::string m_family = SystemFamily;
    double m_pointSize = 17;
    bool m_bold = false;
};

} // namespace graphics
