#pragma once

#include "platform/graphics/TextMeasurer.h"

namespace graphics {

// Deterministic metrics for tests that check positions: every ASCII
// character advances 0.5 x the point size, every other character 1.0 x, and a
// line is 1.2 x the point size high. Wrapping breaks after the last space
// that fits, else between characters; the caret's place leaves it out.
class FakeTextMeasurer final : public TextMeasurer {
public:
    Size sizeOfText(std::string_view text, const Font& font) const override;
    Size boundingSize(std::string_view text, const Font& font, Size bounds) const override;
    double lineHeight(const Font& font) const override;
    Point caretPosition(
        std::string_view text, std::size_t index, const Font& font, double width) const override;

    static double advance(char32_t c, const Font& font);
};

} // namespace graphics
