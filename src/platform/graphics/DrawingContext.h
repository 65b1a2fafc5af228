#pragma once

#include "platform/graphics/Color.h"
#include "platform/graphics/Font.h"
#include "platform/graphics/Geometry.h"

#include <cstddef>
#include <memory>
#include <string_view>
#include <vector>

namespace graphics {

class Image;

enum class LineCap { Butt, Round, Square };
enum class TextAlignment { Left, Center, Right };

// A colour over [location, location + length) of a text, counted in UTF-16
// units like every range the screens compute.
struct ColorRun {
    std::size_t location = 0;
    std::size_t length = 0;
    Color color;
};

struct TextStyle {
    Font font;
    Color color = Color::black();
    TextAlignment alignment = TextAlignment::Left;
    // 0 means as many as fit.
    int numberOfLines = 1;
    std::vector<ColorRun> runs;
    // Labels centre their text in their height; text views start at the top.
    bool centeredVertically = true;
};

struct GradientStop {
    double location = 0;
    Color color;
};

// What a view's drawRect: draws into. Coordinates are points, y down, with
// the phone toolkit's path and arc conventions: addArc with clockwise false
// sweeps with increasing angle. Painting state (colours, line width and cap,
// clip, transform) is saved and restored as a stack; the current path is
// not part of that state and is consumed by fill and stroke.
class DrawingContext {
public:
    virtual ~DrawingContext() = default;

    virtual void saveGState() = 0;
    virtual void restoreGState() = 0;
    virtual void translate(double dx, double dy) = 0;
    virtual void scale(double sx, double sy) = 0;
    virtual void concat(const AffineTransform& transform) = 0;
    // Multiplies into everything painted afterwards until restored.
    virtual void setAlpha(double alpha) = 0;

    virtual void setFillColor(const Color& color) = 0;
    virtual void setStrokeColor(const Color& color) = 0;
    virtual void setLineWidth(double width) = 0;
    virtual void setLineCap(LineCap cap) = 0;

    virtual void beginPath() = 0;
    virtual void moveTo(Point p) = 0;
    virtual void lineTo(Point p) = 0;
    virtual void addArc(Point center, double radius, double startAngle, double endAngle, bool clockwise) = 0;
    // The tangent arc of the phone toolkit: a line from the current point
    // towards p1, then an arc of the radius that turns towards p2.
    virtual void addArcToPoint(Point p1, Point p2, double radius) = 0;
    virtual void addRect(const Rect& rect) = 0;
    virtual void addEllipseInRect(const Rect& rect) = 0;
    virtual void closePath() = 0;
    void addRoundedRect(const Rect& rect, double radius);

    virtual void fillPath() = 0;
    virtual void strokePath() = 0;
    // Narrows the clip to the current path and consumes it.
    virtual void clip() = 0;

    void fillRect(const Rect& rect);
    void strokeRect(const Rect& rect);
    void fillEllipseInRect(const Rect& rect);
    void strokeEllipseInRect(const Rect& rect);
    void clipToRect(const Rect& rect);

    // Stops outside [startRadius, endRadius] take the nearest end colour
    // (the "draw after end location" behaviour the overlay uses).
    virtual void drawRadialGradient(
        const std::vector<GradientStop>& stops, Point center, double startRadius, double endRadius)
        = 0;
    // Scaled to fill the rectangle, turned to the image's orientation.
    virtual void drawImage(const Image& image, const Rect& rect) = 0;
    // One line with its top-left corner at the point.
    virtual void drawText(std::string_view text, Point at, const Font& font, const Color& color) = 0;
    // Wrapped to the rectangle's width, clipped to it, as a label shows
    // its text.
    virtual void drawTextInRect(std::string_view text, const Rect& rect, const TextStyle& style) = 0;

    // The context a drawRect: draws into, if any: the phone toolkit's
    // "current context", pushed by whoever calls drawRect:.
    static DrawingContext* current();

    class Push {
    public:
        explicit Push(DrawingContext& context);
        ~Push();
        Push(const Push&) = delete;
        Push& operator=(const Push&) = delete;

    private:
        DrawingContext* m_previous;
    };
};

} // namespace graphics
