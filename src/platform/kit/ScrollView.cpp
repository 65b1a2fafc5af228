#include "platform/kit/ScrollView.h"

#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Timer.h"

#include <algorithm>
#include <cmath>

namespace kit {

namespace {

// The finger's path over this last stretch of a drag gives the release speed;
// a finger that rested this long before lifting releases at rest.
constexpr double velocityWindow = 0.1;
constexpr double maximumSpeed = 8000;
// Slower releases leave the content where it is.
constexpr double minimumGlideSpeed = 20;
// Coasting loses speed by a factor e every half second: the phone's normal
// deceleration (0.998 a millisecond).
constexpr double friction = 2.0;
// Critically damped springs: back inside the content in about half a
// second, onto a page a little faster, never swinging past.
constexpr double bounceStiffness = 196;
constexpr double pageStiffness = 324;
// The release speed adds this many seconds of travel when a page is chosen,
// so a flick near the middle goes on and a slow release falls back.
constexpr double pageProjection = 0.12;
constexpr double stepInterval = 1.0 / 60;
constexpr double maximumSubstep = 1.0 / 240;
// A stalled loop resumes the glide instead of jumping to its end.
constexpr double maximumElapsed = 0.25;
constexpr double restDistance = 0.5;
constexpr double restSpeed = 10;

void springToward(double& x, double& v, double goal, double stiffness, double dt)
{
    double damping = 2 * std::sqrt(stiffness);
    v += (-stiffness * (x - goal) - damping * v) * dt;
    x += v * dt;
}

bool arrived(double& x, double& v, double goal)
{
    if (std::abs(x - goal) >= restDistance || std::abs(v) >= restSpeed)
        return false;
    x = goal;
    v = 0;
    return true;
}

// One step of one axis of a glide; false once that axis has come to rest.
bool stepAxis(double& x, double& v, double lo, double hi, const double* target, bool bounces, double dt)
{
    if (target) {
        double goal = std::clamp(*target, lo, hi);
        springToward(x, v, goal, pageStiffness, dt);
        return !arrived(x, v, goal);
    }
    if (x < lo || x > hi) {
        double edge = std::clamp(x, lo, hi);
        if (!bounces) {
            x = edge;
            v = 0;
            return false;
        }
        springToward(x, v, edge, bounceStiffness, dt);
        return !arrived(x, v, edge);
    }
    v *= std::exp(-friction * dt);
    x += v * dt;
    if (!bounces && (x < lo || x > hi)) {
        x = std::clamp(x, lo, hi);
        v = 0;
        return false;
    }
    if (std::abs(v) < restSpeed) {
        v = 0;
        return x < lo || x > hi;
    }
    return true;
}

double clampSpeed(double v)
{
    return std::isfinite(v) ? std::clamp(v, -maximumSpeed, maximumSpeed) : 0;
}

} // namespace

ScrollView::ScrollView()
{
    setClipsToBounds(true);
}

ScrollView::ScrollView(const graphics::Rect& frame)
    : View(frame)
{
    setClipsToBounds(true);
}

ScrollView::~ScrollView()
{
    if (m_settleTimer)
        m_settleTimer->invalidate();
}

void ScrollView::moveContent(graphics::Point offset)
{
    graphics::Point old = contentOffset();
    // A NaN offset from a caller's arithmetic would poison every later sum.
    graphics::Point sane { std::isfinite(offset.x) ? offset.x : old.x,
        std::isfinite(offset.y) ? offset.y : old.y };
    graphics::Rect b = bounds();
    View::setBounds({ sane, b.size });
    contentOffsetDidChange();
    m_offsetObservers.notify(old, sane);
}

void ScrollView::setContentOffset(const graphics::Point& offset)
{
    stopSettling();
    moveContent(offset);
}

void ScrollView::setContentOffset(const graphics::Point& offset, bool)
{
    setContentOffset(offset);
}

void ScrollView::setContentSize(const graphics::Size& size)
{
    graphics::Size old = m_contentSize;
    m_contentSize = size;
    setNeedsLayout();
    // Observers may drop the view; the refresh footer moves below the new
    // content before the offset follows it.
    auto self = weak_from_this().lock();
    m_sizeObservers.notify(old, size);
    keepOffsetWithinContent();
}

void ScrollView::keepOffsetWithinContent()
{
    // Under a finger the content stays where the finger holds it; a glide
    // comes to rest inside the new range by itself. Only the far edge
    // counts: an offset above the start is a pull in progress (or a refresh
    // header's open inset) and stays.
    if (m_dragging || m_settleTimer)
        return;
    graphics::Point offset = contentOffset();
    graphics::Point kept { std::min(offset.x, maximumOffsetX()), std::min(offset.y, maximumOffsetY()) };
    if (kept != offset)
        moveContent(kept);
}

void ScrollView::setContentInset(const graphics::EdgeInsets& inset)
{
    m_contentInset = inset;
}

void ScrollView::setFrame(const graphics::Rect& frame)
{
    graphics::Size old = bounds().size;
    View::setFrame(frame);
    if (frame.size.width > old.width || frame.size.height > old.height)
        keepOffsetWithinContent();
}

void ScrollView::setBounds(const graphics::Rect& bounds)
{
    graphics::Rect old = this->bounds();
    View::setBounds(bounds);
    if (bounds.origin != old.origin) {
        contentOffsetDidChange();
        m_offsetObservers.notify(old.origin, bounds.origin);
    }
    if (bounds.width() > old.width() || bounds.height() > old.height())
        keepOffsetWithinContent();
}

foundation::Subscription ScrollView::observeContentOffset(
    std::function<void(graphics::Point, graphics::Point)> observer)
{
    return m_offsetObservers.add(std::move(observer));
}

foundation::Subscription ScrollView::observeContentSize(
    std::function<void(graphics::Size, graphics::Size)> observer)
{
    return m_sizeObservers.add(std::move(observer));
}

double ScrollView::minimumOffsetY() const
{
    return -m_contentInset.top;
}

double ScrollView::maximumOffsetY() const
{
    return std::max(minimumOffsetY(), m_contentSize.height + m_contentInset.bottom - bounds().height());
}

double ScrollView::minimumOffsetX() const
{
    return -m_contentInset.left;
}

double ScrollView::maximumOffsetX() const
{
    return std::max(minimumOffsetX(), m_contentSize.width + m_contentInset.right - bounds().width());
}

bool ScrollView::canScrollVertically() const
{
    return m_alwaysBounceVertical
        || m_contentSize.height + m_contentInset.top + m_contentInset.bottom > bounds().height();
}

bool ScrollView::canScrollHorizontally() const
{
    return m_alwaysBounceHorizontal
        || m_contentSize.width + m_contentInset.left + m_contentInset.right > bounds().width();
}

bool ScrollView::beginDragging()
{
    if (!m_scrollEnabled || !m_pan->isEnabled() || m_dragging)
        return false;
    // Observers may detach refresh controls or drop the view.
    auto self = shared_from_this();
    stopSettling();
    m_dragging = true;
    m_samples.clear();
    m_samples.push_back({ foundation::RunLoop::main().now(), {} });
    m_pan->setTranslation({});
    m_pan->setState(GestureRecognizerState::Began);
    return true;
}

void ScrollView::dragBy(double dx, double dy)
{
    dragBy(dx, dy, foundation::RunLoop::main().now());
}

void ScrollView::dragBy(double dx, double dy, double timestamp)
{
    if (!m_dragging || !std::isfinite(dx) || !std::isfinite(dy))
        return;
    auto self = shared_from_this();
    graphics::Point translation = m_pan->translation();
    translation = { translation.x + dx, translation.y + dy };
    m_pan->setTranslation(translation);
    if (std::isfinite(timestamp)) {
        m_samples.push_back({ timestamp, translation });
        while (m_samples.size() > 2 && timestamp - m_samples.front().time > 2 * velocityWindow)
            m_samples.pop_front();
    }
    m_pan->setState(GestureRecognizerState::Changed);
    bool vertical = canScrollVertically();
    bool horizontal = canScrollHorizontally();
    if (!vertical && !horizontal)
        return;
    graphics::Point offset = contentOffset();
    if (vertical)
        offset.y -= dy;
    if (horizontal)
        offset.x -= dx;
    if (!m_bounces) {
        offset.x = std::clamp(offset.x, minimumOffsetX(), maximumOffsetX());
        offset.y = std::clamp(offset.y, minimumOffsetY(), maximumOffsetY());
    }
    moveContent(offset);
}

graphics::Point ScrollView::releaseVelocity(double timestamp) const
{
    if (m_samples.empty() || !std::isfinite(timestamp))
        return {};
    const Sample& last = m_samples.back();
    if (timestamp - last.time > velocityWindow)
        return {};
    const Sample* first = &last;
    for (auto it = m_samples.rbegin(); it != m_samples.rend() && last.time - it->time <= velocityWindow; ++it)
        first = &*it;
    double span = last.time - first->time;
    // Moves stamped with one instant (a script, a test) carry no speed.
    if (span < 0.001)
        return {};
    graphics::Point moved { last.translation.x - first->translation.x,
        last.translation.y - first->translation.y };
    return { canScrollHorizontally() ? clampSpeed(-moved.x / span) : 0,
        canScrollVertically() ? clampSpeed(-moved.y / span) : 0 };
}

graphics::Point ScrollView::restingOffset(graphics::Point offset) const
{
    return { std::clamp(offset.x, minimumOffsetX(), maximumOffsetX()),
        std::clamp(offset.y, minimumOffsetY(), maximumOffsetY()) };
}

graphics::Point ScrollView::pageFor(graphics::Point offset, graphics::Point velocity) const
{
    // Of the two pages around the offset, the one the release heads for.
    auto choose = [](double x, double v, double page, double lo, double hi) {
        if (page <= 0)
            return std::clamp(x, lo, hi);
        double below = std::floor(x / page) * page;
        double projected = std::round((x + v * pageProjection) / page) * page;
        return std::clamp(std::clamp(projected, below, below + page), lo, hi);
    };
    graphics::Size page = bounds().size;
    return { choose(offset.x, velocity.x, page.width, minimumOffsetX(), maximumOffsetX()),
        choose(offset.y, velocity.y, page.height, minimumOffsetY(), maximumOffsetY()) };
}

void ScrollView::endDragging()
{
    endDragging(foundation::RunLoop::main().now());
}

void ScrollView::endDragging(double timestamp)
{
    if (!m_dragging)
        return;
    auto self = shared_from_this();
    graphics::Point velocity = releaseVelocity(timestamp);
    m_samples.clear();
    m_dragging = false;
    m_pan->setState(GestureRecognizerState::Ended);
    // The release itself is reported as a scroll with dragging off; pull
    // controls decide on this report whether to start refreshing.
    moveContent(contentOffset());
    // Then the content moves on from wherever the release left it, inside
    // whatever inset the release produced.
    graphics::Point offset = contentOffset();
    if (m_pagingEnabled) {
        graphics::Point page = pageFor(offset, velocity);
        if (page != offset)
            startSettling(velocity, page);
    } else if (restingOffset(offset) != offset || std::hypot(velocity.x, velocity.y) >= minimumGlideSpeed) {
        startSettling(velocity, std::nullopt);
    }
    m_pan->setState(GestureRecognizerState::Possible);
}

bool ScrollView::stopMoving()
{
    if (!m_settleTimer)
        return false;
    stopSettling();
    return true;
}

void ScrollView::settle()
{
    if (m_dragging)
        return;
    graphics::Point offset = contentOffset();
    if (m_pagingEnabled) {
        graphics::Point page = pageFor(offset, {});
        if (page != offset)
            startSettling({}, page);
    } else if (restingOffset(offset) != offset) {
        startSettling({}, std::nullopt);
    }
}

void ScrollView::startSettling(graphics::Point velocity, std::optional<graphics::Point> target)
{
    m_velocity = { clampSpeed(velocity.x), clampSpeed(velocity.y) };
    m_target = target;
    m_lastStep = foundation::RunLoop::main().now();
    if (m_settleTimer)
        return;
    auto self = std::static_pointer_cast<ScrollView>(shared_from_this());
    m_settleTimer = foundation::Timer::scheduledWeak(
        stepInterval, true, std::weak_ptr<ScrollView>(self), [](ScrollView& view) { view.settleStep(); });
    setNeedsDisplay();
}

void ScrollView::stopSettling()
{
    if (auto timer = std::exchange(m_settleTimer, nullptr))
        timer->invalidate();
    m_velocity = {};
    m_target.reset();
}

void ScrollView::settleStep()
{
    auto self = shared_from_this();
    double now = foundation::RunLoop::main().now();
    double elapsed = std::clamp(now - m_lastStep, 0.0, maximumElapsed);
    m_lastStep = now;
    graphics::Point offset = contentOffset();
    int steps = std::max(1, static_cast<int>(std::ceil(elapsed / maximumSubstep)));
    double dt = elapsed / steps;
    bool movingX = true;
    bool movingY = true;
    for (int i = 0; i < steps && (movingX || movingY); ++i) {
        if (movingX)
            movingX = stepAxis(offset.x, m_velocity.x, minimumOffsetX(), maximumOffsetX(),
                m_target ? &m_target->x : nullptr, m_bounces, dt);
        if (movingY)
            movingY = stepAxis(offset.y, m_velocity.y, minimumOffsetY(), maximumOffsetY(),
                m_target ? &m_target->y : nullptr, m_bounces, dt);
    }
    bool done = !movingX && !movingY;
    if (offset != contentOffset())
        moveContent(offset);
    // An observer may have set the offset itself, which ends the glide.
    if (done && m_settleTimer)
        stopSettling();
}

bool ScrollView::scrollWheel(const graphics::Point&, double dx, double dy)
{
    if (!m_scrollEnabled || m_dragging || !std::isfinite(dx) || !std::isfinite(dy))
        return false;
    bool vertical = canScrollVertically();
    bool horizontal = canScrollHorizontally();
    // A plain wheel turns a view that only scrolls sideways sideways.
    if (!vertical && horizontal && dx == 0)
        std::swap(dx, dy);
    double moveX = horizontal ? dx : 0;
    double moveY = vertical ? dy : 0;
    if (moveX == 0 && moveY == 0)
        return false;
    graphics::Point offset = contentOffset();
    if (m_pagingEnabled) {
        // A page for each turn of the wheel, not for each of its events.
        if (m_settleTimer)
            return true;
        auto next = [](double x, double move, double page) {
            if (move == 0 || page <= 0)
                return x;
            return std::round(x / page) * page + (move > 0 ? page : -page);
        };
        graphics::Size page = bounds().size;
        graphics::Point target
            = restingOffset({ next(offset.x, moveX, page.width), next(offset.y, moveY, page.height) });
        if (target == offset)
            return false;
        startSettling({}, target);
        return true;
    }
    stopSettling();
    graphics::Point moved = restingOffset({ offset.x + moveX, offset.y + moveY });
    // At its end the wheel goes on to an enclosing scroll view.
    if (moved == offset)
        return false;
    moveContent(moved);
    return true;
}

} // namespace kit
