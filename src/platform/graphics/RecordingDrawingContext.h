#pragma once

#include "platform/graphics/DrawingContext.h"

#include <string>
#include <vector>

namespace graphics {

// Writes each drawing call as one line of text ("fillColor 1 0 0 1",
// "image 20x20 at 0 8 20 20", "text 收款 at 22 7 size 16 color 1 1 1 1"),
// so tests of a drawRect: can check what it drew and in what order without
// reading pixels. Numbers are printed with %g.
class RecordingDrawingContext final : public DrawingContext {
public:
    const std::vector<std::string>& operations() const { return m_operations; }
    void clear() { m_operations.clear(); }

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
    void record(std::string line) { m_operations.push_back(std::move(line)); }

    std::vector<std::string> m_operations;
};

} // namespace graphics
