#include "hud/BarProgressView.h"

#include "platform/graphics/DrawingContext.h"

#include <cmath>
#include <numbers>

namespace {

// The outline: a capsule inset by the 2-point line.
void addFramePath(graphics::DrawingContext& context, double w, double h)
{
    double r = h / 2 - 2;
    context.beginPath();
    context.moveTo({ 2, h / 2 });
    context.addArcToPoint({ 2, 2 }, { r + 2, 2 }, r);
    context.lineTo({ w - r - 2, 2 });
    context.addArcToPoint({ w - 2, 2 }, { w - 2, h / 2 }, r);
    context.addArcToPoint({ w - 2, h - 2 }, { w - r - 2, h - 2 }, r);
    context.lineTo({ r + 2, h - 2 });
    context.addArcToPoint({ 2, h - 2 }, { 2, h / 2 }, r);
}

// The left cap of the fill, upper or lower half, ending at x = q + 4.
void addLeftCap(graphics::DrawingContext& context, double h, double q, bool upper)
{
    double edge = upper ? 4 : h - 4;
    context.moveTo({ 4, h / 2 });
    context.addArcToPoint({ 4, edge }, { q + 4, edge }, q);
}

} // namespace

BarProgressView::BarProgressView()
    : BarProgressView(graphics::Rect(0, 0, 120, 20))
{
}

BarProgressView::BarProgressView(const graphics::Rect& frame)
    : View(frame)
{
    setBackgroundColor(graphics::Color::clear());
    setOpaque(false);
}

void BarProgressView::setProgress(float progress)
{
    m_progress = progress;
    setNeedsDisplay();
}

void BarProgressView::setLineColor(const graphics::Color& color)
{
    m_lineColor = color;
    setNeedsDisplay();
}

void BarProgressView::setProgressRemainingColor(const graphics::Color& color)
{
    m_progressRemainingColor = color;
    setNeedsDisplay();
}

void BarProgressView::setProgressColor(const graphics::Color& color)
{
    m_progressColor = color;
    setNeedsDisplay();
}

void BarProgressView::drawRect(graphics::DrawingContext& context, const graphics::Rect& rect)
{
    double w = rect.width();
    double h = rect.height();

    context.setLineWidth(2);
    context.setStrokeColor(m_lineColor);
    context.setFillColor(m_progressRemainingColor);
    addFramePath(context, w, h);
    context.fillPath();
    addFramePath(context, w, h);
    context.strokePath();

    context.setFillColor(m_progressColor);
    double q = h / 2 - 2 - 2;
    // NaN would slip past every comparison below and draw nothing sensible.
    double a = std::isfinite(m_progress) ? m_progress * w : 0;

    if (a >= q + 4 && a <= w - q - 4) {
        context.beginPath();
        addLeftCap(context, h, q, true);
        context.lineTo({ a, 4 });
        context.lineTo({ a, q + 4 });
        addLeftCap(context, h, q, false);
        context.lineTo({ a, h - 4 });
        context.lineTo({ a, q + 4 });
        context.fillPath();
    } else if (a > q + 4) {
        double x = a - (w - q - 4);
        double ratio = q != 0 ? x / q : 2;
        double t = ratio >= -1 && ratio <= 1 ? std::acos(ratio) : 0;
        context.beginPath();
        addLeftCap(context, h, q, true);
        context.lineTo({ w - q - 4, 4 });
        context.addArc({ w - q - 4, h / 2 }, q, std::numbers::pi, -t, false);
        context.lineTo({ a, h / 2 });
        addLeftCap(context, h, q, false);
        context.lineTo({ w - q - 4, h - 4 });
        context.addArc({ w - q - 4, h / 2 }, q, -std::numbers::pi, t, true);
        context.lineTo({ a, h / 2 });
        context.fillPath();
    } else if (a > 0) {
        context.beginPath();
        addLeftCap(context, h, q, true);
        context.lineTo({ q + 4, h / 2 });
        addLeftCap(context, h, q, false);
        context.lineTo({ q + 4, h / 2 });
        context.fillPath();
    }
}
