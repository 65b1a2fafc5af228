#pragma once

#include "platform/graphics/Font.h"
#include "platform/graphics/Geometry.h"

#include <memory>
#include <string_view>

namespace graphics {

// Text sizes decide where the screens place amounts and how big the
// overlays and toasts get, so measuring sits behind an interface: pango in
// the program, a deterministic fake where tests check positions.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;

    // One line per "\n"-separated line, no wrapping: the natural size.
    virtual Size sizeOfText(std::string_view text, const Font& font) const = 0;
    // Wrapped at bounds.width (at word boundaries where possible, else at
    // characters), keeping only the lines that fit in bounds.height (at
    // least one). The width is that of the widest kept line.
    virtual Size boundingSize(std::string_view text, const Font& font, Size bounds) const = 0;
    // The height of one line of the font.
    virtual double lineHeight(const Font& font) const = 0;
    // Where a caret before UTF-16 unit `index` stands in the text laid out
    // from its left edge: x along its line and the top of that line. On one
    // line when `width` is negative, else wrapped at `width` as
    // boundingSize wraps.
    virtual Point caretPosition(
        std::string_view text, std::size_t index, const Font& font, double width) const = 0;

    // The measurer the views use. Starts as the pango one; tests put the
    // fake in place.
    static std::shared_ptr<TextMeasurer> shared();
    static void setShared(std::shared_ptr<TextMeasurer> measurer);
};

} // namespace graphics
