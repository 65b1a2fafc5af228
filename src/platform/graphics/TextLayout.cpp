#include "platform/graphics/TextLayout.h"

#include <algorithm>
#include <cairo.h>
#include <cmath>
#include <pango/pangocairo.h>
#include <string>

namespace graphics {

namespace {

guint16 channel(double v)
{
    return static_cast<guint16>(std::lround(v * 65535.0));
}

// Clamped: a caller's "no limit" (a huge height) must stay a huge limit, not
// wrap round to a small or negative one (which pango reads as a line count).
int pangoUnits(double points)
{
    double units = std::round(points * PANGO_SCALE);
    if (!(units < static_cast<double>(G_MAXINT)))
        return G_MAXINT;
    return static_cast<int>(std::max(units, static_cast<double>(G_MININT)));
}

} // namespace

std::size_t TextLayout::byteOffsetOfUtf16(std::string_view text, std::size_t units)
{
    std::size_t bytes = 0;
    std::size_t counted = 0;
    while (bytes < text.size() && counted < units) {
        auto lead = static_cast<unsigned char>(text[bytes]);
        std::size_t length = lead < 0x80 ? 1 : lead < 0xe0 ? 2 : lead < 0xf0 ? 3 : 4;
        counted += length == 4 ? 2 : 1;
        bytes = std::min(text.size(), bytes + length);
    }
    return bytes;
}

void TextLayout::configureContext(PangoContext* context)
{
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);
    pango_context_set_round_glyph_positions(context, FALSE);
}

PangoFontDescription* TextLayout::createFontDescription(const Font& font)
{
    PangoFontDescription* description = pango_font_description_new();
    pango_font_description_set_family(description, font.family().c_str());
    pango_font_description_set_absolute_size(description, font.pointSize() * PANGO_SCALE);
    pango_font_description_set_weight(description, font.isBold() ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
    return description;
}

void TextLayout::apply(PangoLayout* layout, std::string_view text, const Font& font, const Options& options)
{
    // Server texts may carry broken UTF-8; pango would drop the whole text.
    gchar* valid = g_utf8_make_valid(text.data(), static_cast<gssize>(text.size()));
    std::string_view validText(valid);
    pango_layout_set_text(layout, valid, -1);

    PangoFontDescription* description = createFontDescription(font);
    pango_layout_set_font_description(layout, description);
    pango_font_description_free(description);

    if (options.width >= 0) {
        pango_layout_set_width(layout, pangoUnits(options.width));
        pango_layout_set_wrap(layout, PANGO_WRAP_WORD_CHAR);
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
        if (options.numberOfLines > 0)
            pango_layout_set_height(layout, -options.numberOfLines);
        else if (options.height >= 0)
            pango_layout_set_height(layout, pangoUnits(options.height));
        else
            pango_layout_set_height(layout, G_MAXINT);
    } else {
        pango_layout_set_width(layout, -1);
        pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_NONE);
    }
    switch (options.alignment) {
    case TextAlignment::Left:
        pango_layout_set_alignment(layout, PANGO_ALIGN_LEFT);
        break;
    case TextAlignment::Center:
        pango_layout_set_alignment(layout, PANGO_ALIGN_CENTER);
        break;
    case TextAlignment::Right:
        pango_layout_set_alignment(layout, PANGO_ALIGN_RIGHT);
        break;
    }

    PangoAttrList* attributes = pango_attr_list_new();
    if (options.runs) {
        for (const ColorRun& run : *options.runs) {
            std::size_t start = byteOffsetOfUtf16(validText, run.location);
            std::size_t end
                = byteOffsetOfUtf16(validText, run.location + std::min(run.length, SIZE_MAX - run.location));
            if (start >= end)
                continue;
            PangoAttribute* colour = pango_attr_foreground_new(
                channel(run.color.red()), channel(run.color.green()), channel(run.color.blue()));
            colour->start_index = static_cast<guint>(start);
            colour->end_index = static_cast<guint>(end);
            pango_attr_list_insert(attributes, colour);
            PangoAttribute* alpha = pango_attr_foreground_alpha_new(channel(run.color.alpha()));
            alpha->start_index = static_cast<guint>(start);
            alpha->end_index = static_cast<guint>(end);
            pango_attr_list_insert(attributes, alpha);
        }
    }
    pango_layout_set_attributes(layout, attributes);
    pango_attr_list_unref(attributes);
    g_free(valid);
}

Size TextLayout::size(PangoLayout* layout, std::string_view text)
{
    if (text.empty())
        return {};
    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    return { static_cast<double>(logical.width) / PANGO_SCALE,
        static_cast<double>(logical.height) / PANGO_SCALE };
}

} // namespace graphics
