#include "platform/graphics/RecordingDrawingContext.h"

#include "platform/graphics/Image.h"

#include <cstdio>
#include <initializer_list>

namespace graphics {

namespace {

std::string numbers(std::initializer_list<double> values)
{
    std::string out;
    for (double v : values) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%g", v);
        if (!out.empty())
            out += ' ';
        out += buffer;
    }
    return out;
}

std::string colour(const Color& c)
{
    return numbers({ c.red(), c.green(), c.blue(), c.alpha() });
}

std::string rect(const Rect& r)
{
    return numbers({ r.x(), r.y(), r.width(), r.height() });
}

} // namespace

void RecordingDrawingContext::saveGState()
{
    record("save");
}
void RecordingDrawingContext::restoreGState()
{
    record("restore");
}
void RecordingDrawingContext::translate(double dx, double dy)
{
    record("translate " + numbers({ dx, dy }));
}
void RecordingDrawingContext::scale(double sx, double sy)
{
    record("scale " + numbers({ sx, sy }));
}

void RecordingDrawingContext::concat(const AffineTransform& t)
{
    record("concat " + numbers({ t.a, t.b, t.c, t.d, t.tx, t.ty }));
}

void RecordingDrawingContext::setAlpha(double alpha)
{
    record("alpha " + numbers({ alpha }));
}
void RecordingDrawingContext::setFillColor(const Color& color)
{
    record("fillColor " + colour(color));
}
void RecordingDrawingContext::setStrokeColor(const Color& color)
{
    record("strokeColor " + colour(color));
}
void RecordingDrawingContext::setLineWidth(double width)
{
    record("lineWidth " + numbers({ width }));
}

void RecordingDrawingContext::setLineCap(LineCap cap)
{
    record(cap == LineCap::Butt     ? "lineCap butt"
            : cap == LineCap::Round ? "lineCap round"
                                    : "lineCap square");
}

void RecordingDrawingContext::beginPath()
{
    record("beginPath");
}
void RecordingDrawingContext::moveTo(Point p)
{
    record("moveTo " + numbers({ p.x, p.y }));
}
void RecordingDrawingContext::lineTo(Point p)
{
    record("lineTo " + numbers({ p.x, p.y }));
}

void RecordingDrawingContext::addArc(
    Point c, double radius, double startAngle, double endAngle, bool clockwise)
{
    record("arc " + numbers({ c.x, c.y, radius, startAngle, endAngle }) + (clockwise ? " clockwise" : ""));
}

void RecordingDrawingContext::addArcToPoint(Point p1, Point p2, double radius)
{
    record("arcTo " + numbers({ p1.x, p1.y, p2.x, p2.y, radius }));
}

void RecordingDrawingContext::addRect(const Rect& r)
{
    record("rect " + rect(r));
}
void RecordingDrawingContext::addEllipseInRect(const Rect& r)
{
    record("ellipse " + rect(r));
}
void RecordingDrawingContext::closePath()
{
    record("closePath");
}
void RecordingDrawingContext::fillPath()
{
    record("fill");
}
void RecordingDrawingContext::strokePath()
{
    record("stroke");
}
void RecordingDrawingContext::clip()
{
    record("clip");
}

void RecordingDrawingContext::drawRadialGradient(
    const std::vector<GradientStop>& stops, Point center, double startRadius, double endRadius)
{
    std::string line = "radialGradient " + numbers({ center.x, center.y, startRadius, endRadius });
    for (const GradientStop& stop : stops)
        line += " | " + numbers({ stop.location }) + " " + colour(stop.color);
    record(line);
}

void RecordingDrawingContext::drawImage(const Image& image, const Rect& r)
{
    record("image " + std::to_string(image.pixelWidth()) + "x" + std::to_string(image.pixelHeight()) + " at "
        + rect(r));
}

void RecordingDrawingContext::drawText(std::string_view text, Point at, const Font& font, const Color& color)
{
    record("text " + std::string(text) + " at " + numbers({ at.x, at.y }) + " size "
        + numbers({ font.pointSize() }) + (font.isBold() ? " bold" : "") + " color " + colour(color));
}

void RecordingDrawingContext::drawTextInRect(std::string_view text, const Rect& r, const TextStyle& style)
{
    record("text " + std::string(text) + " in " + rect(r) + " size " + numbers({ style.font.pointSize() })
        + (style.font.isBold() ? " bold" : "") + " color " + colour(style.color));
}

} // namespace graphics
