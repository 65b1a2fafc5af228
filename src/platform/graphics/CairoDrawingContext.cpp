#include "platform/graphics/CairoDrawingContext.h"

#include "platform/graphics/Image.h"
#include "platform/graphics/TextLayout.h"

#include <cairo.h>
#include <cmath>
#include <memory>
#include <numbers>
#include <pango/pangocairo.h>

namespace graphics {

namespace {

bool finite(Point p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}
bool finite(const Rect& r)
{
    return finite(r.origin) && std::isfinite(r.size.width) && std::isfinite(r.size.height);
}

struct LayoutDeleter {
    void operator()(PangoLayout* layout) const { g_object_unref(layout); }
};

std::unique_ptr<PangoLayout, LayoutDeleter> createLayout(cairo_t* cairo)
{
    std::unique_ptr<PangoLayout, LayoutDeleter> layout(pango_cairo_create_layout(cairo));
    TextLayout::configureContext(pango_layout_get_context(layout.get()));
    pango_layout_context_changed(layout.get());
    return layout;
}

// Maps the bitmap's unit square onto the shown one: a quarter turn left
// shows the bitmap's top edge on the left, mirrored variants flip the result
// horizontally.
cairo_matrix_t orientationMatrix(Image::Orientation orientation)
{
    cairo_matrix_t m;
    switch (orientation) {
    case Image::Orientation::Up:
        cairo_matrix_init(&m, 1, 0, 0, 1, 0, 0);
        break;
    case Image::Orientation::Down:
        cairo_matrix_init(&m, -1, 0, 0, -1, 1, 1);
        break;
    case Image::Orientation::Left:
        cairo_matrix_init(&m, 0, -1, 1, 0, 0, 1);
        break;
    case Image::Orientation::Right:
        cairo_matrix_init(&m, 0, 1, -1, 0, 1, 0);
        break;
    case Image::Orientation::UpMirrored:
        cairo_matrix_init(&m, -1, 0, 0, 1, 1, 0);
        break;
    case Image::Orientation::DownMirrored:
        cairo_matrix_init(&m, 1, 0, 0, -1, 0, 1);
        break;
    case Image::Orientation::LeftMirrored:
        cairo_matrix_init(&m, 0, -1, -1, 0, 1, 1);
        break;
    case Image::Orientation::RightMirrored:
        cairo_matrix_init(&m, 0, 1, 1, 0, 0, 0);
        break;
    }
    return m;
}

} // namespace

CairoDrawingContext::CairoDrawingContext(cairo_t* cairo)
    : m_cairo(cairo_reference(cairo))
{
}

CairoDrawingContext::~CairoDrawingContext()
{
    cairo_destroy(m_cairo);
}

void CairoDrawingContext::saveGState()
{
    cairo_save(m_cairo);
    m_states.push_back(state());
}

void CairoDrawingContext::restoreGState()
{
    // An unbalanced restore would put cairo into its error state for good.
    if (m_states.size() <= 1)
        return;
    m_states.pop_back();
    cairo_restore(m_cairo);
}

void CairoDrawingContext::translate(double dx, double dy)
{
    if (std::isfinite(dx) && std::isfinite(dy))
        cairo_translate(m_cairo, dx, dy);
}

void CairoDrawingContext::scale(double sx, double sy)
{
    if (std::isfinite(sx) && std::isfinite(sy) && sx != 0 && sy != 0)
        cairo_scale(m_cairo, sx, sy);
}

void CairoDrawingContext::concat(const AffineTransform& t)
{
    double det = t.a * t.d - t.b * t.c;
    if (!std::isfinite(det) || det == 0 || !std::isfinite(t.tx) || !std::isfinite(t.ty))
        return;
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, t.a, t.b, t.c, t.d, t.tx, t.ty);
    cairo_transform(m_cairo, &matrix);
}

void CairoDrawingContext::setAlpha(double alpha)
{
    state().alpha = Color(0, 0, 0, alpha).alpha();
}

void CairoDrawingContext::setFillColor(const Color& color)
{
    state().fill = color;
}

void CairoDrawingContext::setStrokeColor(const Color& color)
{
    state().stroke = color;
}

void CairoDrawingContext::setLineWidth(double width)
{
    if (std::isfinite(width) && width >= 0)
        cairo_set_line_width(m_cairo, width);
}

void CairoDrawingContext::setLineCap(LineCap cap)
{
    switch (cap) {
    case LineCap::Butt:
        cairo_set_line_cap(m_cairo, CAIRO_LINE_CAP_BUTT);
        break;
    case LineCap::Round:
        cairo_set_line_cap(m_cairo, CAIRO_LINE_CAP_ROUND);
        break;
    case LineCap::Square:
        cairo_set_line_cap(m_cairo, CAIRO_LINE_CAP_SQUARE);
        break;
    }
}

