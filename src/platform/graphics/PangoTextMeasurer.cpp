#include "platform/graphics/PangoTextMeasurer.h"

#include "platform/graphics/TextLayout.h"

#include <pango/pangocairo.h>

namespace graphics {

namespace {

struct LayoutDeleter {
    void operator()(PangoLayout* layout) const { g_object_unref(layout); }
};

} // namespace

PangoTextMeasurer::PangoTextMeasurer()
    : m_fontMap(pango_cairo_font_map_new())
    , m_context(pango_font_map_create_context(m_fontMap))
{
    TextLayout::configureContext(m_context);
}

PangoTextMeasurer::~PangoTextMeasurer()
{
    g_object_unref(m_context);
    g_object_unref(m_fontMap);
}

Size PangoTextMeasurer::sizeOfText(std::string_view text, const Font& font) const
{
    std::lock_guard lock(m_mutex);
    std::unique_ptr<PangoLayout, LayoutDeleter> layout(pango_layout_new(m_context));
    TextLayout::apply(layout.get(), text, font, {});
    return TextLayout::size(layout.get(), text);
}

Size PangoTextMeasurer::boundingSize(std::string_view text, const Font& font, Size bounds) const
{
    std::lock_guard lock(m_mutex);
    std::unique_ptr<PangoLayout, LayoutDeleter> layout(pango_layout_new(m_context));
    TextLayout::Options options;
    options.width = std::max(0.0, bounds.width);
    options.height = std::max(0.0, bounds.height);
    TextLayout::apply(layout.get(), text, font, options);
    return TextLayout::size(layout.get(), text);
}

double PangoTextMeasurer::lineHeight(const Font& font) const
{
    std::lock_guard lock(m_mutex);
    std::unique_ptr<PangoLayout, LayoutDeleter> layout(pango_layout_new(m_context));
    TextLayout::apply(layout.get(), "X", font, {});
    return TextLayout::size(layout.get(), "X").height;
}

Point PangoTextMeasurer::caretPosition(
    std::string_view text, std::size_t index, const Font& font, double width) const
{
    std::lock_guard lock(m_mutex);
    std::unique_ptr<PangoLayout, LayoutDeleter> layout(pango_layout_new(m_context));
    TextLayout::Options options;
    options.width = width;
    TextLayout::apply(layout.get(), text, font, options);
    PangoRectangle place;
    // Counted in the text the layout holds, which broken UTF-8 leaves mended.
    std::size_t byte = TextLayout::byteOffsetOfUtf16(pango_layout_get_text(layout.get()), index);
    pango_layout_index_to_pos(layout.get(), static_cast<int>(byte), &place);
    return { static_cast<double>(place.x) / PANGO_SCALE, static_cast<double>(place.y) / PANGO_SCALE };
}

} // namespace graphics
