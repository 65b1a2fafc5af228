#include "platform/graphics/DrawingContext.h"

#include <algorithm>
#include <numbers>

namespace graphics {

namespace {

// Drawing happens on the thread that paints; each thread has its own stack.
thread_local DrawingContext* t_current = nullptr;

} // namespace

void DrawingContext::addRoundedRect(const Rect& rect, double radius)
{
    Rect r = rect.standardized();
    double rr = std::clamp(radius, 0.0, std::min(r.width(), r.height()) / 2);
    if (rr <= 0) {
        addRect(r);
        return;
    }
    constexpr double pi = std::numbers::pi;
    moveTo({ r.minX() + rr, r.minY() });
    addArc({ r.maxX() - rr, r.minY() + rr }, rr, 3 * pi / 2, 0, false);
    addArc({ r.maxX() - rr, r.maxY() - rr }, rr, 0, pi / 2, false);
    addArc({ r.minX() + rr, r.maxY() - rr }, rr, pi / 2, pi, false);
    addArc({ r.minX() + rr, r.minY() + rr }, rr, pi, 3 * pi / 2, false);
    closePath();
}

void DrawingContext::fillRect(const Rect& rect)
{
    beginPath();
    addRect(rect);
    fillPath();
}

void DrawingContext::strokeRect(const Rect& rect)
{
    beginPath();
    addRect(rect);
    strokePath();
}

void DrawingContext::fillEllipseInRect(const Rect& rect)
{
    beginPath();
    addEllipseInRect(rect);
    fillPath();
}

void DrawingContext::strokeEllipseInRect(const Rect& rect)
{
    beginPath();
    addEllipseInRect(rect);
    strokePath();
}

void DrawingContext::clipToRect(const Rect& rect)
{
    beginPath();
    addRect(rect);
    clip();
}

DrawingContext* DrawingContext::current()
{
    return t_current;
}

DrawingContext::Push::Push(DrawingContext& context)
    : m_previous(t_current)
{
    t_current = &context;
}

DrawingContext::Push::~Push()
{
    t_current = m_previous;
}

} // namespace graphics