void CairoDrawingContext::beginPath()
{
    cairo_new_path(m_cairo);
}

void CairoDrawingContext::moveTo(Point p)
{
    if (finite(p))
        cairo_move_to(m_cairo, p.x, p.y);
}

void CairoDrawingContext::lineTo(Point p)
{
    if (finite(p))
        cairo_line_to(m_cairo, p.x, p.y);
}

void CairoDrawingContext::addArc(
    Point center, double radius, double startAngle, double endAngle, bool clockwise)
{
    if (!finite(center) || !std::isfinite(radius) || !std::isfinite(startAngle) || !std::isfinite(endAngle))
        return;
    radius = std::abs(radius);
    // y grows downwards, so the phone toolkit's "clockwise" flag is set for
    // the sweep of decreasing angle.
    if (clockwise)
        cairo_arc_negative(m_cairo, center.x, center.y, radius, startAngle, endAngle);
    else
        cairo_arc(m_cairo, center.x, center.y, radius, startAngle, endAngle);
}

void CairoDrawingContext::addArcToPoint(Point p1, Point p2, double radius)
{
    if (!finite(p1) || !finite(p2) || !std::isfinite(radius))
        return;
    if (!cairo_has_current_point(m_cairo)) {
        cairo_move_to(m_cairo, p1.x, p1.y);
        return;
    }
    double x0, y0;
    cairo_get_current_point(m_cairo, &x0, &y0);
    Point p0 { x0, y0 };
    Point v1 = p0 - p1;
    Point v2 = p2 - p1;
    double l1 = std::hypot(v1.x, v1.y);
    double l2 = std::hypot(v2.x, v2.y);
    double cross = v1.x * v2.y - v1.y * v2.x;
    // Coincident points, a straight line or no radius: the corner itself.
    if (radius <= 0 || l1 == 0 || l2 == 0 || std::abs(cross) < 1e-12 * l1 * l2) {
        cairo_line_to(m_cairo, p1.x, p1.y);
        return;
    }
    Point u1 { v1.x / l1, v1.y / l1 };
    Point u2 { v2.x / l2, v2.y / l2 };
    double angle = std::acos(std::clamp(u1.x * u2.x + u1.y * u2.y, -1.0, 1.0));
    double tangent = radius / std::tan(angle / 2);
    double toCenter = radius / std::sin(angle / 2);
    Point bisector { u1.x + u2.x, u1.y + u2.y };
    double lb = std::hypot(bisector.x, bisector.y);
    Point center { p1.x + bisector.x / lb * toCenter, p1.y + bisector.y / lb * toCenter };
    Point t1 { p1.x + u1.x * tangent, p1.y + u1.y * tangent };
    Point t2 { p1.x + u2.x * tangent, p1.y + u2.y * tangent };
    double start = std::atan2(t1.y - center.y, t1.x - center.x);
    double end = std::atan2(t2.y - center.y, t2.x - center.x);
    cairo_line_to(m_cairo, t1.x, t1.y);
    // Turning right on screen (y down) is the sweep of increasing angle.
    if (cross < 0)
        cairo_arc(m_cairo, center.x, center.y, radius, start, end);
    else
        cairo_arc_negative(m_cairo, center.x, center.y, radius, start, end);
}

void CairoDrawingContext::addRect(const Rect& rect)
{
    if (finite(rect))
        cairo_rectangle(m_cairo, rect.x(), rect.y(), rect.width(), rect.height());
}

void CairoDrawingContext::addEllipseInRect(const Rect& rect)
{
    Rect r = rect.standardized();
    if (!finite(r) || r.width() <= 0 || r.height() <= 0)
        return;
    cairo_matrix_t saved;
    cairo_get_matrix(m_cairo, &saved);
    cairo_new_sub_path(m_cairo);
    cairo_translate(m_cairo, r.midX(), r.midY());
    cairo_scale(m_cairo, r.width() / 2, r.height() / 2);
    cairo_arc(m_cairo, 0, 0, 1, 0, 2 * std::numbers::pi);
    cairo_close_path(m_cairo);
    cairo_set_matrix(m_cairo, &saved);
}

void CairoDrawingContext::closePath()
{
    cairo_close_path(m_cairo);
}

void CairoDrawingContext::setSource(const Color& color)
{
    cairo_set_source_rgba(m_cairo, color.red(), color.green(), color.blue(), color.alpha() * state().alpha);
}

