#pragma once

#include "platform/graphics/DrawingContext.h"

#include <vector>

typedef struct _cairo cairo_t;

namespace graphics {

// Paints on a cairo context (a PNG surface in the renderer). Transforms that
// cannot be inverted (a scale by zero) are ignored rather than handed to
// cairo, which would otherwise refuse every later drawing call on the
// context; non-finite coordinates are dropped for the same reason.
class CairoDrawingContext final : public DrawingContext {
public:
    explicit CairoDrawingContext(cairo_t* cairo);
    ~CairoDrawingContext() override;
    CairoDrawingContext(const CairoDrawingContext&) = delete;
    CairoDrawingContext& operator=(const CairoDrawingContext&) = delete;

    cairo_t* cairo() const { return m_cairo; }

    void saveGState() override;
    void restoreGState() override;
    void translate(double dx, double dy) override;
    void scale(double sx, double sy) override;
    void concat(const AffineTransform& transform) override;
    void setAlpha(double alpha) override;

    void setFillColor(const Color& color) override;
    void setStrokeColor(const Color& color) override;
    void setLineWidth(double width) override;
    void setLineCap(LineCap cap) override;

    void beginPath() override;
    void moveTo(Point p) override;
    void lineTo(Point p) override;
    void addArc(Point center, double radius, double startAngle, double endAngle, bool clockwise) override;
    void addArcToPoint(Point p1, Point p2, double radius) override;
    void addRect(const Rect& rect) override;
    void addEllipseInRect(const Rect& rect) override;
    void closePath() override;

    void fillPath() override;
    void strokePath() override;
    void clip() override;

    void drawRadialGradient(
        const std::vector<GradientStop>& stops, Point center, double startRadius, double endRadius) override;
    void drawImage(const Image& image, const Rect& rect) override;
    void drawText(std::string_view text, Point at, const Font& font, const Color& color) override;
    void drawTextInRect(std::string_view text, const Rect& rect, const TextStyle& style) override;

private:
    struct State {
        Color fill = Color::black();
        Color stroke = Color::black();
        double alpha = 1;
    };
    State& state() { return m_states.back(); }
    void setSource(const Color& color);

    cairo_t* m_cairo;
    std::vector<State> m_states { State {} };
};

} // namespace graphics
