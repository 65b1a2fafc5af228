#pragma once

#include "platform/graphics/Color.h"
#include "platform/graphics/DrawingContext.h"
#include "platform/graphics/Font.h"

#include <optional>
#include <string>
#include <vector>

namespace kit {

// A text with foreground colours over UTF-16 ranges, as the screens build
// it (a line in one colour with the amounts in another).
class AttributedString {
public:
    AttributedString() = default;
    explicit AttributedString(std::string text, std::optional<graphics::Font> font = std::nullopt);

    const std::string& string() const { return m_text; }
    std::size_t length() const;
    const std::optional<graphics::Font>& font() const { return m_font; }
    void setFont(const graphics::Font& font) { m_font = font; }

    // A range that runs past the end is cut at the end; one that starts
    // past it is ignored, so a wrong count never reaches the painter.
    void addColor(const graphics::Color& color, std::size_t location, std::size_t length);
    const std::vector<graphics::ColorRun>& colorRuns() const { return m_runs; }
    // The colour at a UTF-16 position: the last run covering it, else `base`.
    graphics::Color colorAt(std::size_t location, const graphics::Color& base) const;

private:
    std::string m_text;
    std::optional<graphics::Font> m_font;
    std::vector<graphics::ColorRun> m_runs;
};

} // namespace kit