void CairoDrawingContext::fillPath()
{
    setSource(state().fill);
    cairo_fill(m_cairo);
}

void CairoDrawingContext::strokePath()
{
    setSource(state().stroke);
    cairo_stroke(m_cairo);
}

void CairoDrawingContext::clip()
{
    cairo_clip(m_cairo);
}

void CairoDrawingContext::drawRadialGradient(
    const std::vector<GradientStop>& stops, Point center, double startRadius, double endRadius)
{
    if (stops.empty() || !finite(center) || !std::isfinite(startRadius) || !std::isfinite(endRadius))
        return;
    cairo_pattern_t* pattern = cairo_pattern_create_radial(
        center.x, center.y, std::abs(startRadius), center.x, center.y, std::abs(endRadius));
    for (const GradientStop& stop : stops) {
        const Color& c = stop.color;
        cairo_pattern_add_color_stop_rgba(pattern, std::clamp(stop.location, 0.0, 1.0), c.red(), c.green(),
            c.blue(), c.alpha() * state().alpha);
    }
    cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
    cairo_set_source(m_cairo, pattern);
    cairo_paint(m_cairo);
    cairo_pattern_destroy(pattern);
}

void CairoDrawingContext::drawImage(const Image& image, const Rect& rect)
{
    Rect r = rect.standardized();
    if (!finite(r) || r.width() <= 0 || r.height() <= 0)
        return;
    int w = image.pixelWidth();
    int h = image.pixelHeight();
    // The buffer is only read: cairo never writes to a source surface.
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(const_cast<std::uint32_t*>(image.pixels())), CAIRO_FORMAT_ARGB32, w,
        h, w * 4);
    cairo_save(m_cairo);
    cairo_rectangle(m_cairo, r.x(), r.y(), r.width(), r.height());
    cairo_clip(m_cairo);
    // Through the unit square: the bitmap's, turned to the orientation,
    // stretched over the rectangle.
    cairo_translate(m_cairo, r.x(), r.y());
    cairo_scale(m_cairo, r.width(), r.height());
    cairo_matrix_t turn = orientationMatrix(image.orientation());
    cairo_transform(m_cairo, &turn);
    cairo_scale(m_cairo, 1.0 / w, 1.0 / h);
    cairo_set_source_surface(m_cairo, surface, 0, 0);
    // Stretching a one-pixel background must not fade towards its edges.
    cairo_pattern_set_extend(cairo_get_source(m_cairo), CAIRO_EXTEND_PAD);
    cairo_paint_with_alpha(m_cairo, state().alpha);
    cairo_restore(m_cairo);
    cairo_surface_destroy(surface);
}

void CairoDrawingContext::drawText(std::string_view text, Point at, const Font& font, const Color& color)
{
    if (text.empty() || !finite(at))
        return;
    auto layout = createLayout(m_cairo);
    TextLayout::apply(layout.get(), text, font, {});
    cairo_save(m_cairo);
    setSource(color);
    cairo_move_to(m_cairo, at.x, at.y);
    pango_cairo_show_layout(m_cairo, layout.get());
    cairo_restore(m_cairo);
}

void CairoDrawingContext::drawTextInRect(std::string_view text, const Rect& rect, const TextStyle& style)
{
    Rect r = rect.standardized();
    if (text.empty() || !finite(r) || r.width() <= 0 || r.height() <= 0)
        return;
    auto layout = createLayout(m_cairo);
    TextLayout::Options options;
    options.width = r.width();
    options.height = r.height();
    options.numberOfLines = style.numberOfLines;
    options.alignment = style.alignment;
    options.runs = &style.runs;
    TextLayout::apply(layout.get(), text, style.font, options);
    Size size = TextLayout::size(layout.get(), text);
    cairo_save(m_cairo);
    cairo_rectangle(m_cairo, r.x(), r.y(), r.width(), r.height());
    cairo_clip(m_cairo);
    // Colour runs carry their own alpha, so a faded label is painted whole
    // and then faded, rather than fading only its base colour.
    bool faded = state().alpha < 1;
    if (faded)
        cairo_push_group(m_cairo);
    cairo_set_source_rgba(
        m_cairo, style.color.red(), style.color.green(), style.color.blue(), style.color.alpha());
    cairo_move_to(m_cairo, r.x(), style.centeredVertically ? r.y() + (r.height() - size.height) / 2 : r.y());
    pango_cairo_show_layout(m_cairo, layout.get());
    if (faded) {
        cairo_pop_group_to_source(m_cairo);
        cairo_paint_with_alpha(m_cairo, state().alpha);
    }
    cairo_restore(m_cairo);
}

} // namespace graphics
