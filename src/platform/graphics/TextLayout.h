#pragma once

#include "platform/graphics/DrawingContext.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/Geometry.h"

#include <pango/pango.h>
#include <string_view>
#include <vector>

namespace graphics {

// Sets up the pango layouts of both the measurer and the cairo painter, so a
// text measures exactly as it paints.
class TextLayout {
public:
    struct Options {
        // Negative: no wrapping.
        double width = -1;
        // With wrapping: the lines that fit in this height (at least one),
        // the last one truncated. Negative: no height limit.
        double height = -1;
        // > 0 limits the lines instead of the height.
        int numberOfLines = 0;
        TextAlignment alignment = TextAlignment::Left;
        const std::vector<ColorRun>* runs = nullptr;
    };

    // Unhinted metrics and unrounded glyph positions: sizes must not depend
    // on the device scale of the surface painted on.
    static void configureContext(PangoContext* context);
    static void apply(PangoLayout* layout, std::string_view text, const Font& font, const Options& options);
    // The logical size in points; an empty text has no size.
    static Size size(PangoLayout* layout, std::string_view text);
    static PangoFontDescription* createFontDescription(const Font& font);
    // The byte offset of a UTF-16 position in valid UTF-8, clamped to the end.
    static std::size_t byteOffsetOfUtf16(std::string_view text, std::size_t units);
};

} // namespace graphics
