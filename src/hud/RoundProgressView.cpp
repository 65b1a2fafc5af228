#include "hud/RoundProgressView.h"

#include "platform/graphics/DrawingContext.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double startAngle = -std::numbers::pi / 2;

// The angle a progress reaches, kept to one turn so a stray value never
// draws more than a full circle.
double endAngle(float progress)
{
    double p = std::isfinite(progress) ? std::clamp(static_cast<double>(progress), 0.0, 1.0) : 0.0;
    return p * 2 * std::numbers::pi + startAngle;
}

} // namespace

RoundProgressView::RoundProgressView()
    : RoundProgressView(graphics::Rect(0, 0, 37, 37))
{
}

RoundProgressView::RoundProgressView(const graphics::Rect& frame)
    : View(frame)
{
    setBackgroundColor(graphics::Color::clear());
    setOpaque(false);
}

void RoundProgressView::setProgress(float progress)
{
    m_progress = progress;
    setNeedsDisplay();
}

void RoundProgressView::setProgressTintColor(const graphics::Color& color)
{
    m_progressTintColor = color;
    setNeedsDisplay();
}

void RoundProgressView::setBackgroundTintColor(const graphics::Color& color)
{
    m_backgroundTintColor = color;
    setNeedsDisplay();
}

void RoundProgressView::setAnnular(bool annular)
{
    m_annular = annular;
    setNeedsDisplay();
}

void RoundProgressView::drawRect(graphics::DrawingContext& context, const graphics::Rect&)
{
    graphics::Rect all = bounds();
    double width = all.width();
    graphics::Point center { all.x() + width / 2, all.y() + all.height() / 2 };

    if (m_annular) {
        constexpr double lineWidth = 2.0;
        double radius = (width - lineWidth) / 2;
        context.setLineWidth(lineWidth);
        context.setLineCap(graphics::LineCap::Butt);
        context.setStrokeColor(m_backgroundTintColor);
        context.beginPath();
        context.addArc(center, radius, startAngle, startAngle + 2 * std::numbers::pi, false);
        context.strokePath();

        context.setLineCap(graphics::LineCap::Square);
        context.setStrokeColor(m_progressTintColor);
        context.beginPath();
        context.addArc(center, radius, startAngle, endAngle(m_progress), false);
        context.strokePath();
        return;
    }

    graphics::Rect circle = all.insetBy(2, 2);
    context.setStrokeColor(m_progressTintColor);
    context.setFillColor(m_backgroundTintColor);
    context.setLineWidth(2);
    context.fillEllipseInRect(circle);
    context.strokeEllipseInRect(circle);

    context.setFillColor(m_progressTintColor);
    context.beginPath();
    context.moveTo(center);
    context.addArc(center, (width - 4) / 2, startAngle, endAngle(m_progress), false);
    context.closePath();
    context.fillPath();
}
